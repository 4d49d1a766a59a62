// The About window, F1 from the main window, and the run-time error report.
#include "FakeOpener.h"
#include "GuiHelpers.h"

#include "platform/NativePath.h"
#include "platform/RuntimeError.h"
#include "ui/AboutDialog.h"
#include "ui/DrawingSurface.h"
#include "ui/FatalReport.h"
#include "ui/HorizontalLine.h"
#include "ui/LinkLabel.h"
#include "ui/MainWindow.h"
#include "ui/StartReader.h"
#include "view/PageView.h"

#include <QAccessible>
#include <QAction>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryFile>
#include <QWebEngineView>

using namespace Qt::Literals::StringLiterals;

class tst_about : public QObject
{
    Q_OBJECT

private:
    FakeOpener m_opener;
    QTemporaryDir m_program;
    QPointer<MainWindow> m_form;

    [[nodiscard]] QString folder() const { return m_program.path() + u'/'; }

    [[nodiscard]] QStringList programFiles() const { return QDir(m_program.path()).entryList(QDir::Files); }

    // Opens the About window from the menu and hands it to inspect while it is shown.
    void withAboutFromMenu(const std::function<void(AboutDialog *)> &inspect)
    {
        // The window opens once the command has returned, in a loop of its own.
        int seen = 0;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            if (auto *about = qobject_cast<AboutDialog *>(QApplication::activeModalWidget()); about && !seen++) {
                inspect(about);
                about->okButton()->click();
            }
        });
        poll.start(20);
        auto *action = m_form->findChild<QAction *>(u"aboutAction"_s);
        action->trigger();
        action->trigger();
        QCOMPARE(seen, 0);
        QTRY_COMPARE(seen, 1);
        QTest::qWait(100);
        QCOMPARE(seen, 1);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(QDir(m_program.path()).mkpath(u"Data"_s));
        QFile work(m_program.filePath(u"Data/Единственное.dat"_s));
        QVERIFY(work.open(QIODevice::WriteOnly));
        work.write("5\r\n");
        work.close();
        m_form = startReader(platform::NativePath(m_program.path()));
        QVERIFY(m_form);
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form));
    }

    void cleanupTestCase() { delete m_form.data(); }

    // Every test starts with no redirect page in the program folder.
    void init()
    {
        QDir program(m_program.path());
        for (const QString &page : program.entryList({u"*.html"_s}, QDir::Files))
            QVERIFY(program.remove(page));
    }

    void f1HandsOverTheHelpFileWhateverIsShown()
    {
        MainWindow &form = *m_form;
        const QString help = form.collection().appDir() + u"Справка.htm"_s;
        QWidget *input = form.pageView()->browser()->focusProxy();
        QVERIFY(input);
        const QStringList pages{u"http://www.s/"_s, u"http://www.t0/"_s, u"http://www.b/"_s};
        for (int i = 0; i < pages.size(); ++i) {
            form.followLink(pages[i]);
            form.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&form));
            QTest::keyClick(form.pageView()->browser()->focusProxy(), Qt::Key_F1);
            QTRY_COMPARE(m_opener.calls().size(), i + 1);
            QCOMPARE(m_opener.calls()[i].second, help);
            QCOMPARE(m_opener.calls()[i].first, QDir::toNativeSeparators(QCoreApplication::applicationDirPath()));
        }
        form.followLink(u"http://www.s/"_s);
        m_opener.clear();
    }

    void runTimeFailuresAreReportedAndEndTheProgram()
    {
        QList<int> exits;
        const auto previousExit = fatal::setExitFunction([&](int status) { exits.append(status); });
        const auto restoreExit = qScopeGuard([&] { fatal::setExitFunction(previousExit); });
        gui::BoxCatcher boxes;

        fatal::guard(u"Заголовок"_s, [] { throw platform::RuntimeError(platform::ErrorNumber::FileNotFound); });
        QCOMPARE(boxes.texts.value(0), u"Run-time error '53':\n\nFile not found"_s);
        QCOMPARE(boxes.titles.value(0), u"Заголовок"_s);
        QCOMPARE(boxes.icons.value(0), QMessageBox::Critical);
        QCOMPARE(exits, QList<int>{1});

        // Running out of memory is reported as the runtime's error 7.
        fatal::guard(u"Собрание №1 Лоримунд Э Р"_s, [] { throw std::bad_alloc(); });
        QCOMPARE(exits, (QList<int>{1, 1}));
        QCOMPARE(boxes.texts.value(1), u"Run-time error '7':\n\nOut of memory"_s);
        QCOMPARE(boxes.titles.value(1), u"Собрание №1 Лоримунд Э Р"_s);
    }

    void windowGeometryAndLook()
    {
        AboutDialog about{platform::NativePath(folder())};
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
            {u"ideaLabel"_s, {16, 0, 231, 20}, u"Идея: Ян Мирский"_s},
            {u"photoSiteCaption"_s, {16, 24, 48, 20}, u"Сайт:"_s},
            {u"photoLink"_s, {72, 24, 402, 20}, u"Реставрация и смена фона фото по интернету"_s},
            {u"programmerLabel"_s, {104, 72, 282, 20}, u"Программист: Лев Орлов"_s},
            {u"emailLabel"_s, {104, 96, 242, 20}, u"E-mail: lo@example.org"_s},
            {u"siteCaption"_s, {104, 120, 48, 20}, u"Сайт:"_s},
            {u"siteLink"_s, {160, 120, 183, 20}, u"Программы для всех!"_s},
            {u"versionLabel"_s, {104, 144, 105, 20}, u"Версия: v2.0"_s},
            {u"dateLabel"_s, {104, 168, 218, 20}, u"Дата: 9 октября 2008 год"_s},
            {u"secondDateLabel"_s, {156, 192, 149, 20}, u"26 июля 2015 год"_s},
        };
        for (const Expected &e : labels) {
            auto *label = about.findChild<QLabel *>(e.name);
            QVERIFY2(label, qPrintable(e.name));
            QCOMPARE(label->geometry(), e.geometry);
            QCOMPARE(label->text(), e.text);
            // Every text fits its label, in the font the window has here.
            QVERIFY2(label->fontMetrics().horizontalAdvance(e.text) <= e.geometry.width(), qPrintable(e.name));
        }
        if (qEnvironmentVariable("FONTCONFIG_FILE") == QFINDTESTDATA("without-liberation.conf"))
            QVERIFY(!QFontInfo(about.font()).family().startsWith(u"Liberation"_s));
        // A link's text stands where a plain label's would, as its caption's does.
        for (LinkLabel *link : {about.siteLink(), about.photoLink()}) {
            QLabel plain(link->text(), &about);
            plain.setGeometry(link->geometry());
            plain.setPalette(link->palette());
            QCOMPARE(link->grab().toImage(), plain.grab().toImage());
        }
        // Ten texts and the picture, nothing else.
        QCOMPARE(about.findChildren<QLabel *>().size(), labels.size() + 1);

        for (LinkLabel *link : {about.siteLink(), about.photoLink()}) {
            QCOMPARE(link->palette().color(QPalette::WindowText), QColor(0, 0, 192));
            QCOMPARE(link->cursor().shape(), Qt::BitmapCursor);
            QCOMPARE(link->cursor().hotSpot(), QPoint(0, 0));
            QCOMPARE(link->cursor().pixmap().size(), QSize(32, 32));
        }
        QCOMPARE(about.siteLink()->target(), u"http://www.example.org/site/"_s);
        QVERIFY(QUrl(about.photoLink()->target()).path() == u"/"_s);

        const QList<std::tuple<QString, QRect, QPalette::ColorRole>> lines = {
            {u"upperDarkLine"_s, {8, 56, 472, 1}, QPalette::WindowText},
            {u"upperLightLine"_s, {8, 57, 472, 1}, QPalette::Base},
            {u"lowerDarkLine"_s, {8, 224, 472, 1}, QPalette::WindowText},
            {u"lowerLightLine"_s, {8, 225, 472, 1}, QPalette::Base},
        };
        for (const auto &[name, geometry, role] : lines) {
            auto *line = about.findChild<HorizontalLine *>(name);
            QVERIFY2(line, qPrintable(name));
            QCOMPARE(line->geometry(), geometry);
            QCOMPARE(line->color(), about.palette().color(role));
        }
        // Etched: dark over light, as drawn on the screen.
        const QImage shot = about.grab().toImage();
        QCOMPARE(shot.pixelColor(100, 56), about.palette().color(QPalette::WindowText));
        QCOMPARE(shot.pixelColor(100, 57), about.palette().color(QPalette::Base));

        auto *image = about.findChild<QLabel *>(u"picture"_s);
        QVERIFY(image);
        QCOMPARE(image->geometry(), QRect(16, 72, 71, 126));
        QCOMPARE(image->pixmap().size(), QSize(71, 126));
        QCOMPARE(image->pixmap().toImage().pixelColor(0, 0), QColor(192, 192, 192));

        QCOMPARE(about.stripes()->geometry(), QRect(8, 232, 80, 45));
        QCOMPARE(about.okButton()->geometry(), QRect(392, 236, 89, 33));
        QCOMPARE(about.okButton()->text(), u"OK"_s);
    }

    void windowGeometryAndLookWithoutLiberationFonts()
    {
        // Fonts are found once a process: the test above in one that sees no Liberation font.
        qputenv("FONTCONFIG_FILE", QFile::encodeName(QFINDTESTDATA("without-liberation.conf")));
        const int status = QProcess::execute(QCoreApplication::applicationFilePath(), {u"windowGeometryAndLook"_s});
        qunsetenv("FONTCONFIG_FILE");
        QCOMPARE(status, 0);
    }

    void okButtonFaceIsTheWindowsGrey()
    {
        AboutDialog about{platform::NativePath(folder())};
        about.show();
        QVERIFY(QTest::qWaitForWindowActive(&about));
        QCOMPARE(QApplication::focusWidget(), about.okButton());
        QCOMPARE(about.okButton()->palette().color(QPalette::Button), QColor(192, 192, 192));
        // As drawn, focused and default: the face left and right of the
        // caption, inside the bevel and the focus frame.
        const QImage face = about.okButton()->grab().toImage();
        QCOMPARE(face.size(), QSize(89, 33));
        for (const int left : {6, 64}) {
            for (int x = left; x < left + 18; ++x) {
                for (int y = 6; y < 26; ++y)
                    QCOMPARE(face.pixelColor(x, y), QColor(192, 192, 192));
            }
        }
    }

    void okHasTheFocusAndIsFirstInTabOrder()
    {
        AboutDialog about{platform::NativePath(folder())};
        about.show();
        QVERIFY(QTest::qWaitForWindowActive(&about));
        QCOMPARE(QApplication::focusWidget(), about.okButton());
        QVERIFY(about.okButton()->isDefault());
        // Tab goes from OK to the links, as they stand from the top, and
        // round again; Shift+Tab goes back. OK stays the default button throughout.
        QVERIFY(about.photoLink()->y() < about.siteLink()->y());
        for (QWidget *next : {static_cast<QWidget *>(about.photoLink()), static_cast<QWidget *>(about.siteLink()),
                              static_cast<QWidget *>(about.okButton()), static_cast<QWidget *>(about.photoLink())}) {
            QTest::keyClick(about.windowHandle(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
            QVERIFY(about.okButton()->isDefault());
        }
        QTest::keyClick(about.windowHandle(), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), about.okButton());
        // Enter with the focus on OK presses OK.
        QTest::keyClick(about.windowHandle(), Qt::Key_Return);
        QTRY_VERIFY(!about.isVisible());
        QCOMPARE(about.result(), int(QDialog::Accepted));
    }

    void linksAreFollowedFromTheKeyboard_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<int>("tabs");
        QTest::addColumn<int>("key");
        QTest::newRow("site link, Enter") << u"siteLink"_s << 2 << int(Qt::Key_Return);
        QTest::newRow("site link, keypad Enter") << u"siteLink"_s << 2 << int(Qt::Key_Enter);
        QTest::newRow("site link, Space") << u"siteLink"_s << 2 << int(Qt::Key_Space);
        QTest::newRow("photo link, Enter") << u"photoLink"_s << 1 << int(Qt::Key_Return);
        QTest::newRow("photo link, Space") << u"photoLink"_s << 1 << int(Qt::Key_Space);
    }

    void linksAreFollowedFromTheKeyboard()
    {
        QFETCH(QString, link);
        QFETCH(int, tabs);
        QFETCH(int, key);
        m_opener.clear();
        AboutDialog about{platform::NativePath(folder())};
        about.show();
        QVERIFY(QTest::qWaitForWindowActive(&about));
        auto *label = about.findChild<LinkLabel *>(link);
        QVERIFY(label);
        const QImage unfocused = label->grab().toImage();
        for (int i = 0; i < tabs; ++i)
            QTest::keyClick(about.windowHandle(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), label);
        // The focus shows.
        QVERIFY(label->grab().toImage() != unfocused);

        const Qt::KeyboardModifiers modifiers = key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier;
        QTest::keyClick(about.windowHandle(), Qt::Key(key), modifiers);
        QTRY_COMPARE(m_opener.calls().size(), 1);
        QCOMPARE(m_opener.calls()[0].second, link == u"photoLink"_s ? folder() + u"0.html"_s : label->target());
        // A key held down opens it no more.
        QKeyEvent repeated(QEvent::KeyPress, key, modifiers, QString(), true);
        QApplication::sendEvent(label, &repeated);
        // Time for a second opening to show; the key went to the link, not to OK.
        QTest::qWait(300);
        QCOMPARE(m_opener.calls().size(), 1);
        QVERIFY(about.isVisible());
        QCOMPARE(QApplication::focusWidget(), label);
        QVERIFY(about.okButton()->isDefault());
        QCOMPARE(QApplication::overrideCursor(), nullptr);
    }

    void linksAreLinksToAssistiveTechnology_data()
    {
        QTest::addColumn<QString>("link");
        QTest::newRow("site link") << u"siteLink"_s;
        QTest::newRow("photo link") << u"photoLink"_s;
    }

    void linksAreLinksToAssistiveTechnology()
    {
        QFETCH(QString, link);
        m_opener.clear();
        AboutDialog about{platform::NativePath(folder())};
        about.show();
        QVERIFY(QTest::qWaitForWindowActive(&about));
        auto *label = about.findChild<LinkLabel *>(link);
        QVERIFY(label);
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(label);
        QVERIFY(accessible);
        QCOMPARE(accessible->role(), QAccessible::Link);
        QCOMPARE(accessible->text(QAccessible::Name), label->text());
        QCOMPARE(accessible->text(QAccessible::Value), label->target());
        QVERIFY(accessible->state().focusable);
        QVERIFY(accessible->state().linked);
        QVERIFY(!accessible->state().focused);
        // Found among the window's children.
        QAccessibleInterface *window = QAccessible::queryAccessibleInterface(&about);
        QVERIFY(window);
        QVERIFY(window->indexOfChild(accessible) >= 0);

        QAccessibleActionInterface *actions = accessible->actionInterface();
        QVERIFY(actions);
        const QStringList names = actions->actionNames();
        QVERIFY2(names.contains(QAccessibleActionInterface::pressAction()), qPrintable(names.join(u',')));
        QVERIFY(!actions->keyBindingsForAction(QAccessibleActionInterface::pressAction()).isEmpty());
        actions->doAction(QAccessibleActionInterface::pressAction());
        QTRY_COMPARE(m_opener.calls().size(), 1);
        QCOMPARE(m_opener.calls()[0].second, link == u"photoLink"_s ? folder() + u"0.html"_s : label->target());

        actions->doAction(QAccessibleActionInterface::setFocusAction());
        QCOMPARE(QApplication::focusWidget(), label);
        QVERIFY(accessible->state().focused);
        QCOMPARE(m_opener.calls().size(), 1);
    }

    void stripes()
    {
        const auto check = [](AboutDialog *about) {
            const QImage &image = about->stripes()->image();
            QCOMPARE(image.size(), QSize(80, 45));
            for (int x : {0, 40, 79}) {
                for (int y = 0; y < 45; ++y) {
                    const QColor expected = y < 15    ? QColor(Qt::white)
                                            : y <= 30 ? QColor(0, 0, 255)
                                                      : QColor(255, 0, 0);
                    QCOMPARE(image.pixelColor(x, y), expected);
                }
            }
            // And on the screen.
            const QImage shot = about->stripes()->grab().toImage();
            QCOMPARE(shot.pixelColor(10, 20), QColor(0, 0, 255));
        };
        withAboutFromMenu(check);
        withAboutFromMenu(check);
    }

    void shownModallyOverTheMainWindow()
    {
        withAboutFromMenu([this](AboutDialog *about) {
            QVERIFY(about->isModal());
            QCOMPARE(about->parentWidget(), m_form.data());
            QVERIFY(about->isVisible());
        });
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QVERIFY(m_form->findChildren<AboutDialog *>().isEmpty());
    }

    void linkClicks()
    {
        m_opener.clear();
        AboutDialog about{platform::NativePath(folder())};
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));

        QTest::mouseClick(about.siteLink(), Qt::LeftButton, {}, QPoint(10, 10));
        QTRY_COMPARE(m_opener.calls().size(), 1);
        QCOMPARE(m_opener.calls()[0].second, u"http://www.example.org/site/"_s);
        QVERIFY(programFiles().isEmpty());
        QTRY_COMPARE(QApplication::overrideCursor(), nullptr);

        QTest::mouseClick(about.photoLink(), Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(programFiles(), QStringList{u"0.html"_s});
        QTRY_COMPARE(m_opener.calls().size(), 2);
        QCOMPARE(m_opener.calls()[1].second, folder() + u"0.html"_s);
        QTRY_COMPARE(QApplication::overrideCursor(), nullptr);

        // A second click writes the same file again.
        QTest::mouseClick(about.photoLink(), Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(programFiles(), QStringList{u"0.html"_s});
        QTRY_COMPARE(m_opener.calls().size(), 3);
    }

    void aDoubleClickOpensOnce()
    {
        m_opener.clear();
        AboutDialog about{platform::NativePath(folder())};
        about.show();
        QVERIFY(QTest::qWaitForWindowActive(&about));
        // Through the window, as the window system delivers it: press,
        // release, then a second press that is a double-click, release.
        const auto doubleClick = [&](LinkLabel *link) {
            QTest::mouseDClick(about.windowHandle(), Qt::LeftButton, {}, link->geometry().topLeft() + QPoint(10, 10));
        };
        doubleClick(about.siteLink());
        QTRY_COMPARE(m_opener.calls().size(), 1);
        doubleClick(about.photoLink());
        QTRY_COMPARE(m_opener.calls().size(), 2);
        // Time for a second opening to show.
        QTest::qWait(500);
        const auto calls = m_opener.calls();
        QCOMPARE(calls.size(), 2);
        QCOMPARE(calls[0].second, u"http://www.example.org/site/"_s);
        QCOMPARE(calls[1].second, folder() + u"0.html"_s);
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        // A click takes no focus: Enter still presses OK.
        QCOMPARE(QApplication::focusWidget(), about.okButton());
    }

    void okEscAndCloseButtonCloseIt()
    {
        for (int way = 0; way < 3; ++way) {
            AboutDialog about{platform::NativePath(folder())};
            about.show();
            QVERIFY(QTest::qWaitForWindowActive(&about));
            if (way == 0)
                QTest::mouseClick(about.okButton(), Qt::LeftButton);
            else if (way == 1)
                QTest::keyClick(&about, Qt::Key_Escape);
            else
                about.close();
            QTRY_VERIFY(!about.isVisible());
        }
    }

    void aFailedHandOffIsReportedInABox_data()
    {
        QTest::addColumn<QString>("command");
        // The opener's exit status; -1: nothing on the path opens anything.
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("why");
        for (const QString &command : {u"F1"_s, u"siteLink"_s, u"photoLink"_s}) {
            QTest::addRow("%s, no opener", qPrintable(command)) << command << -1 << u"нет программы xdg-open"_s;
            QTest::addRow("%s, no browser", qPrintable(command)) << command << 3 << u"не нашла программу"_s;
        }
    }

    void aFailedHandOffIsReportedInABox()
    {
        QFETCH(QString, command);
        QFETCH(int, status);
        QFETCH(QString, why);
        m_opener.clear();
        m_opener.exitWith(qMax(status, 0));
        const auto succeedAgain = qScopeGuard([] { FakeOpener::exitWith(0); });
        QTemporaryDir empty;
        const QByteArray path = qgetenv("PATH");
        const auto restorePath = qScopeGuard([&] { qputenv("PATH", path); });
        if (status < 0)
            qputenv("PATH", QFile::encodeName(empty.path()));

        gui::BoxCatcher boxes;
        QString named;
        if (command == u"F1"_s) {
            named = m_form->collection().appDir() + u"Справка.htm"_s;
            gui::pressKey(m_form, Qt::Key_F1);
            QTRY_COMPARE(boxes.texts.size(), 1);
        } else {
            withAboutFromMenu([&](AboutDialog *about) {
                auto *link = about->findChild<LinkLabel *>(command);
                QVERIFY(link);
                named = link->target();
                QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(10, 10));
                QTRY_COMPARE(boxes.texts.size(), 1);
                // Once: the box is all that happened.
                QVERIFY(about->isVisible());
            });
        }
        QCOMPARE(boxes.titles.value(0), u"Собрание №1 Лоримунд Э Р"_s);
        QCOMPARE(boxes.icons.value(0), QMessageBox::Critical);
        const QString text = boxes.texts.value(0);
        QVERIFY2(text.contains(u"«"_s + named + u"»"_s) && text.contains(why), qPrintable(text));
        QCOMPARE(boxes.busy.value(0), false);
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        QTest::qWait(100);
        QCOMPARE(boxes.texts.size(), 1);
        QCOMPARE(m_opener.calls().size(), status < 0 ? 0 : 1);
    }

    // A slow opener: the ordinary pointer is back once it runs, and its late
    // failure, with the About window gone, is told over the main window.
    void aSlowOpenerThatFailsLate()
    {
        m_opener.clear();
        m_opener.exitWith(3);
        const auto succeedAgain = qScopeGuard([] { FakeOpener::exitWith(0); });
        QTemporaryFile hold;
        QVERIFY(hold.open());
        qputenv("SOBRANIE_OPENER_HOLD", QFile::encodeName(hold.fileName()));
        withAboutFromMenu([this](AboutDialog *about) {
            QTest::mouseClick(about->siteLink(), Qt::LeftButton, {}, QPoint(10, 10));
            QTRY_COMPARE(m_opener.calls().size(), 1);
            QTRY_COMPARE(QApplication::overrideCursor(), nullptr);
        });
        gui::BoxCatcher boxes;
        hold.remove();
        // Waited for even when the test has failed already, so no box is left open.
        QVERIFY(QTest::qWaitFor([&boxes] { return boxes.texts.size() == 1; }));
    }

    void aProgramFolderThatCannotBeWrittenSendsThePageToTheUsersOwn_data()
    {
        QTest::addColumn<bool>("runtimeUsable");
        QTest::newRow("runtime folder") << true;
        QTest::newRow("cache folder") << false;
    }

    void aProgramFolderThatCannotBeWrittenSendsThePageToTheUsersOwn()
    {
        QFETCH(bool, runtimeUsable);
        m_opener.clear();
        QTemporaryDir runtime;
        QTemporaryDir cache;
        const QByteArray oldRuntime = qgetenv("XDG_RUNTIME_DIR");
        const QByteArray oldCache = qgetenv("XDG_CACHE_HOME");
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
        if (!runtimeUsable) {
            QFile blocker(runtime.filePath(u"sobranie"_s));
            QVERIFY(blocker.open(QIODevice::WriteOnly));
        }
        // Permission bits stop nothing for root: every name a page could
        // have in the program folder is taken instead.
        QDir program(m_program.path());
        for (int n = 0; n < 100; ++n)
            QVERIFY(program.mkdir(QString::number(n) + u".html"_s));
        const auto restore = qScopeGuard([&] {
            qputenv("XDG_RUNTIME_DIR", oldRuntime);
            qputenv("XDG_CACHE_HOME", oldCache);
            for (int n = 0; n < 100; ++n)
                program.rmdir(QString::number(n) + u".html"_s);
        });

        withAboutFromMenu([&](AboutDialog *about) {
            QTest::mouseClick(about->photoLink(), Qt::LeftButton, {}, QPoint(10, 10));
            QTRY_COMPARE(m_opener.calls().size(), 1);
        });
        const QString page = (runtimeUsable ? runtime.path() : cache.path()) + u"/sobranie/0.html"_s;
        const auto calls = m_opener.calls();
        QCOMPARE(calls.size(), 1);
        QCOMPARE(calls[0].second, page);
        QCOMPARE(calls[0].first, QDir::toNativeSeparators(QCoreApplication::applicationDirPath()));
        QFile written(page);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QVERIFY(written.readAll().contains("url=http://photo.example.org/'"));
        QVERIFY(programFiles().isEmpty());
    }
};

SOBRANIE_GUI_TEST_MAIN(tst_about)
#include "tst_about.moc"
