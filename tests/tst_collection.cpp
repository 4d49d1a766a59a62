// Start-up: folder rules, work names, enumeration and the catalogue page.
#include "FileMakers.h"

#include "format/Collection.h"
#include "format/Pages.h"
#include "platform/RuntimeError.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString Head =
    u"<html><style>.txt {FONT-SIZE: 14pt; FONT-FAMILY: Times New Roman; COLOR: blue; TEXT-DECORATION:  none; } "
    u"a:hover{color:red}</style><head><meta http-equiv='Content-Type' content='text/html; charset=windows-1251'>"
    u"</head><body topmargin=0 leftmargin=0 rightmargin=0><center><font face='Times New Roman' size='6'>"
    u"Лоримунд Эльвар Ристевин</font><br><a class='txt' href='http://www.b'>Биография</a><br><font face='Times "
    u"New Roman' size='4'>Список произведений F4</font><table><td>"_s;
const QString Tail = u"<br></td></table></center></body></html>"_s;

// How a name is spelled on disk: its code page (none: UTF-8) and its form.
enum class Form { AsWritten, Small, Capitals, WithoutYa, OtherExtension };
struct Spelling
{
    std::optional<platform::CodePage> page;
    Form form = Form::AsWritten;
    friend bool operator==(const Spelling &, const Spelling &) = default;
};

QString written(const QString &name, Form form)
{
    // Without «я»: as unzip leaves a windows-1251 name.
    return form == Form::Small            ? name.toLower()
           : form == Form::Capitals       ? name.toUpper()
           : form == Form::WithoutYa      ? QString(name).remove(u'я')
           : form == Form::OtherExtension ? name.chopped(1)
                                          : name;
}

} // namespace

Q_DECLARE_METATYPE(Spelling)

class tst_collection : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void appDir_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QChar>("separator");
        QTest::addColumn<QString>("appDir");
        QTest::newRow("windows") << u"C:\\Program Files\\Собрание"_s << QChar(u'\\')
                                 << u"C:\\Program Files\\Собрание\\"_s;
        QTest::newRow("windows root") << u"D:\\"_s << QChar(u'\\') << u"D:\\"_s;
        // Windows takes "/" for a separator too.
        QTest::newRow("windows, given with /") << u"C:/Собрание/"_s << QChar(u'\\') << u"C:/Собрание/"_s;
        QTest::newRow("posix") << u"/opt/sobranie"_s << QChar(u'/') << u"/opt/sobranie/"_s;
        QTest::newRow("posix root") << u"/"_s << QChar(u'/') << u"/"_s;
        // A backslash is an ordinary character in a POSIX name.
        QTest::newRow("posix backslash") << u"/odd\\name/dir"_s << QChar(u'/') << u"/odd\\name/dir/"_s;
        QTest::newRow("posix ending in a backslash") << u"/odd\\"_s << QChar(u'/') << u"/odd\\/"_s;
        QTest::newRow("empty") << u""_s << QChar(u'/') << u"/"_s;
        QTest::newRow("empty on windows") << u""_s << QChar(u'\\') << u"\\"_s;
    }

    void appDir()
    {
        QFETCH(QString, folder);
        QFETCH(QChar, separator);
        QFETCH(QString, appDir);
        QCOMPARE(Collection::appDirFrom(folder, separator), appDir);
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
        const QString page = Head + u"<a class='txt' href='http://www.t0'>1) Ода</a><br>"_s + Tail;
        QCOMPARE(pages::cataloguePage({u"Ода"_s}), page);
        // The same through a collection that holds the one work.
        QTemporaryDir program;
        QVERIFY(QDir(program.path()).mkpath(u"Data"_s)
                && files::makeRaw(files::bytes(program.filePath(u"Data/Ода.dat"_s))));
        QCOMPARE(Collection::load(platform::NativePath(program.path())).cataloguePage(), page);
    }

    void pageWithThreeWorks()
    {
        const QString page = pages::cataloguePage({u"Том 1. Глава 2"_s, u"<b>Жирный</b> &amp; Ко"_s, u""_s});
        QCOMPARE(page, Head
                           + u"<a class='txt' href='http://www.t0'>1) Том 1. Глава 2</a><br>"
                             u"<a class='txt' href='http://www.t1'>2) &lt;b&gt;Жирный&lt;/b&gt; &amp; Ко</a><br>"
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
        files::TemporaryFolder program;
        const QChar separator(platform::PathSeparator);
        const QByteArray data = files::bytes(program.path() + separator + u"Data"_s + separator);
        QVERIFY(files::makeFolder(data));
        for (const QString &name : {u"в.dat"_s, u"А.DAT"_s, u"Б.Dat"_s, u".hidden.dat"_s, u"note.txt"_s})
            QVERIFY(files::makeRaw(data + name.toUtf8()));
        // "Г.dat" and "Дом.DAT" written by a program that names files in windows-1251.
        QVERIFY(files::makeRaw(data + "\xC3.dat"));
        QVERIFY(files::makeRaw(data + "\xC4\xEE\xEC.DAT"));
#ifdef Q_OS_WIN
        // Where a symbolic link cannot be made, a second name all the same.
        QVERIFY(files::makeHardLink(data + u"в.dat"_s.toUtf8(), data + "link.dat"));
#else
        QVERIFY(files::makeLink(data + u"в.dat"_s.toUtf8(), data + "link.dat"));
#endif
        // Names that are not files are not works.
        QVERIFY(files::makeFolder(data + "folder.dat"));
#ifndef Q_OS_WIN
        QVERIFY(files::makeFifo(data + u"труба.dat"_s.toUtf8()));
        QVERIFY(files::makeLink("/dev/zero", data + "zero.dat"));
        QVERIFY(files::makeLink(data + "gone", data + "gone.dat"));
        QVERIFY(files::makeLinkLoop(data + "loop.dat"));
#endif

        const Collection c = Collection::load(platform::NativePath(program.path()));
        const QString page = c.cataloguePage();
        QCOMPARE(c.appDir(), program.path() + separator);
        QCOMPARE(c.dataDir(), program.path() + separator + u"Data"_s + separator);
        QCOMPARE(c.workNames(), (QStringList{u"link"_s, u"А"_s, u"Б"_s, u"в"_s, u"Г"_s, u"Дом"_s}));
        QCOMPARE(c.lastWorkIndex(), 5);
        QCOMPARE(page, pages::cataloguePage(c.workNames()));
        QVERIFY(page.contains(u"href='http://www.t5'>6) Дом</a>"_s));

        // Each work's file is the name as it was found, in its case and its bytes.
        const QList<QByteArray> found{"link.dat",          u"А.DAT"_s.toUtf8(), u"Б.Dat"_s.toUtf8(),
                                      u"в.dat"_s.toUtf8(), "\xC3.dat",          "\xC4\xEE\xEC.DAT"};
        const QStringList shown{u"link.dat"_s, u"А.DAT"_s, u"Б.Dat"_s, u"в.dat"_s, u"Г.dat"_s, u"Дом.DAT"_s};
        for (std::int32_t i = 0; i <= c.lastWorkIndex(); ++i) {
            QCOMPARE(c.workPath(i).native(), files::native(data + found[i]));
            QCOMPARE(c.workPath(i).text(), c.dataDir() + shown[i]);
        }
        SKIP_ON_WINDOWS("listed without the FIFO and the symbolic links, which Windows lacks");
    }

    void folderWithABackslashIsAnOrdinaryFolder()
    {
        SKIP_ON_WINDOWS("a backslash separates names on Windows");
        QTemporaryDir root;
        const QString program = root.filePath(u"Собрание\\1"_s);
        QVERIFY(QDir().mkpath(program + u"/Data"_s));
        QVERIFY(files::makeRaw(files::bytes(program + u"/Data/Ода.dat"_s)));
        const Collection c = Collection::load(platform::NativePath(program));
        QCOMPARE(c.appDir(), program + u'/');
        QCOMPARE(c.dataDir(), program + u"/Data/"_s);
        QCOMPARE(c.workNames(), QStringList{u"Ода"_s});
        QCOMPARE(c.helpPath().text(), program + u"/Справка.htm"_s);
        QCOMPARE(c.workPath(0).text(), program + u"/Data/Ода.dat"_s);
    }

    // Under each spelling an archive may have left them in, in any letter
    // case as Windows finds them; the name as written first.
    void biographyAndHelpUnderEverySpelling_data()
    {
        QTest::addColumn<QByteArray>("programName");
        QTest::addColumn<QByteArray>("dataName");
        QTest::addColumn<QList<Spelling>>("present");
        QTest::addColumn<Spelling>("found");
        const auto row = [](const char *name, const QList<Spelling> &present, const Spelling &found,
                            const QByteArray &dataName = "Data", const QByteArray &programName = {}) {
            QTest::newRow(name) << programName << dataName << present << found;
        };
        using P = platform::CodePage;
        const Spelling utf8;
        row("UTF-8", {utf8}, utf8);
        row("windows-1251", {{P::Windows1251}}, {P::Windows1251});
        row("cp866", {{P::Cp866}}, {P::Cp866});
        row("cp866 as unzip converted it", {{P::Cp866Unzipped}}, {P::Cp866Unzipped});
        row("KOI8-R", {{P::Koi8r}}, {P::Koi8r});
        row("UTF-8 before cp866", {{P::Cp866}, utf8}, utf8);
        row("windows-1251 before cp866", {{P::Cp866}, {P::Windows1251}}, {P::Windows1251});
        row("none: the UTF-8 name", {}, utf8);
        row("small letters", {{{}, Form::Small}}, {{}, Form::Small});
        row("capitals in cp866", {{P::Cp866, Form::Capitals}}, {P::Cp866, Form::Capitals});
        row("as written before small letters", {{{}, Form::Small}, {P::Koi8r}}, {P::Koi8r});
        row("capitals, whose bytes sort first", {{{}, Form::Small}, {{}, Form::Capitals}}, {{}, Form::Capitals});
        row("windows-1251 as unzip leaves it", {{P::Windows1251, Form::WithoutYa}}, {P::Windows1251, Form::WithoutYa});
        row("another extension is another name", {{{}, Form::OtherExtension}}, utf8);
        row("a data folder, capitals in windows-1251", {{P::Windows1251, Form::Capitals}},
            {P::Windows1251, Form::Capitals}, "data");
        // As convmv leaves it: the names inside renamed, the folder not.
        row("UTF-8 in a folder named in cp866", {utf8}, utf8, "Data", "\x91\xAE\xA1\xE0\xA0\xAD\xA8\xA5");
    }

    void biographyAndHelpUnderEverySpelling()
    {
        QFETCH(QByteArray, programName);
        QFETCH(QByteArray, dataName);
        QFETCH(QList<Spelling>, present);
        QFETCH(Spelling, found);
        const auto spelled = [](const QString &name, const Spelling &spelling) {
            const QString text = written(name, spelling.form);
            return spelling.page ? platform::codepage::encode(text, *spelling.page) : text.toUtf8();
        };
        if (!programName.isEmpty() || dataName != "Data"
            || std::any_of(present.begin(), present.end(), [](const Spelling &s) { return s != Spelling(); }))
            SKIP_ON_WINDOWS("names in a code page, or a spelling that Windows finds itself");
        files::TemporaryFolder root;
        const QByteArray separator = files::bytes(QString(QChar(platform::PathSeparator)));
        QByteArray folder = files::bytes(root.path()) + separator;
        if (!programName.isEmpty()) {
            QVERIFY(files::makeFolder(folder + programName));
            folder += programName + separator;
        }
        const QByteArray data = folder + dataName + separator;
        QVERIFY(files::makeFolder(folder + dataName));
        for (const Spelling &spelling : present) {
            QVERIFY(files::makeRaw(data + spelled(u"Биография.html"_s, spelling)));
            QVERIFY(files::makeRaw(folder + spelled(u"Справка.htm"_s, spelling)));
        }
        const Collection c = Collection::load(platform::NativePath::fromNative(files::native(folder)));
        QCOMPARE(c.biographyPath().native(), files::native(data + spelled(u"Биография.html"_s, found)));
        QCOMPARE(c.helpPath().native(), files::native(folder + spelled(u"Справка.htm"_s, found)));
        QCOMPARE(c.biographyPath().text(), c.dataDir() + written(u"Биография.html"_s, found.form));
        QCOMPARE(c.helpPath().text(), c.appDir() + written(u"Справка.htm"_s, found.form));
#ifndef Q_OS_WIN
        // What the view and the desktop are handed reaches the file.
        for (const platform::NativePath &path : {c.biographyPath(), c.helpPath()})
            QCOMPARE(QByteArray::fromPercentEncoding(path.url().path(QUrl::FullyEncoded).toLatin1()), path.native());
#endif
    }

    void loadWithoutWorks_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("no data folder") << QByteArray();
        QTest::newRow("data is a file") << QByteArray("file");
        QTest::newRow("data is a dangling link") << QByteArray("dangling link");
        QTest::newRow("data holds no work") << QByteArray("folder");
    }

    void loadWithoutWorks()
    {
        QFETCH(QByteArray, data);
        if (data == "dangling link")
            SKIP_ON_WINDOWS(files::NoLinks);
        QTemporaryDir program;
        const QByteArray path = files::bytes(program.filePath(u"Data"_s));
        if (data == "file")
            QVERIFY(files::makeRaw(path));
        else if (data == "dangling link")
            QVERIFY(files::makeLink(path + ".gone", path));
        else if (data == "folder")
            QVERIFY(files::makeFolder(path) && files::makeRaw(path + "/note.txt"));
        const Collection c = Collection::load(platform::NativePath(program.path() + u'/'));
        QCOMPARE(c.appDir(), program.path() + u'/');
        QCOMPARE(c.workNames(), QStringList{QString()});
        QCOMPARE(c.lastWorkIndex(), -1);
        QCOMPARE(c.cataloguePage(), Head + Tail);
        // The one empty name still makes a path, as it always did.
        QCOMPARE(c.workPath(0).text(), c.dataDir() + u".dat"_s);
    }

    void dataFolderTheSystemRefusesToListIsAFailure()
    {
        SKIP_ON_WINDOWS(files::NoLinks);
        QTemporaryDir program;
        QVERIFY(files::makeLinkLoop(files::bytes(program.filePath(u"Data"_s))));
        try {
            (void)Collection::load(platform::NativePath(program.path()));
            QFAIL("a data folder that cannot be listed gave a collection");
        } catch (const platform::RuntimeError &error) {
            QCOMPARE(error.number(), platform::ErrorNumber::PathFileAccess);
        }
    }
};

QTEST_GUILESS_MAIN(tst_collection)
#include "tst_collection.moc"
