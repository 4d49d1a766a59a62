// The About window, F1 from the main window, and the run-time error report.
#include "FakeOpener.h"
#include "GuiHelpers.h"

#include "app/MainM.h"
#include "app/frmForma.h"
#include "extras/LineControl.h"
#include "extras/LinkLabel.h"
#include "extras/PictureBox.h"
#include "extras/frmOprog.h"
#include "reader/VyborM.h"
#include "runtime/Platform.h"
#include "runtime/RuntimeError.h"
#include "view/usrWeb.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QWebEngineView>

using namespace Qt::Literals::StringLiterals;

class tst_about : public QObject
{
    Q_OBJECT

private:
    FakeOpener m_opener;
    QTemporaryDir m_program;

    QStringList programFiles() const
    {
        return QDir(m_program.path()).entryList(QDir::Files);
    }

    // Opens the About window from the menu and hands it to inspect while it is shown.
    void withAboutFromMenu(const std::function<void(frmOprog *)> &inspect)
    {
        bool seen = false;
        QTimer::singleShot(0, this, [&] {
            QTRY_VERIFY(qobject_cast<frmOprog *>(QApplication::activeModalWidget()));
            auto *about = qobject_cast<frmOprog *>(QApplication::activeModalWidget());
            seen = true;
            inspect(about);
            about->OK()->click();
        });
        frmForma::instance().findChild<QAction *>(u"MenuAbout"_s)->trigger();
        QVERIFY(seen);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(QDir(m_program.path()).mkpath(u"Data"_s));
        QFile work(m_program.filePath(u"Data/Единственное.dat"_s));
        QVERIFY(work.open(QIODevice::WriteOnly));
        work.write("5\r\n");
        work.close();
        MainM::start(m_program.path());
        QVERIFY(frmForma::existing());
        frmForma::instance().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&frmForma::instance()));
    }

    void cleanupTestCase()
    {
        delete frmForma::existing();
    }

    void f1HandsOverTheHelpFileWhateverIsShown()
    {
        frmForma &form = frmForma::instance();
        const QString help = MainM::AppDir + u"Справка.htm"_s;
        QWidget *input = form.usrWeb1()->WebBrowser1()->focusProxy();
        QVERIFY(input);
        const QStringList pages{u"http://www.s/"_s, u"http://www.t0/"_s, u"http://www.b/"_s};
        for (int i = 0; i < pages.size(); ++i) {
            VyborM::Vybor(pages[i]);
            form.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&form));
            QTest::keyClick(form.usrWeb1()->WebBrowser1()->focusProxy(), Qt::Key_F1);
            QTRY_COMPARE(m_opener.calls().size(), i + 1);
            QCOMPARE(m_opener.calls()[i].second, help);
            QCOMPARE(m_opener.calls()[i].first, QDir::toNativeSeparators(QCoreApplication::applicationDirPath()));
        }
        VyborM::Vybor(u"http://www.s/"_s);
        m_opener.clear();
    }

    void runTimeFailuresAreReportedAndEndTheProgram()
    {
        QList<int> exits;
        runtime::setFatalExit([&](int status) { exits.append(status); });
        gui::BoxCatcher boxes;

        runtime::guardFatal(u"Заголовок"_s, [] { throw runtime::RuntimeError(runtime::ErrFileNotFound); });
        QCOMPARE(boxes.texts.value(0), u"Run-time error '53':\n\nFile not found"_s);
        QCOMPARE(boxes.titles.value(0), u"Заголовок"_s);
        QCOMPARE(boxes.icons.value(0), QMessageBox::Critical);
        QCOMPARE(exits, QList<int>{1});

        // A failure in a link's dispatch ends there, titled with the caption,
        // and goes no further than the view.
        usrWeb *view = frmForma::instance().usrWeb1();
        view->setDispatcher([](const QString &) { throw runtime::RuntimeError(runtime::ErrOverflow); });
        view->WebBrowser1_StatusTextChange(u"http://www.t1/"_s);
        QVERIFY(!view->WebBrowser1_BeforeNavigate2(QUrl(u"http://www.t1/"_s), QWebEnginePage::NavigationTypeLinkClicked, true));
        QTRY_COMPARE(exits.size(), 2);
        QCOMPARE(boxes.texts.value(1), u"Run-time error '6':\n\nOverflow"_s);
        QCOMPARE(boxes.titles.value(1), u"Собрание №1 Лоримунд Э Р"_s);

        view->setDispatcher([](const QString &address) { VyborM::Vybor(address); });
        runtime::setFatalExit([](int status) { std::_Exit(status); });
    }

    void windowGeometryAndLook()
    {
        frmOprog about;
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QCOMPARE(about.windowTitle(), u"О программе"_s);
        QCOMPARE(about.size(), QSize(490, 285));
        QCOMPARE(about.minimumSize(), about.maximumSize());
        QVERIFY(!(about.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QCOMPARE(about.palette().color(QPalette::Window), QColor(192, 192, 192));
        QVERIFY(about.font().bold());
        QCOMPARE(about.font().pointSize(), 12);
        QCOMPARE(about.font().families().value(0), u"MS Sans Serif"_s);

        struct Expected
        {
            QString name;
            QRect geometry;
            QString text;
        };
        const QList<Expected> labels = {
            {u"Label2_8"_s, {16, 0, 231, 20}, u"Идея: Ян Мирский"_s},
            {u"Label2_1"_s, {16, 24, 48, 20}, u"Сайт:"_s},
            {u"Label3"_s, {72, 24, 402, 20}, u"Реставрация и смена фона фото по интернету"_s},
            {u"Label2_3"_s, {104, 72, 282, 20}, u"Программист: Лев Орлов"_s},
            {u"Label2_4"_s, {104, 96, 242, 20}, u"E-mail: lo@example.org"_s},
            {u"Label2_5"_s, {104, 120, 48, 20}, u"Сайт:"_s},
            {u"Label1"_s, {160, 120, 183, 20}, u"Программы для всех!"_s},
            {u"Label2_6"_s, {104, 144, 105, 20}, u"Версия: v2.0"_s},
            {u"Label2_7"_s, {104, 168, 218, 20}, u"Дата: 9 октября 2008 год"_s},
            {u"Label2_0"_s, {156, 192, 149, 20}, u"26 июля 2015 год"_s},
        };
        for (const Expected &e : labels) {
            auto *label = about.findChild<QLabel *>(e.name);
            QVERIFY2(label, qPrintable(e.name));
            QCOMPARE(label->geometry(), e.geometry);
            QCOMPARE(label->text(), e.text);
            // Every text fits its label, in the font the window has here.
            QVERIFY2(label->fontMetrics().horizontalAdvance(e.text) <= e.geometry.width(), qPrintable(e.name));
        }
        QVERIFY(!about.findChild<QLabel *>(u"Label2_2"_s));

        for (LinkLabel *link : {about.Label1(), about.Label3()}) {
            QCOMPARE(link->palette().color(QPalette::WindowText), QColor(0, 0, 192));
            QCOMPARE(link->cursor().shape(), Qt::BitmapCursor);
            QCOMPARE(link->cursor().hotSpot(), QPoint(0, 0));
            QCOMPARE(link->cursor().pixmap().size(), QSize(32, 32));
        }
        QCOMPARE(about.Label1()->Tag(), u"http://www.example.org/site/"_s);
        QVERIFY(QUrl(about.Label3()->Tag()).path() == u"/"_s);

        const QList<std::tuple<QString, QRect, QPalette::ColorRole>> lines = {
            {u"Line4"_s, {8, 56, 472, 1}, QPalette::WindowText},
            {u"Line3"_s, {8, 57, 472, 1}, QPalette::Base},
            {u"Line1"_s, {8, 224, 472, 1}, QPalette::WindowText},
            {u"Line2"_s, {8, 225, 472, 1}, QPalette::Base},
        };
        for (const auto &[name, geometry, role] : lines) {
            auto *line = about.findChild<LineControl *>(name);
            QVERIFY2(line, qPrintable(name));
            QCOMPARE(line->geometry(), geometry);
            QCOMPARE(line->color(), about.palette().color(role));
        }
        // Etched: dark over light, as drawn on the screen.
        const QImage shot = about.grab().toImage();
        QCOMPARE(shot.pixelColor(100, 56), about.palette().color(QPalette::WindowText));
        QCOMPARE(shot.pixelColor(100, 57), about.palette().color(QPalette::Base));

        auto *image = about.findChild<QLabel *>(u"Image1"_s);
        QVERIFY(image);
        QCOMPARE(image->geometry(), QRect(16, 72, 71, 126));
        QCOMPARE(image->pixmap().size(), QSize(71, 126));
        QCOMPARE(image->pixmap().toImage().pixelColor(0, 0), QColor(192, 192, 192));

        QCOMPARE(about.Picture1()->geometry(), QRect(8, 232, 80, 45));
        QCOMPARE(about.OK()->geometry(), QRect(392, 236, 89, 33));
        QCOMPARE(about.OK()->text(), u"OK"_s);
    }

    void okHasTheFocusAndIsFirstInTabOrder()
    {
        frmOprog about;
        about.show();
        QVERIFY(QTest::qWaitForWindowActive(&about));
        QCOMPARE(QApplication::focusWidget(), about.OK());
        QVERIFY(about.OK()->isDefault());
        // Tab keeps the focus on the only control that takes it.
        QTest::keyClick(&about, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), about.OK());
    }

    void stripes()
    {
        const auto check = [](frmOprog *about) {
            const QImage &image = about->Picture1()->image();
            QCOMPARE(image.size(), QSize(80, 45));
            for (int x : {0, 40, 79}) {
                for (int y = 0; y < 45; ++y) {
                    const QColor expected = y < 15 ? QColor(Qt::white) : y <= 30 ? QColor(0, 0, 255) : QColor(255, 0, 0);
                    QCOMPARE(image.pixelColor(x, y), expected);
                }
            }
            // And on the screen.
            const QImage shot = about->Picture1()->grab().toImage();
            QCOMPARE(shot.pixelColor(10, 20), QColor(0, 0, 255));
        };
        withAboutFromMenu(check);
        withAboutFromMenu(check);
    }

    void shownModallyOverTheMainWindow()
    {
        withAboutFromMenu([](frmOprog *about) {
            QVERIFY(about->isModal());
            QCOMPARE(about->parentWidget(), &frmForma::instance());
            QVERIFY(about->isVisible());
        });
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QVERIFY(frmForma::instance().findChildren<frmOprog *>().isEmpty());
    }

    void linkClicks()
    {
        m_opener.clear();
        MainM::AppDir = m_program.path() + u'/';
        frmOprog about;
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));

        QTest::mouseClick(about.Label1(), Qt::LeftButton, {}, QPoint(10, 10));
        QTRY_COMPARE(m_opener.calls().size(), 1);
        QCOMPARE(m_opener.calls()[0].second, u"http://www.example.org/site/"_s);
        QVERIFY(programFiles().isEmpty());
        QCOMPARE(QApplication::overrideCursor(), nullptr);

        QTest::mouseClick(about.Label3(), Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(programFiles(), QStringList{u"0.html"_s});
        QTRY_COMPARE(m_opener.calls().size(), 2);
        QCOMPARE(m_opener.calls()[1].second, MainM::AppDir + u"0.html"_s);
        QCOMPARE(QApplication::overrideCursor(), nullptr);

        // A second click writes the same file again.
        QTest::mouseClick(about.Label3(), Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(programFiles(), QStringList{u"0.html"_s});
        QTRY_COMPARE(m_opener.calls().size(), 3);
    }

    void okEscAndCloseButtonCloseIt()
    {
        for (int way = 0; way < 3; ++way) {
            frmOprog about;
            about.show();
            QVERIFY(QTest::qWaitForWindowActive(&about));
            if (way == 0)
                QTest::mouseClick(about.OK(), Qt::LeftButton);
            else if (way == 1)
                QTest::keyClick(&about, Qt::Key_Escape);
            else
                about.close();
            QTRY_VERIFY(!about.isVisible());
        }
    }
};

SOBRANIE_GUI_TEST_MAIN(tst_about)
#include "tst_about.moc"
