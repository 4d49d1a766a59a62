#include "view/ReadingStyle.h"

#include "view/ReadingTheme.h"

#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::Literals::StringLiterals;

namespace {

// Ahead of any rule of a page's own, however specific (three ids no element
// has), and important: a page cannot undo the reader's style.
const QString Root = u":root:not(#sobranie-none):not(#sobranie-none):not(#sobranie-none)"_s;

QString css(const QColor &colour)
{
    return colour.name(QColor::HexRgb);
}

// A font family as a CSS string.
QString quoted(const QString &family)
{
    QString escaped;
    for (const QChar c : family) {
        if (c == u'"' || c == u'\\')
            escaped += u'\\';
        if (c.unicode() >= 0x20)
            escaped += c;
    }
    return u"\""_s + escaped + u"\""_s;
}

} // namespace

ReadingStyle readingStyle(const ReadingChoices &choices)
{
    ReadingStyle style;
    const ThemeColours colours = themeColours(choices.theme);
    style.mark = css(colours.mark);
    style.currentMark = css(colours.currentMark);
    style.blend = colours.blend;
    if (choices.theme != Theme::Day) {
        const QString r = Root;
        style.everyPage =
            r + u", "_s + r
            + u" body { background-color: %1 !important; color: %2 !important; }"_s.arg(css(colours.background),
                                                                                        css(colours.text))
            // Text in the page's own colours or on its own paper would not
            // read on the theme's: every element takes the theme's.
            + r
            + u" body * { color: %1 !important; background-color: transparent !important;"
              u" border-color: currentColor !important; }"_s.arg(css(colours.text))
            + r + u" a:any-link, "_s + r + u" a:any-link * { color: %1 !important; }"_s.arg(css(colours.link)) + r
            + u" a:any-link:hover, "_s + r
            + u" a:any-link:hover * { color: %1 !important; }"_s.arg(css(colours.hoveredLink)) + r
            + u" :focus-visible:not(html):not(body) { outline: 2px solid %1 !important;"
              u" box-shadow: 0 0 0 1px %2 !important; }"_s.arg(css(colours.focusRing), css(colours.background));
    }
    if (!choices.font.isEmpty())
        style.works +=
            Root + u" body, "_s + Root + u" body * { font-family: %1, serif !important; }"_s.arg(quoted(choices.font));
    if (choices.bookLayout) {
        // The text as a book page: a column of some 65 letters in the
        // middle (narrower windows lose their margins first), air between
        // the lines, justified; each line's own three blanks indent it.
        const QString table = Root + u" body > table"_s;
        style.works += table + u", "_s + table + u" > tbody, "_s + table + u" > tbody > tr, "_s + table
                       + u" > tbody > tr > td { display: block !important; width: auto !important;"
                         u" padding: 0 !important; border-spacing: 0 !important; }"_s
                       + table
                       + u" > tbody > tr > td > font { display: block !important; max-width: 33em !important;"
                         u" margin: 0 auto !important; padding: 0.5em max(0.75em, min(3em, 6vw)) 2em !important;"
                         u" line-height: 1.5 !important; text-align: justify !important; }"_s;
    }
    return style;
}

QString readingStyleJson(const ReadingStyle &style)
{
    return QString::fromUtf8(QJsonDocument(QJsonObject{{u"everyPage"_s, style.everyPage},
                                                       {u"works"_s, style.works},
                                                       {u"mark"_s, style.mark},
                                                       {u"currentMark"_s, style.currentMark},
                                                       {u"blend"_s, style.blend}})
                                 .toJson(QJsonDocument::Compact));
}
