// A collection as it arrives from Windows, in a real window: works whose
// names differ in case or are in windows-1251 open from the catalogue; a FIFO
// swapped in for a work is reported at once; a data folder that cannot be
// listed ends the start; a program folder whose path is not UTF-8 works.
#include "FakeOpener.h"
#include "FileMakers.h"
#include "GuiHelpers.h"

#include "format/WorkFile.h"
#include "platform/NativePath.h"
#include "platform/Windows1251.h"
#include "ui/FatalReport.h"
#include "ui/MainWindow.h"
#include "ui/StartReader.h"

#include <QDir>
#include <QElapsedTimer>
#include <QScopeGuard>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString Caption = u"Собрание №1 Лоримунд Э Р"_s;
// "Русский" in windows-1251.
const QByteArray Russkij1251 = "\xD0\xF3\xF1\xF1\xEA\xE8\xE9";

// What starting the reader from a program folder led to: the window, or the
// boxes shown and the exit taken instead.
struct Start
{
    QPointer<MainWindow> window;
    QStringList texts;
    QStringList titles;
    QList<int> exits;
};

Start startFrom(const platform::NativePath &programFolder)
{
    Start start;
    const auto previousExit = fatal::setExitFunction([&](int status) { start.exits.append(status); });
    const auto restoreExit = qScopeGuard([&] { fatal::setExitFunction(previousExit); });
    gui::BoxCatcher boxes;
    start.window = startReader(programFolder);
    start.texts = boxes.texts;
    start.titles = boxes.titles;
    return start;
}

} // namespace

class tst_arrivals : public QObject
{
    Q_OBJECT

private:
    files::TemporaryFolder m_program;
    QPointer<MainWindow> m_form;

    [[nodiscard]] QByteArray dataBytes(const QByteArray &name) const
    {
        return files::bytes(m_program.filePath(u"Data/"_s)) + name;
    }
    [[nodiscard]] int indexOf(const QString &work) const
    {
        return static_cast<int>(m_form->collection().workNames().indexOf(work));
    }

    void clickWork(const QString &work)
    {
        const int index = indexOf(work);
        QVERIFY2(index >= 0, qPrintable(work));
        gui::clickLink(m_form, u"http://www.t%1"_s.arg(index), u"http://www.t%1/"_s.arg(index));
    }

    void backToCatalogue()
    {
        m_form->followLink(u"http://www.s/"_s);
        QTRY_VERIFY_WITH_TIMEOUT(gui::showsCatalogue(m_form), 20000);
        QTest::mouseMove(gui::input(m_form), QPoint(m_form->pageView()->width() - 5, m_form->pageView()->height() - 5));
        QTRY_VERIFY_WITH_TIMEOUT(gui::statusText(m_form).isEmpty(), 20000);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_program.isValid());
        QVERIFY(QDir(m_program.path()).mkpath(u"Data"_s));
        QVERIFY(
            files::makeRaw(dataBytes(u"Заглавные.DAT"_s.toUtf8()), workfile::encodeWork(1, {u"Текст заглавных"_s})));
        QVERIFY(
            files::makeRaw(dataBytes(u"Смешанные.Dat"_s.toUtf8()), workfile::encodeWork(2, {u"Текст смешанных"_s})));
        QVERIFY(files::makeRaw(dataBytes(Russkij1251 + ".dat"), workfile::encodeWork(3, {u"Текст русского"_s})));
        QVERIFY(files::makeRaw(dataBytes(u"Труба.dat"_s.toUtf8()), workfile::encodeWork(4, {u"Текст трубы"_s})));
        // Never a work: a click on it would read without end.
        QVERIFY(files::makeLink("/dev/zero", dataBytes("zero.dat")));

        m_form = startReader(platform::NativePath(m_program.path()));
        QVERIFY(m_form);
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form));
    }

    void cleanupTestCase() { delete m_form.data(); }

    void theCatalogueListsWhatArrived()
    {
        QTRY_VERIFY_WITH_TIMEOUT(gui::showsCatalogue(m_form), 20000);
        const QString text = gui::bodyText(gui::page(m_form));
        for (const QString &line : {u"1) Заглавные"_s, u"2) Русский"_s, u"3) Смешанные"_s, u"4) Труба"_s})
            QVERIFY2(text.contains(line), qPrintable(line));
        QVERIFY(!text.contains(u"zero"_s));
        QVERIFY(!text.contains(u"5)"_s));
    }

    void worksOpenFromTheCatalogue_data()
    {
        QTest::addColumn<QString>("work");
        QTest::addColumn<QString>("text");
        QTest::newRow(".DAT") << u"Заглавные"_s << u"Текст заглавных"_s;
        QTest::newRow(".Dat") << u"Смешанные"_s << u"Текст смешанных"_s;
        QTest::newRow("windows-1251 name") << u"Русский"_s << u"Текст русского"_s;
    }

    void worksOpenFromTheCatalogue()
    {
        QFETCH(QString, work);
        QFETCH(QString, text);
        backToCatalogue();
        gui::BoxCatcher boxes;
        clickWork(work);
        QTRY_VERIFY_WITH_TIMEOUT(gui::bodyText(gui::page(m_form)).contains(text), 20000);
        QVERIFY(gui::bodyText(gui::page(m_form)).contains(work));
        QVERIFY(m_form->catalogueAction()->isEnabled());
        QCOMPARE(boxes.texts, QStringList());
    }

    void aFifoSwappedInIsReportedAtOnce()
    {
        backToCatalogue();
        const QByteArray fifo = dataBytes(u"Труба.dat"_s.toUtf8());
        QVERIFY(::unlink(fifo.constData()) == 0);
        QVERIFY(files::makeFifo(fifo));
        // Should the reader wait on the FIFO, it is freed later, too late.
        const files::FifoRescuer rescuer(fifo);
        gui::BoxCatcher boxes;
        // Hovered first, as gui::clickLink does; timed from the click.
        const int index = indexOf(u"Труба"_s);
        const QPoint at = gui::centreOf(gui::page(m_form), u"a[href='http://www.t%1']"_s.arg(index));
        QVERIFY(at.x() >= 0);
        QTest::mouseMove(gui::input(m_form), at);
        QTRY_COMPARE_WITH_TIMEOUT(gui::statusText(m_form), u"http://www.t%1/"_s.arg(index), 20000);
        QElapsedTimer sinceClick;
        sinceClick.start();
        QTest::mouseClick(gui::input(m_form), Qt::LeftButton, {}, at);
        QTRY_COMPARE_WITH_TIMEOUT(boxes.texts.size(), 1, 10000);
        // The wait counts turns of the event loop, not time: a blocked open is one turn.
        QVERIFY2(sinceClick.elapsed() < 1000, qPrintable(u"%1 ms"_s.arg(sinceClick.elapsed())));
        QCOMPARE(boxes.texts[0], u"Файл \""_s + m_form->collection().dataDir() + u"Труба.dat\" открыть не возможно."_s);
        QCOMPARE(boxes.titles[0], Caption);
        QCOMPARE(boxes.icons[0], QMessageBox::Critical);
        QVERIFY(gui::showsCatalogue(m_form));
        QVERIFY(!m_form->catalogueAction()->isEnabled());
    }

    void aDataFolderThatCannotBeListedEndsTheStart()
    {
        QTemporaryDir program;
        QVERIFY(files::makeLinkLoop(files::bytes(program.filePath(u"Data"_s))));
        const Start start = startFrom(platform::NativePath(program.path()));
        QVERIFY(!start.window);
        QCOMPARE(start.texts, QStringList{u"Run-time error '75':\n\nPath/File access error"_s});
        QCOMPARE(start.titles, QStringList{Caption});
        QCOMPARE(start.exits, QList<int>{1});
    }

    // A collection unpacked from a Windows archive under its own Russian
    // folder name: everything in it named in one code page, the program
    // folder's path included.
    void aProgramFolderNotInUtf8Works_data()
    {
        QTest::addColumn<platform::CodePage>("page");
        QTest::newRow("windows-1251") << platform::CodePage::Windows1251;
        QTest::newRow("cp866") << platform::CodePage::Cp866;
        QTest::newRow("cp866 as unzip converted it") << platform::CodePage::Cp866Unzipped;
    }

    void aProgramFolderNotInUtf8Works()
    {
        QFETCH(platform::CodePage, page);
        const auto named = [page](const QString &name) { return platform::codepage::encode(name, page); };
        files::TemporaryFolder root;
        const QByteArray program = files::bytes(root.path()) + '/' + named(u"Собрание"_s);
        QVERIFY(::mkdir(program.constData(), 0755) == 0);
        QVERIFY(::mkdir((program + "/Data").constData(), 0755) == 0);
        QVERIFY(files::makeRaw(program + "/Data/" + named(u"Ода.dat"_s), workfile::encodeWork(1, {u"Текст оды"_s})));
        QVERIFY(files::makeRaw(program + "/Data/" + named(u"Осенняя элегия.dat"_s),
                               workfile::encodeWork(2, {u"Текст элегии"_s})));
        QVERIFY(files::makeRaw(program + "/Data/" + named(u"Биография.html"_s),
                               platform::windows1251::encode(u"<html><body><p>Жизнь поэта</p></body></html>"_s)));
        QVERIFY(files::makeRaw(program + '/' + named(u"Справка.htm"_s), "<html></html>"));
        const FakeOpener opener;

        const Start start = startFrom(platform::NativePath::fromNative(program));
        QVERIFY(start.window);
        // The helpers act on this window meanwhile.
        const QPointer<MainWindow> collectionWindow = std::exchange(m_form, start.window);
        const auto closeWindow = qScopeGuard([&] { delete std::exchange(m_form, collectionWindow).data(); });
        QCOMPARE(start.texts, QStringList());
        QTRY_VERIFY_WITH_TIMEOUT(gui::showsCatalogue(m_form), 20000);
        const QString catalogue = gui::bodyText(gui::page(m_form));
        QVERIFY2(catalogue.contains(u"1) Ода"_s) && catalogue.contains(u"2) Осенняя элегия"_s), qPrintable(catalogue));

        gui::BoxCatcher boxes;
        clickWork(u"Осенняя элегия"_s);
        QTRY_VERIFY_WITH_TIMEOUT(gui::bodyText(gui::page(m_form)).contains(u"Текст элегии"_s), 20000);
        backToCatalogue();
        gui::clickLink(m_form, u"http://www.b"_s, u"http://www.b/"_s);
        QTRY_VERIFY_WITH_TIMEOUT(gui::bodyText(gui::page(m_form)).contains(u"Жизнь поэта"_s), 20000);
        QCOMPARE(boxes.texts, QStringList());

        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form));
        gui::pressKey(m_form, Qt::Key_F1);
        QTRY_COMPARE_WITH_TIMEOUT(opener.targetsFound(), QList<bool>{true}, 10000);
        QCOMPARE(boxes.texts, QStringList());
    }
};

SOBRANIE_GUI_TEST_MAIN(tst_arrivals)
#include "tst_arrivals.moc"
