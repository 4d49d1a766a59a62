#pragma once

// Text for the benchmarks: Russian prose, the same every time.

#include <QString>
#include <QStringList>

#include <iterator>

namespace bench {

// Lines of some 60 to 400 characters, about size characters in all
// (counting a CR LF after each).
inline QStringList proseLines(qsizetype size)
{
    using namespace Qt::Literals::StringLiterals;
    const QString words[] = {u"осень"_s, u"дым"_s,      u"над"_s,   u"садом"_s,  u"и"_s,         u"яблоки"_s,
                             u"в"_s,     u"траве,"_s,   u"ветер"_s, u"бредёт"_s, u"свободно."_s, u"«Сосед»,"_s,
                             u"—"_s,     u"Часовщик"_s, u"семь"_s,  u"минут"_s,  u"колодец"_s,   u"Настя!"_s};
    QStringList lines;
    qsizetype total = 0;
    unsigned x = 12345;
    while (total < size) {
        QString line;
        const int length = 60 + static_cast<int>((x = x * 1103515245u + 12345u) >> 16) % 340;
        while (line.size() < length)
            line += words[((x = x * 1103515245u + 12345u) >> 16) % std::size(words)] + u' ';
        total += line.size() + 2;
        lines.append(line.trimmed());
    }
    return lines;
}

} // namespace bench
