#include "tools/PackTool.h"

#include "format/Collection.h"
#include "format/WorkFile.h"
#include "platform/DirectoryListing.h"
#include "platform/FileKind.h"
#include "platform/InputTextFile.h"
#include "platform/NativePath.h"
#include "platform/RegularFile.h"
#include "platform/RuntimeError.h"
#include "platform/Windows1251.h"

#include <QCommandLineParser>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QStringDecoder>

#include <algorithm>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace pack {

namespace {

constexpr char Usage[] = "Usage: sobranie-pack encode [--seed N] TEXT WORK\n"
                         "       sobranie-pack decode WORK\n"
                         "       sobranie-pack check DATA_DIR\n";

constexpr char Help[] = "Usage: sobranie-pack encode [--seed N] TEXT WORK\n"
                        "       sobranie-pack decode WORK\n"
                        "       sobranie-pack check DATA_DIR\n"
                        "       sobranie-pack --help | --version\n"
                        "\n"
                        "Makes, reads and checks the work files of a sobranie collection.\n"
                        "\n"
                        "Commands:\n"
                        "  encode    write the UTF-8 text TEXT as the work file WORK; text that a work\n"
                        "            file cannot hold is refused with its line and column\n"
                        "  decode    write the text of the work file WORK to standard output in UTF-8,\n"
                        "            one line each, as the reader shows it\n"
                        "  check     list the works in DATA_DIR as the reader lists them, with seed,\n"
                        "            lines and the problems found\n"
                        "\n"
                        "A file named - is standard input (TEXT, or WORK of decode) or standard\n"
                        "output (WORK of encode). After --, a name that begins with - is a file.\n"
                        "\n"
                        "Options:\n"
                        "  --seed N       encode with the seed N, a 32-bit integer, so the same text\n"
                        "                 always gives the same file (default: a random seed that\n"
                        "                 decodes the same whatever the reader opened before)\n"
                        "  -h, --help     show this help and exit\n"
                        "  -v, --version  show the version and exit\n"
                        "\n"
                        "Exit status: 0 done (check: no problem found); 1 a file could not be read or\n"
                        "written, the text was refused, or check found a problem; 2 a wrong command\n"
                        "line. Messages and warnings go to standard error.\n";

constexpr char Version[] = "sobranie-pack " SOBRANIE_VERSION "\n";

QString lostLineEndsProblem()
{
    return u"its CR LF line ends are gone (turned into LF by an archiver or git?): the reader shows an empty page"_s;
}

void write(QIODevice &device, const QString &text)
{
    device.write(text.toUtf8());
}

// A message of the tool's own, on standard error after its name.
void say(Streams &io, const QString &message)
{
    write(io.err, u"sobranie-pack: "_s + message + u'\n');
}

int usageError(Streams &io, const QString &message)
{
    say(io, message);
    io.err.write(Usage);
    io.err.write("Run with --help for more.\n");
    return 2;
}

// QCommandLineParser's sentence ("Unknown option 'x'.") as one of ours.
QString asMessage(QString text)
{
    if (text.endsWith(u'.'))
        text.chop(1);
    if (!text.isEmpty())
        text[0] = text[0].toLower();
    return text;
}

// "-" is a standard stream.
bool isStandard(const QString &name)
{
    return name == u"-"_s;
}

QString inputName(const QString &name)
{
    return isStandard(name) ? u"(standard input)"_s : name;
}

QString outputName(const QString &name)
{
    return isStandard(name) ? u"(standard output)"_s : name;
}

std::optional<platform::FileIdentity> identityOf(const QString &name,
                                                 const std::optional<platform::FileIdentity> &standard)
{
    return isStandard(name) ? standard : platform::regularFileIdentity(platform::NativePath(name));
}

// Whether c is a control character: C0, DEL or C1.
bool isControl(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

QString describe(char32_t c)
{
    QString name = u"U+%1"_s.arg(static_cast<uint>(c), 4, 16, QChar(u'0')).toUpper();
    if (c == U'\t')
        return u"a tab ("_s + name + u')';
    if (isControl(c))
        return u"a control character ("_s + name + u')';
    return u"'"_s + QString::fromUcs4(&c, 1) + u"' ("_s + name + u')';
}

// Splits text at LF, CR LF and CR; a final line end adds no empty line.
QList<QByteArrayView> splitLines(QByteArrayView text)
{
    QList<QByteArrayView> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '\n' && text[i] != '\r')
            continue;
        lines.append(text.sliced(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.append(text.sliced(start));
    return lines;
}

QString describe(platform::FileKind kind)
{
    switch (kind) {
    case platform::FileKind::Missing:
        return u"missing"_s;
    case platform::FileKind::Regular:
        return u"a regular file"_s;
    case platform::FileKind::Folder:
        return u"a folder"_s;
    case platform::FileKind::Fifo:
        return u"a FIFO"_s;
    case platform::FileKind::Device:
        return u"a device"_s;
    case platform::FileKind::Socket:
        return u"a socket"_s;
    case platform::FileKind::DanglingLink:
        return u"a dangling link"_s;
    case platform::FileKind::LinkLoop:
        return u"a link loop"_s;
    case platform::FileKind::Inaccessible:
        break;
    }
    return u"inaccessible"_s;
}

// Whether a name is something other than a file, which is refused at once
// rather than waited on (a FIFO) or read without end (a device).
bool isNotAFile(platform::FileKind kind)
{
    return kind != platform::FileKind::Missing && kind != platform::FileKind::Regular
           && kind != platform::FileKind::Inaccessible;
}

// Why path could not be opened: what it is when it is not a file, else the
// runtime's wording of the error.
QString whyNotOpened(const platform::NativePath &path, platform::ErrorNumber error)
{
    const platform::FileKind kind = platform::fileKind(path);
    return isNotAFile(kind) ? u"not a regular file ("_s + describe(kind) + u')' : platform::errorText(error);
}

QString seedProblem(std::int32_t seed, bool seedRead)
{
    if (!seedRead)
        return u"the seed line holds no number (read as 0)"_s;
    const auto argument = workfile::reseedArgument(seed);
    if (!argument)
        return u"the seed's reseed argument overflows, so the generator is not restarted"_s;
    if (*argument >= 0)
        return u"the seed does not restart the generator (its decoding depends on what was read before)"_s;
    return {};
}

int encode(const QStringList &files, std::optional<std::int32_t> seed, Streams &io)
{
    if (files.size() != 2)
        return usageError(io, u"encode takes two files, TEXT and WORK, not %1"_s.arg(files.size()));
    const QString &source = files[0];
    const QString &target = files[1];
    const QString sourceName = inputName(source);
    const QString targetName = outputName(target);

    // Before anything is read or written: the work would replace its own text.
    if (const auto sourceFile = identityOf(source, io.inFile);
        sourceFile && sourceFile == identityOf(target, io.outFile)) {
        say(io, targetName + u": not written: it is the text "_s + sourceName + u" itself"_s);
        return 1;
    }

    QByteArray text;
    if (isStandard(source)) {
        if (!io.in.isReadable()) {
            say(io, sourceName + u": cannot read: "_s + io.in.errorString());
            return 1;
        }
        text = io.in.readAll();
    } else if (const auto error = platform::readRegularFile(platform::NativePath(source), text);
               error != platform::ErrorNumber::None) {
        say(io, source + u": cannot read: "_s + whyNotOpened(platform::NativePath(source), error));
        return 1;
    }
    // Saving replaces the name with a new file: never do that to a device or a FIFO.
    if (!isStandard(target)) {
        if (const auto kind = platform::fileKind(platform::NativePath(target)); isNotAFile(kind)) {
            say(io, target + u": cannot write: not a regular file ("_s + describe(kind) + u')');
            return 1;
        }
    }
    const auto parsed = textLines(text, sourceName);
    if (const auto *message = std::get_if<QString>(&parsed)) {
        say(io, *message);
        return 1;
    }
    const auto &lines = std::get<QStringList>(parsed);
    for (const QString &warning : markupWarnings(lines, sourceName))
        say(io, warning);

    const std::int32_t n = seed.value_or(randomSeed());
    const QByteArray work = workfile::encodeWork(n, lines);
    if (isStandard(target)) {
        if (io.out.write(work) != work.size()) {
            say(io, targetName + u": cannot write: "_s + io.out.errorString());
            return 1;
        }
    } else {
        QSaveFile file(target);
        if (!file.open(QIODevice::WriteOnly) || file.write(work) < 0 || !file.commit()) {
            say(io, target + u": cannot write: "_s + file.errorString());
            return 1;
        }
    }
    if (const QString problem = seedProblem(n, true); !problem.isEmpty())
        say(io, targetName + u": warning: "_s + problem);
    return 0;
}

int decode(const QStringList &files, Streams &io)
{
    if (files.size() != 1)
        return usageError(io, u"decode takes one file, WORK, not %1"_s.arg(files.size()));
    const QString &source = files[0];
    const QString sourceName = inputName(source);
    if (const auto sourceFile = identityOf(source, io.inFile); sourceFile && sourceFile == io.outFile) {
        say(io, u"(standard output): not written: it is the work file "_s + sourceName + u" itself"_s);
        return 1;
    }

    platform::InputTextFile file;
    if (isStandard(source)) {
        if (!io.in.isReadable()) {
            say(io, sourceName + u": cannot read: "_s + io.in.errorString());
            return 1;
        }
        file.openBytes(io.in.readAll());
    } else if (const auto error = file.open(platform::NativePath(source)); error != platform::ErrorNumber::None) {
        say(io, source + u": cannot open: "_s + whyNotOpened(platform::NativePath(source), error));
        return 1;
    }
    platform::LegacyRandom fresh;
    const workfile::Header header = workfile::readHeader(file, fresh);
    if (!header.seedRead) {
        say(io, sourceName + u": not a work file: its first line holds no seed number"_s);
        return 1;
    }
    if (workfile::lostLineEnds(file.contents()))
        say(io, sourceName + u": warning: "_s + lostLineEndsProblem());
    const auto write = [&io](QByteArrayView piece) { return io.out.write(piece.data(), piece.size()) == piece.size(); };
    if (!workfile::decodeUtf8(file, header.tables, write)) {
        say(io, u"(standard output): cannot write: "_s + io.out.errorString());
        return 1;
    }
    return 0;
}

int check(const QStringList &files, Streams &io)
{
    if (files.size() != 1)
        return usageError(io, u"check takes one folder, DATA_DIR, not %1"_s.arg(files.size()));
    const QString &folder = files[0];
    const platform::FileKind kind = platform::fileKind(platform::NativePath(folder));
    if (kind == platform::FileKind::Missing || kind == platform::FileKind::DanglingLink) {
        say(io, folder + u": no such folder"_s);
        return 1;
    }
    if (kind != platform::FileKind::Folder && kind != platform::FileKind::Inaccessible) {
        say(io, folder + u": not a folder ("_s + describe(kind) + u')');
        return 1;
    }
    // What the reader lists, by the same listing.
    const platform::NativePath dataFolder(Collection::appDirFrom(folder));
    platform::FileListing listing;
    try {
        listing = Collection::listWorkFiles(dataFolder);
    } catch (const platform::RuntimeError &error) {
        say(io, folder + u": cannot list: "_s + error.text());
        return 1;
    }
    bool problems = false;
    const QList<platform::NativePath> &names = listing.files;
    for (qsizetype i = 0; i < names.size(); ++i) {
        const platform::NativePath path = dataFolder + names[i];
        QString entry = u"%1) %2"_s.arg(i + 1).arg(names[i].text());
        if (!names[i].hasExactText())
            entry += u" (name in windows-1251)"_s;
        entry += u": "_s;
        platform::InputTextFile file;
        if (const auto error = file.open(path); error != platform::ErrorNumber::None) {
            write(io.out, entry + u"unreadable ("_s + whyNotOpened(path, error) + u")\n"_s);
            problems = true;
            continue;
        }
        platform::LegacyRandom fresh;
        const workfile::Header header = workfile::readHeader(file, fresh);
        qsizetype shown = 0;
        qsizetype lineNumber = 1;
        QStringList found;
        if (const QString problem = seedProblem(header.seed, header.seedRead); !problem.isEmpty())
            found.append(problem);
        if (workfile::lostLineEnds(file.contents()))
            found.append(lostLineEndsProblem());
        while (!file.atEnd()) {
            const QByteArrayView line = file.readLine();
            ++lineNumber;
            if (!line.isEmpty())
                ++shown;
            for (qsizetype c = 0; c < line.size(); ++c) {
                if (static_cast<unsigned char>(line[c]) < 32) {
                    found.append(
                        u"line %1, column %2: a stored code below 32 (shown as U+0000)"_s.arg(lineNumber).arg(c + 1));
                    break;
                }
            }
        }
        entry += u"seed %1, %2 %3"_s.arg(header.seed).arg(shown).arg(shown == 1 ? u"line"_s : u"lines"_s);
        for (const QString &problem : found)
            entry += u"; "_s + problem;
        write(io.out, entry + u'\n');
        problems = problems || !found.isEmpty();
    }
    for (const platform::UnusableEntry &unusable : listing.unusable) {
        write(io.out, u"not listed: %1 (%2)\n"_s.arg(unusable.name.text(), describe(unusable.kind)));
        problems = true;
    }
    if (names.isEmpty())
        write(io.out, u"no work files\n"_s);
    return problems ? 1 : 0;
}

} // namespace

std::variant<QStringList, QString> textLines(const QByteArray &utf8, const QString &sourceName)
{
    QByteArrayView text(utf8);
    if (text.startsWith("\xEF\xBB\xBF"))
        text = text.sliced(3);

    QStringList lines;
    const QList<QByteArrayView> raw = splitLines(text);
    for (qsizetype l = 0; l < raw.size(); ++l) {
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString line = decoder(raw[l]);
        qsizetype column = 0;
        for (qsizetype i = 0; i < line.size(); ++i) {
            ++column;
            char32_t c = line[i].unicode();
            if (line[i].isHighSurrogate() && i + 1 < line.size() && line[i + 1].isLowSurrogate()) {
                c = QChar::surrogateToUcs4(line[i], line[i + 1]);
                ++i;
            }
            QString why;
            if (c == 0xFFFD && decoder.hasError())
                why = u"the bytes are not valid UTF-8"_s;
            else if (isControl(c))
                why = describe(c) + u" cannot be stored in a work file"_s;
            else if (c > 0xFFFF || platform::windows1251::fromUnicode(static_cast<char16_t>(c)) < 0)
                why = describe(c) + u" has no windows-1251 code"_s;
            if (!why.isEmpty())
                return u"%1:%2:%3: %4"_s.arg(sourceName).arg(l + 1).arg(column).arg(why);
        }
        lines.append(line);
    }
    return lines;
}

QStringList markupWarnings(const QStringList &lines, const QString &sourceName)
{
    const std::pair<char16_t, QString> markup[] = {{u'<', u"a tag"_s}, {u'&', u"a character reference"_s}};
    QStringList warnings;
    for (const auto &[character, starts] : markup) {
        qsizetype count = 0;
        qsizetype line = 0;
        qsizetype column = 0;
        for (qsizetype l = 0; l < lines.size(); ++l) {
            for (qsizetype c = 0; c < lines[l].size(); ++c) {
                if (lines[l][c] != character)
                    continue;
                if (count++ == 0) {
                    line = l + 1;
                    column = c + 1;
                }
            }
        }
        if (count > 0) {
            warnings.append(
                u"%1:%2:%3: warning: the reader takes '%4' for the start of %5 (%6 in the text)"_s.arg(sourceName)
                    .arg(line)
                    .arg(column)
                    .arg(QChar(character))
                    .arg(starts)
                    .arg(count));
        }
    }
    return warnings;
}

std::int32_t randomSeed()
{
    // Any seed from -528 up to INT32_MAX - 528 has a negative reseed argument.
    return static_cast<std::int32_t>(QRandomGenerator::system()->bounded(-528, INT32_MAX - 528));
}

int run(const QStringList &arguments, Streams &io)
{
    QCommandLineParser parser;
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption seedOption(u"seed"_s, u"The seed of the work file"_s, u"N"_s);
    parser.addOption(seedOption);
    if (!parser.parse(QStringList{u"sobranie-pack"_s} + arguments)) {
        // Named as they were written, with their dashes.
        QStringList unknown;
        for (const QString &name : parser.unknownOptionNames()) {
            const QString asLong = u"--"_s + name;
            const bool isLong = std::any_of(arguments.begin(), arguments.end(), [&](const QString &argument) {
                return argument == asLong || argument.startsWith(asLong + u'=');
            });
            unknown.append(u"'"_s + (isLong ? asLong : u"-"_s + name) + u'\'');
        }
        if (unknown.isEmpty())
            return usageError(io, asMessage(parser.errorText()));
        return usageError(io,
                          (unknown.size() == 1 ? u"unknown option "_s : u"unknown options "_s) + unknown.join(u", "_s));
    }
    if (parser.isSet(help) || parser.isSet(u"help-all"_s)) {
        io.out.write(Help);
        return 0;
    }
    if (parser.isSet(version)) {
        io.out.write(Version);
        return 0;
    }

    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return usageError(io, u"no command given"_s);
    const QString &command = positional[0];
    const QStringList files = positional.mid(1);
    if (command != u"encode"_s && command != u"decode"_s && command != u"check"_s)
        return usageError(io, u"unknown command '%1'"_s.arg(command));
    std::optional<std::int32_t> seed;
    if (parser.isSet(seedOption)) {
        if (command != u"encode"_s)
            return usageError(io, u"--seed is an option of encode only"_s);
        const QString value = parser.value(seedOption);
        bool ok = false;
        seed = value.toInt(&ok);
        if (!ok)
            return usageError(io, u"--seed takes a 32-bit integer, not '%1'"_s.arg(value));
    }
    if (command == u"encode"_s)
        return encode(files, seed, io);
    if (command == u"decode"_s)
        return decode(files, io);
    return check(files, io);
}

} // namespace pack
