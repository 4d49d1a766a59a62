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

#include <QRandomGenerator>
#include <QSaveFile>
#include <QStringDecoder>

using namespace Qt::Literals::StringLiterals;

namespace pack {

namespace {

constexpr char Usage[] = "usage: sobranie-pack encode [--seed N] TEXT.txt WORK.dat\n"
                         "       sobranie-pack decode WORK.dat\n"
                         "       sobranie-pack check DATA_DIR\n";

QString describe(char32_t c)
{
    QString name = u"U+%1"_s.arg(static_cast<uint>(c), 4, 16, QChar(u'0')).toUpper();
    if (c == U'\t')
        return u"a tab ("_s + name + u')';
    if (c < 32 || c == 0x7F)
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

int encode(const QStringList &args, QTextStream &out, QTextStream &err)
{
    QStringList files;
    std::optional<std::int32_t> seed;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == u"--seed"_s) {
            bool ok = false;
            const int value = i + 1 < args.size() ? args[i + 1].toInt(&ok) : 0;
            if (!ok) {
                err << "sobranie-pack: --seed needs a 32-bit integer\n";
                return 2;
            }
            seed = value;
            ++i;
        } else {
            files.append(args[i]);
        }
    }
    if (files.size() != 2) {
        err << Usage;
        return 2;
    }
    const QString &source = files[0];
    const QString &target = files[1];

    QByteArray text;
    if (const auto error = platform::readRegularFile(platform::NativePath(source), text);
        error != platform::ErrorNumber::None) {
        err << source << ": cannot read: " << whyNotOpened(platform::NativePath(source), error) << '\n';
        return 1;
    }
    // Saving replaces the name with a new file: never do that to a device or a FIFO.
    if (const auto kind = platform::fileKind(platform::NativePath(target)); isNotAFile(kind)) {
        err << target << ": cannot write: not a regular file (" << describe(kind) << ")\n";
        return 1;
    }
    const auto parsed = textLines(text, source);
    if (const auto *message = std::get_if<QString>(&parsed)) {
        err << *message << '\n';
        return 1;
    }
    const auto &lines = std::get<QStringList>(parsed);

    const std::int32_t n = seed.value_or(randomSeed());
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly) || file.write(workfile::encodeWork(n, lines)) < 0 || !file.commit()) {
        err << target << ": cannot write: " << file.errorString() << '\n';
        return 1;
    }
    if (const QString problem = seedProblem(n, true); !problem.isEmpty())
        out << target << ": warning: " << problem << '\n';
    return 0;
}

int decode(const QStringList &args, QTextStream &out, QTextStream &err)
{
    if (args.size() != 1) {
        err << Usage;
        return 2;
    }
    const platform::NativePath path(args[0]);
    platform::InputTextFile file;
    if (const auto error = file.open(path); error != platform::ErrorNumber::None) {
        err << args[0] << ": cannot open: " << whyNotOpened(path, error) << '\n';
        return 1;
    }
    platform::LegacyRandom fresh;
    const workfile::Header header = workfile::readHeader(file, fresh);
    for (const QString &line : workfile::decodeLines(file, header.tables))
        out << line << '\n';
    return 0;
}

int check(const QStringList &args, QTextStream &out, QTextStream &err)
{
    if (args.size() != 1) {
        err << Usage;
        return 2;
    }
    const QString &folder = args[0];
    const platform::FileKind kind = platform::fileKind(platform::NativePath(folder));
    if (kind == platform::FileKind::Missing || kind == platform::FileKind::DanglingLink) {
        err << folder << ": no such folder\n";
        return 1;
    }
    if (kind != platform::FileKind::Folder && kind != platform::FileKind::Inaccessible) {
        err << folder << ": not a folder (" << describe(kind) << ")\n";
        return 1;
    }
    // What the reader lists, by the same listing.
    const platform::NativePath dataFolder(Collection::appDirFrom(folder));
    platform::FileListing listing;
    try {
        listing = Collection::listWorkFiles(dataFolder);
    } catch (const platform::RuntimeError &error) {
        err << folder << ": cannot list: " << error.text() << '\n';
        return 1;
    }
    bool problems = false;
    const QList<platform::NativePath> &names = listing.files;
    for (qsizetype i = 0; i < names.size(); ++i) {
        const platform::NativePath path = dataFolder + names[i];
        out << i + 1 << ") " << names[i].text();
        if (!names[i].hasExactText())
            out << " (name in windows-1251)";
        out << ": ";
        platform::InputTextFile file;
        if (const auto error = file.open(path); error != platform::ErrorNumber::None) {
            out << "unreadable (" << whyNotOpened(path, error) << ")\n";
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
        out << "seed " << header.seed << ", " << shown << (shown == 1 ? " line" : " lines");
        for (const QString &problem : found)
            out << "; " << problem;
        out << '\n';
        problems = problems || !found.isEmpty();
    }
    for (const platform::UnusableEntry &entry : listing.unusable) {
        out << "not listed: " << entry.name.text() << " (" << describe(entry.kind) << ")\n";
        problems = true;
    }
    if (names.isEmpty())
        out << "no work files\n";
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
                why = u"is not valid UTF-8"_s;
            else if (c < 32)
                why = describe(c) + u" cannot be stored in a work file"_s;
            else if (c > 0xFFFF || platform::windows1251::fromUnicode(static_cast<char16_t>(c)) < 0)
                why = describe(c) + u" has no windows-1251 code"_s;
            if (!why.isEmpty())
                return u"%1:%2:%3: the text %4"_s.arg(sourceName).arg(l + 1).arg(column).arg(why);
        }
        lines.append(line);
    }
    return lines;
}

std::int32_t randomSeed()
{
    // Any seed from -528 up to INT32_MAX - 528 has a negative reseed argument.
    return static_cast<std::int32_t>(QRandomGenerator::system()->bounded(-528, INT32_MAX - 528));
}

int run(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    const QString command = arguments.value(0);
    const QStringList rest = arguments.mid(1);
    if (command == u"encode"_s)
        return encode(rest, out, err);
    if (command == u"decode"_s)
        return decode(rest, out, err);
    if (command == u"check"_s)
        return check(rest, out, err);
    err << Usage;
    return 2;
}

} // namespace pack
