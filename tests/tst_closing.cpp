// Closing the reader at any moment ends it cleanly: during start-up, while a
// large page is being written, right after the window appears. Each case
// runs the reader in a child process (this program again) and looks at how
// it ended.
#include "TestFiles.h"
#include "format/WorkFile.h"
#include "platform/NativePath.h"
#include "ui/MainWindow.h"
#include "ui/StartReader.h"
#include "view/PageView.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

using testfiles::writeFile;

// The child: the reader as main() runs it, with a close scheduled from the
// outside, at a given time after the window first gets to the event loop.
int runChild()
{
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // What the reader keeps from run to run goes nowhere the next run sees.
    QTemporaryDir state;
    qputenv("XDG_STATE_HOME", state.path().toLocal8Bit());
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QLoggingCategory::setFilterRules(u"qt.webenginecontext.info=false"_s);
    int argc = 1;
    char name[] = "tst_closing";
    char *argv[] = {name, nullptr};
    QApplication app(argc, argv);

    const QString folder = qEnvironmentVariable("TST_CLOSING_FOLDER");
    const int work = qEnvironmentVariableIntValue("TST_CLOSING_OPEN");
    const int afterMs = qEnvironmentVariableIntValue("TST_CLOSING_AFTER_MS");
    const bool byMenu = qEnvironmentVariable("TST_CLOSING_WAY") == u"menu"_s;

    QTimer find;
    QObject::connect(&find, &QTimer::timeout, &app, [&] {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            auto *window = qobject_cast<MainWindow *>(widget);
            if (!window)
                continue;
            find.stop();
            if (work >= 0)
                window->openWork(work);
            QTimer::singleShot(afterMs, window, [window, byMenu] {
                std::printf("closing while %s\n",
                            window->pageView()->loadState() == PageView::LoadState::Loading ? "writing" : "idle");
                std::fflush(stdout);
                if (byMenu)
                    window->findChild<QAction *>(u"exitAction"_s)->trigger();
                else
                    window->close();
            });
            return;
        }
    });
    find.start(0);
    return runReader(platform::NativePath(folder));
}

} // namespace

class tst_closing : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_largeCatalogue;
    QTemporaryDir m_largeWork;

private Q_SLOTS:
    void initTestCase()
    {
        // A catalogue of some 5 million characters: long names, many works.
        QVERIFY(QDir(m_largeCatalogue.path()).mkpath(u"Data"_s));
        const QString stem = QString(190, u'x');
        for (int i = 0; i < 25000; ++i)
            writeFile(m_largeCatalogue.filePath(u"Data/%1 %2.dat"_s.arg(i, 5, 10, QChar(u'0')).arg(stem)), "1\r\n");

        // One work of about 5 MB.
        QVERIFY(QDir(m_largeWork.path()).mkpath(u"Data"_s));
        QStringList lines;
        for (int i = 0; i < 62000; ++i)
            lines.append(
                u"Строка %1: и ветер, вечно молодым прикинувшись, бредёт свободно по саду над рекой."_s.arg(i));
        const QByteArray work = workfile::encodeWork(7, lines);
        QVERIFY(work.size() > 5'000'000);
        writeFile(m_largeWork.filePath(u"Data/Большое.dat"_s), work);
    }

    void closingEndsTheProgramCleanly_data()
    {
        QTest::addColumn<bool>("largeWork");
        QTest::addColumn<int>("afterMs");
        QTest::addColumn<QString>("way");
        QTest::addColumn<bool>("whileWriting");
        QTest::newRow("start-up, at once") << false << 0 << u"close"_s << true;
        QTest::newRow("start-up, 300 ms, by the menu") << false << 300 << u"menu"_s << true;
        QTest::newRow("start-up, 1 s") << false << 1000 << u"close"_s << false;
        QTest::newRow("5 MB work, at once") << true << 0 << u"close"_s << true;
        QTest::newRow("5 MB work, 400 ms, by the menu") << true << 400 << u"menu"_s << true;
        QTest::newRow("5 MB work, 0.8 s") << true << 800 << u"close"_s << true;
    }

    void closingEndsTheProgramCleanly()
    {
        QFETCH(bool, largeWork);
        QFETCH(int, afterMs);
        QFETCH(QString, way);
        QFETCH(bool, whileWriting);

        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"TST_CLOSING_CHILD"_s, u"1"_s);
        env.insert(u"TST_CLOSING_FOLDER"_s, largeWork ? m_largeWork.path() : m_largeCatalogue.path());
        env.insert(u"TST_CLOSING_OPEN"_s, largeWork ? u"0"_s : u"-1"_s);
        env.insert(u"TST_CLOSING_AFTER_MS"_s, QString::number(afterMs));
        env.insert(u"TST_CLOSING_WAY"_s, way);
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(child.waitForStarted());
        // A close that got lost would leave the child running.
        QVERIFY2(child.waitForFinished(60000), "the reader did not end");
        const QString out = QString::fromUtf8(child.readAllStandardOutput());
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
        QVERIFY2(out.contains(u"closing while"_s), qPrintable(out));
        // The moments are chosen inside the write; make sure they were.
        if (whileWriting)
            QVERIFY2(out.contains(u"closing while writing"_s), qPrintable(out));
    }
};

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsSet("TST_CLOSING_CHILD"))
        return runChild();
    QCoreApplication app(argc, argv);
    tst_closing test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_closing.moc"
