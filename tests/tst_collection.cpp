// Start-up: folder rules, work names, enumeration and the catalogue page.
#include "format/Collection.h"
#include "format/Pages.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString Head =
    u"<html><style>.txt {FONT-SIZE: 14pt; FONT-FAMILY: Times New Roman; COLOR: blue; TEXT-DECORATION:  none; } "
    u"a:hover{color:red}</style><head><meta http-equiv='Content-Type' content='text/html; charset=windows-1251'>"
    u"</head><body topmargin=0 leftmargin=0 rightmargin=0><center><font face='Times New Roman' size='6'>"
    u"Лоримунд Эльвар Ристевин</font><br><a class='txt' href='http://www.b'>Биография</a><br><font face='Times "
    u"New Roman' size='4'>Список произведений F4</font><table><td>"_s;
const QString Tail = u"<br></td></table></center></body></html>"_s;

} // namespace

class tst_collection : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void appDir_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("appDir");
        QTest::newRow("windows") << u"C:\\Program Files\\Собрание"_s << u"C:\\Program Files\\Собрание\\"_s;
        QTest::newRow("windows root") << u"D:\\"_s << u"D:\\"_s;
        QTest::newRow("posix") << u"/opt/sobranie"_s << u"/opt/sobranie/"_s;
        QTest::newRow("posix root") << u"/"_s << u"/"_s;
        QTest::newRow("backslash wins") << u"/odd\\name/dir"_s << u"/odd\\name/dir\\"_s;
        QTest::newRow("empty") << u""_s << u"/"_s;
    }

    void appDir()
    {
        QFETCH(QString, folder);
        QFETCH(QString, appDir);
        QCOMPARE(Collection::appDirFrom(folder), appDir);
    }

    void workNames_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << u"Осень.dat"_s << u"Осень"_s;
        QTest::newRow("capitals") << u"ОСЕНЬ.DAT"_s << u"ОСЕНЬ"_s;
        QTest::newRow("several dots") << u"Том 1. Глава 2.dat"_s << u"Том 1. Глава 2"_s;
        QTest::newRow("only the extension") << u".dat"_s << u""_s;
    }

    void workNames()
    {
        QFETCH(QString, file);
        QFETCH(QString, name);
        QCOMPARE(Collection::workNameOf(file), name);
    }

    void pageWithoutWorks() { QCOMPARE(pages::cataloguePage({}), Head + Tail); }

    void pageWithOneWork()
    {
        QCOMPARE(pages::cataloguePage({u"Ода"_s}),
                 Head + u"<a class='txt' href='http://www.t0'>1) Ода</a><br>"_s + Tail);
    }

    void pageWithThreeWorks()
    {
        const QString page = pages::cataloguePage({u"Том 1. Глава 2"_s, u"<b>Жирный</b>"_s, u""_s});
        QCOMPARE(page, Head
                           + u"<a class='txt' href='http://www.t0'>1) Том 1. Глава 2</a><br>"
                             u"<a class='txt' href='http://www.t1'>2) <b>Жирный</b></a><br>"
                             u"<a class='txt' href='http://www.t2'>3) </a><br>"_s
                           + Tail);
        QVERIFY(!page.contains(u'\n'));
    }

    void catalogueLineNumbers()
    {
        QCOMPARE(pages::catalogueLine(9, u"x"_s), u"<a class='txt' href='http://www.t9'>10) x</a><br>"_s);
        QVERIFY_THROWS_EXCEPTION(std::exception, (void)pages::catalogueLine(2147483647, u"x"_s));
    }

    void loadEnumeratesTheDataFolder()
    {
        QTemporaryDir program;
        QDir root(program.path());
        QVERIFY(root.mkpath(u"Data/folder.dat"_s));
        for (const QString &name : {u"в.dat"_s, u"А.DAT"_s, u"Б.Dat"_s, u".hidden.dat"_s, u"note.txt"_s}) {
            QFile f(root.filePath(u"Data/"_s + name));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        const Collection c = Collection::load(program.path());
        const QString page = c.cataloguePage();
        QCOMPARE(c.appDir(), program.path() + u'/');
        QCOMPARE(c.dataDir(), program.path() + u"/Data/"_s);
        QCOMPARE(c.workNames(), (QStringList{u"А"_s, u"Б"_s, u"в"_s}));
        QCOMPARE(c.workCount(), 2);
        QCOMPARE(page, pages::cataloguePage(c.workNames()));
        QVERIFY(page.contains(u"href='http://www.t2'>3) в</a>"_s));
    }

    void loadWithoutDataFolder()
    {
        QTemporaryDir program;
        const Collection c = Collection::load(program.path() + u'/');
        QCOMPARE(c.appDir(), program.path() + u'/');
        QCOMPARE(c.workNames(), QStringList{QString()});
        QCOMPARE(c.workCount(), -1);
        QCOMPARE(c.cataloguePage(), Head + Tail);
    }
};

QTEST_GUILESS_MAIN(tst_collection)
#include "tst_collection.moc"
