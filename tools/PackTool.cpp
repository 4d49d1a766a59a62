#include "tools/PackTool.h"

#include "format/Collection.h"
#include "format/WorkFile.h"
#include "platform/CodePage.h"
#include "platform/DirectoryListing.h"
#include "platform/FileKind.h"
#include "platform/InputTextFile.h"
#include "platform/NativePath.h"
#include "platform/RegularFile.h"
#include "platform/RuntimeError.h"
#include "platform/SavedFile.h"
#include "platform/Windows1251.h"

#include <QRandomGenerator>
#include <QTemporaryFile>

#include <algorithm>
#include <array>
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
                        "Names are taken byte for byte, in whatever encoding they are written.\n"
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

// How much of a work or a text is held at a time on its way out.
constexpr qsizetype PieceSize = qsizetype(1) << 20;

// unzip drops every «я» (byte 0xFF) from the windows-1251 names of a zip, and
// nothing tells where one stood: a folder whose names in a code page read as
// windows-1251 and hold not one «я» may have come that way.
bool mayHaveLostYa(const platform::FileListing &listing)
{
    if (listing.codePage != platform::CodePage::Windows1251)
        return false;
    bool inCodePage = false;
    for (const platform::NativePath &name : listing.files) {
        if (!name.isInCodePage())
            continue;
        if (name.text().contains(u'я'))
            return false;
        inCodePage = true;
    }
    return inCodePage;
}

QString lostLineEndsProblem()
{
    return u"its CR LF line ends are gone (turned into LF by an archiver or git?): the reader shows an empty page"_s;
}

// A name as the reader shows it, its control characters (a newline, say)
// escaped so that one entry stays one line.
QString shown(const QString &name)
{
    QString out;
    out.reserve(name.size());
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        if (u == u'\n')
            out += u"\\n"_s;
        else if (u == u'\r')
            out += u"\\r"_s;
        else if (u == u'\t')
            out += u"\\t"_s;
        else if (u < 0x20 || (u >= 0x7F && u <= 0x9F))
            out += u"\\x%1"_s.arg(static_cast<uint>(u), 2, 16, QChar(u'0')).toUpper().replace(u"\\X"_s, u"\\x"_s);
        else
            out += c;
    }
    return out;
}

QString shown(const platform::NativePath &path)
{
    return shown(path.text());
}

// A message of the tool's own, on standard error after its name.
void say(Streams &io, const QString &message)
{
    if (io.err.isOpen())
        io.err.write((u"sobranie-pack: "_s + message + u'\n').toUtf8());
}

int usageError(Streams &io, const QString &message)
{
    say(io, message);
    if (io.err.isOpen()) {
        io.err.write(Usage);
        io.err.write("Run with --help for more.\n");
    }
    return 2;
}

// Writes to standard output; false when not all of bytes went out.
bool put(Streams &io, QByteArrayView bytes)
{
    return io.out.isOpen() && io.out.write(bytes.data(), bytes.size()) == bytes.size();
}

bool putText(Streams &io, const QString &text)
{
    return put(io, QByteArrayView(text.toUtf8()));
}

int outputFailed(Streams &io)
{
    say(io, u"(standard output): cannot write: "_s
                + (io.out.isOpen() ? io.out.errorString() : u"standard output is closed"_s));
    return 1;
}

QString inputError(Streams &io)
{
    return io.in.isOpen() ? io.in.errorString() : u"standard input is closed"_s;
}

// "-" is a standard stream.
bool isStandard(const platform::NativePath &name)
{
    return name.text() == u"-"_s;
}

QString inputName(const platform::NativePath &name)
{
    return isStandard(name) ? u"(standard input)"_s : shown(name);
}

QString outputName(const platform::NativePath &name)
{
    return isStandard(name) ? u"(standard output)"_s : shown(name);
}

std::optional<platform::FileIdentity> identityOf(const platform::NativePath &name,
                                                 const std::optional<platform::FileIdentity> &standard)
{
    return isStandard(name) ? standard : platform::regularFileIdentity(name);
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
    return isNotAFile(kind) ? u"not a regular file ("_s + platform::kindName(kind) + u')' : platform::errorText(error);
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

// Opens name as a stream for reading, standard input for "-"; an empty
// text when it opened, else why not.
QString openInput(const platform::NativePath &name, Streams &io, platform::InputTextFile &file)
{
    if (!isStandard(name)) {
        const platform::ErrorNumber error = file.openStream(name);
        return error == platform::ErrorNumber::None ? QString() : whyNotOpened(name, error);
    }
    if (!io.in.isOpen() || !io.in.isReadable())
        return inputError(io);
    file.openStream([&io](char *buffer, qint64 size) { return io.in.read(buffer, size); });
    return {};
}

QString readFailure(const platform::NativePath &name, Streams &io)
{
    return isStandard(name) ? inputError(io) : platform::errorText(platform::ErrorNumber::DeviceIO);
}

// The characters a reader takes for markup: where the first of each is and
// how many there are.
struct MarkupSeen
{
    char16_t character;
    QString starts;
    qsizetype count = 0;
    qsizetype line = 0;
    qsizetype column = 0;
};

// Text lines checked and turned into a work file's lines one at a time.
class TextEncoder
{
public:
    explicit TextEncoder(const workfile::Tables &tables)
    {
        for (int p = 0; p < 256; ++p)
            m_stored[p] = static_cast<char>(tables.encoding[p]);
    }

    // Appends line number lineNumber (UTF-8, without its line end) to out as
    // stored bytes and CR LF; else the column and why it cannot be stored.
    // U+FEFF (a byte-order mark, as concatenated files bring) stands for
    // nothing wherever it is: it is dropped.
    std::optional<std::pair<qsizetype, QString>> encode(QByteArrayView line, qsizetype lineNumber, QByteArray &out)
    {
        // The file's own byte-order mark is no character of its first line.
        if (lineNumber == 1 && line.startsWith("\xEF\xBB\xBF"))
            line = line.sliced(3);
        bool complete = false;
        const QString text = platform::codepage::decodeUtf8(line, complete);
        qsizetype column = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            ++column;
            char32_t c = text[i].unicode();
            if (QChar::isHighSurrogate(c)) {
                c = QChar::surrogateToUcs4(text[i], text[i + 1]);
                ++i;
            }
            if (c == 0xFEFF)
                continue;
            if (isControl(c))
                return std::pair{column, describe(c) + u" cannot be stored in a work file"_s};
            const int code = c > 0xFFFF ? -1 : platform::windows1251::fromUnicode(static_cast<char16_t>(c));
            if (code < 0)
                return std::pair{column, describe(c) + u" has no windows-1251 code"_s};
            for (MarkupSeen &seen : m_markup) {
                if (c == seen.character && seen.count++ == 0) {
                    seen.line = lineNumber;
                    seen.column = column;
                }
            }
            out.append(m_stored[code]);
        }
        if (!complete)
            return std::pair{column + 1, u"the bytes are not valid UTF-8"_s};
        out.append("\r\n", 2);
        return std::nullopt;
    }

    // Warnings for the characters a reader takes as markup, '<' and '&'.
    [[nodiscard]] QStringList markupWarnings(const QString &sourceName) const
    {
        QStringList warnings;
        for (const MarkupSeen &seen : m_markup) {
            if (seen.count > 0) {
                warnings.append(
                    u"%1:%2:%3: warning: the reader takes '%4' for the start of %5 (%6 in the text)"_s.arg(sourceName)
                        .arg(seen.line)
                        .arg(seen.column)
                        .arg(QChar(seen.character))
                        .arg(seen.starts)
                        .arg(seen.count));
            }
        }
        return warnings;
    }

private:
    std::array<char, 256> m_stored{};
    std::array<MarkupSeen, 2> m_markup{MarkupSeen{u'<', u"a tag"_s}, MarkupSeen{u'&', u"a character reference"_s}};
};

// Where encode puts the work until the whole text has been taken: a file
// beside the target, or a temporary file for standard output, so a text
// refused halfway leaves nothing written.
class WorkOutput
{
public:
    WorkOutput(platform::NativePath target, Streams &io) : m_target(std::move(target)), m_io(io) { }

    QString open()
    {
        if (!isStandard(m_target))
            return m_file.open(m_target) ? QString() : m_file.errorString();
        if (!m_io.out.isOpen())
            return u"standard output is closed"_s;
        return m_staged.open() ? QString() : m_staged.errorString();
    }

    bool write(QByteArrayView bytes)
    {
        return isStandard(m_target) ? m_staged.write(bytes.data(), bytes.size()) == bytes.size() : m_file.write(bytes);
    }

    [[nodiscard]] QString writeError() const
    {
        return isStandard(m_target) ? m_staged.errorString() : m_file.errorString();
    }

    // Puts the work in place; an empty text when done, else why not.
    QString commit()
    {
        if (!isStandard(m_target))
            return m_file.commit() ? QString() : m_file.errorString();
        if (!m_staged.seek(0))
            return m_staged.errorString();
        QByteArray piece(PieceSize, Qt::Uninitialized);
        for (;;) {
            const qint64 n = m_staged.read(piece.data(), piece.size());
            if (n < 0)
                return m_staged.errorString();
            if (n == 0)
                return {};
            if (!put(m_io, QByteArrayView(piece.constData(), n)))
                return m_io.out.errorString();
        }
    }

private:
    platform::NativePath m_target;
    Streams &m_io;
    platform::SavedFile m_file;
    QTemporaryFile m_staged;
};

int encode(const QList<platform::NativePath> &files, std::optional<std::int32_t> seed, Streams &io)
{
    if (files.size() != 2)
        return usageError(io, u"encode takes two files, TEXT and WORK, not %1"_s.arg(files.size()));
    const platform::NativePath &source = files[0];
    const platform::NativePath &target = files[1];
    const QString sourceName = inputName(source);
    const QString targetName = outputName(target);

    // Before anything is read or written: the work would replace its own text.
    if (const auto sourceFile = identityOf(source, io.inFile);
        sourceFile && sourceFile == identityOf(target, io.outFile)) {
        say(io, targetName + u": not written: it is the text "_s + sourceName + u" itself"_s);
        return 1;
    }
    platform::InputTextFile text(platform::InputTextFile::LineEnds::Any);
    if (const QString why = openInput(source, io, text); !why.isEmpty()) {
        say(io, sourceName + u": cannot read: "_s + why);
        return 1;
    }
    // Saving replaces the name with a new file: the output refuses a device,
    // a FIFO or a link to anything but a regular file of the user's.
    WorkOutput output(target, io);
    if (const QString why = output.open(); !why.isEmpty()) {
        say(io, targetName + u": cannot write: "_s + why);
        return 1;
    }

    const std::int32_t n = seed.value_or(randomSeed());
    platform::LegacyRandom fresh;
    workfile::reseedFor(n, fresh);
    const workfile::Tables tables = workfile::buildTables(fresh);
    TextEncoder encoder(tables);
    QByteArray piece = QByteArray::number(n) + "\r\n";
    qsizetype lineNumber = 0;
    while (!text.atEnd()) {
        const QByteArrayView line = text.readLine();
        if (const auto fault = encoder.encode(line, ++lineNumber, piece)) {
            say(io, u"%1:%2:%3: %4"_s.arg(sourceName).arg(lineNumber).arg(fault->first).arg(fault->second));
            return 1;
        }
        if (piece.size() >= PieceSize) {
            if (!output.write(piece)) {
                say(io, targetName + u": cannot write: "_s + output.writeError());
                return 1;
            }
            piece.clear();
        }
    }
    if (text.failed()) {
        say(io, sourceName + u": cannot read: "_s + readFailure(source, io));
        return 1;
    }
    if (!output.write(piece)) {
        say(io, targetName + u": cannot write: "_s + output.writeError());
        return 1;
    }
    for (const QString &warning : encoder.markupWarnings(sourceName))
        say(io, warning);
    if (const QString why = output.commit(); !why.isEmpty()) {
        say(io, targetName + u": cannot write: "_s + why);
        return 1;
    }
    if (const QString problem = seedProblem(n, true); !problem.isEmpty())
        say(io, targetName + u": warning: "_s + problem);
    return 0;
}

int decode(const QList<platform::NativePath> &files, Streams &io)
{
    if (files.size() != 1)
        return usageError(io, u"decode takes one file, WORK, not %1"_s.arg(files.size()));
    const platform::NativePath &source = files[0];
    const QString sourceName = inputName(source);
    if (const auto sourceFile = identityOf(source, io.inFile); sourceFile && sourceFile == io.outFile) {
        say(io, u"(standard output): not written: it is the work file "_s + sourceName + u" itself"_s);
        return 1;
    }
    if (!io.out.isOpen())
        return outputFailed(io);

    platform::InputTextFile file;
    if (const QString why = openInput(source, io, file); !why.isEmpty()) {
        say(io, sourceName + (isStandard(source) ? u": cannot read: "_s : u": cannot open: "_s) + why);
        return 1;
    }
    platform::LegacyRandom fresh;
    const workfile::Header header = workfile::readHeader(file, fresh);
    if (!header.seedRead && !file.failed()) {
        say(io, sourceName + u": not a work file: its first line holds no seed number"_s);
        return 1;
    }
    if (header.lineEndsLost)
        say(io, sourceName + u": warning: "_s + lostLineEndsProblem());
    const auto write = [&io](QByteArrayView piece) { return put(io, piece); };
    if (!file.failed() && !workfile::decodeUtf8(file, header.tables, write, PieceSize))
        return outputFailed(io);
    if (file.failed()) {
        say(io, sourceName + u": cannot read: "_s + readFailure(source, io));
        return 1;
    }
    return 0;
}

// One line of check's listing for the work at path, shown as entry; whether
// a problem was found.
bool checkWork(const platform::NativePath &path, QString entry, QString &line)
{
    platform::InputTextFile file;
    if (const auto error = file.openStream(path); error != platform::ErrorNumber::None) {
        line = entry + u"unreadable ("_s + whyNotOpened(path, error) + u")\n"_s;
        return true;
    }
    platform::LegacyRandom fresh;
    const workfile::Header header = workfile::readHeader(file, fresh);
    qsizetype shownLines = 0;
    qsizetype lineNumber = 1;
    QStringList found;
    if (const QString problem = seedProblem(header.seed, header.seedRead); !problem.isEmpty())
        found.append(problem);
    if (header.lineEndsLost)
        found.append(lostLineEndsProblem());
    while (!file.atEnd()) {
        const QByteArrayView text = file.readLine();
        ++lineNumber;
        if (!text.isEmpty())
            ++shownLines;
        for (qsizetype c = 0; c < text.size(); ++c) {
            if (static_cast<unsigned char>(text[c]) < 32) {
                found.append(
                    u"line %1, column %2: a stored code below 32 (shown as U+0000)"_s.arg(lineNumber).arg(c + 1));
                break;
            }
        }
    }
    if (file.failed())
        found.append(u"reading stopped at line %1: "_s.arg(lineNumber)
                     + platform::errorText(platform::ErrorNumber::DeviceIO));
    entry += u"seed %1, %2 %3"_s.arg(header.seed).arg(shownLines).arg(shownLines == 1 ? u"line"_s : u"lines"_s);
    for (const QString &problem : found)
        entry += u"; "_s + problem;
    line = entry + u'\n';
    return !found.isEmpty();
}

int check(const QList<platform::NativePath> &files, Streams &io)
{
    if (files.size() != 1)
        return usageError(io, u"check takes one folder, DATA_DIR, not %1"_s.arg(files.size()));
    const platform::NativePath &folder = files[0];
    const platform::FileKind kind = platform::fileKind(folder);
    if (kind == platform::FileKind::Missing || kind == platform::FileKind::DanglingLink) {
        say(io, shown(folder) + u": no such folder"_s);
        return 1;
    }
    if (kind != platform::FileKind::Folder && kind != platform::FileKind::Inaccessible) {
        say(io, shown(folder) + u": not a folder ("_s + platform::kindName(kind) + u')');
        return 1;
    }
    // What the reader lists, by the same listing.
    const platform::NativePath dataFolder = Collection::appDirFrom(folder);
    platform::FileListing listing;
    try {
        listing = Collection::listWorkFiles(dataFolder);
    } catch (const platform::RuntimeError &error) {
        say(io, shown(folder) + u": cannot list: "_s + error.text());
        return 1;
    }
    bool problems = false;
    const QList<platform::NativePath> &names = listing.files;
    for (qsizetype i = 0; i < names.size(); ++i) {
        QString entry = u"%1) %2"_s.arg(i + 1).arg(shown(names[i]));
        if (names[i].isInCodePage())
            entry += u" (name in "_s + platform::codepage::name(listing.codePage) + u')';
        QString line;
        problems = checkWork(dataFolder + names[i], entry + u": "_s, line) || problems;
        if (!putText(io, line))
            return outputFailed(io);
    }
    for (const platform::UnusableEntry &unusable : listing.unusable) {
        if (!putText(io, u"not listed: %1 (%2)\n"_s.arg(shown(unusable.name), platform::kindName(unusable.kind))))
            return outputFailed(io);
        problems = true;
    }
    if (names.isEmpty() && !putText(io, u"no work files\n"_s))
        return outputFailed(io);
    if (mayHaveLostYa(listing))
        say(io, shown(folder)
                    + u": warning: the names read as windows-1251 and not one holds «я»: if they were "
                      u"unpacked with unzip, which drops every «я» from such names, unpack the archive "
                      u"again with 7z or bsdtar"_s);
    return problems ? 1 : 0;
}

// The command line, options apart from the command and its files.
struct CommandLine
{
    bool help = false;
    bool version = false;
    std::optional<QString> seed;
    QList<platform::NativePath> positional;
};

// Why an argument that begins with a dash is no option, as the message says it.
QString unknownOption(const platform::NativePath &argument)
{
    const QString &text = argument.text();
    QString message = u"'"_s + shown(text) + u'\'';
    // "-out.dat" is a file meant, not an option mistyped.
    if (text.contains(u'.') || text.contains(u'/') || platform::fileKind(argument) != platform::FileKind::Missing)
        message += u" (a file whose name begins with - goes after --, as in: -- "_s + shown(text) + u')';
    return message;
}

// Parses arguments; an empty text when they are well formed, else why not.
QString parse(const QList<platform::NativePath> &arguments, CommandLine &line)
{
    QStringList unknown;
    bool options = true;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &text = arguments[i].text();
        if (!options || text == u"-"_s || !text.startsWith(u'-')) {
            line.positional.append(arguments[i]);
        } else if (text == u"--"_s) {
            options = false;
        } else if (text == u"-h"_s || text == u"--help"_s || text == u"--help-all"_s) {
            line.help = true;
        } else if (text == u"-v"_s || text == u"--version"_s) {
            line.version = true;
        } else if (text == u"--seed"_s) {
            if (i + 1 == arguments.size())
                return u"missing value after '--seed'"_s;
            line.seed = arguments[++i].text();
        } else if (text.startsWith(u"--seed="_s)) {
            line.seed = text.mid(7);
        } else {
            unknown.append(unknownOption(arguments[i]));
        }
    }
    if (unknown.isEmpty())
        return {};
    return (unknown.size() == 1 ? u"unknown option "_s : u"unknown options "_s) + unknown.join(u", "_s);
}

} // namespace

std::int32_t randomSeed()
{
    // Any seed from -528 up to INT32_MAX - 528 has a negative reseed argument.
    return static_cast<std::int32_t>(QRandomGenerator::system()->bounded(-528, INT32_MAX - 528));
}

int run(const QList<platform::NativePath> &arguments, Streams &io)
{
    CommandLine line;
    if (const QString why = parse(arguments, line); !why.isEmpty())
        return usageError(io, why);
    if (line.help || line.version)
        return put(io, QByteArrayView(line.help ? Help : Version)) ? 0 : outputFailed(io);

    if (line.positional.isEmpty())
        return usageError(io, u"no command given"_s);
    const QString command = line.positional[0].text();
    const QList<platform::NativePath> files = line.positional.mid(1);
    if (command != u"encode"_s && command != u"decode"_s && command != u"check"_s)
        return usageError(io, u"unknown command '%1'"_s.arg(shown(command)));
    std::optional<std::int32_t> seed;
    if (line.seed) {
        if (command != u"encode"_s)
            return usageError(io, u"--seed is an option of encode only"_s);
        bool ok = false;
        seed = line.seed->toInt(&ok);
        if (!ok)
            return usageError(io, u"--seed takes a 32-bit integer, not '%1'"_s.arg(shown(*line.seed)));
    }
    if (command == u"encode"_s)
        return encode(files, seed, io);
    if (command == u"decode"_s)
        return decode(files, io);
    return check(files, io);
}

} // namespace pack
