#include "tools/PackTool.h"

#include "format/WorkFile.h"
#include "platform/DirectoryListing.h"
#include "platform/RuntimeError.h"
#include "platform/Windows1251.h"

#include <QDir>
#include <QFile>
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

    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        err << source << ": cannot read: " << in.errorString() << '\n';
        return 1;
    }
    const QByteArray text = in.readAll();
    if (in.error() != QFileDevice::NoError) {
        err << source << ": cannot read: " << in.errorString() << '\n';
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
    platform::InputTextFile file;
    if (const auto error = file.open(args[0]); error != platform::ErrorNumber::None) {
        err << args[0] << ": cannot open: " << platform::errorText(error) << '\n';
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
    if (!QDir(folder).exists()) {
        err << folder << ": no such folder\n";
        return 1;
    }
    bool problems = false;
    const QStringList names = platform::listFiles(folder, u".dat"_s);
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QString path = QDir(folder).filePath(names[i]);
        out << i + 1 << ") " << names[i] << ": ";
        platform::InputTextFile file;
        if (const auto error = file.open(path); error != platform::ErrorNumber::None) {
            out << "unreadable (" << platform::errorText(error) << ")\n";
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
