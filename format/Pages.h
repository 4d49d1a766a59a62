#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

// The two pages the reader writes itself. Both are one string without line
// breaks. Bodies go in unescaped, so their markup takes effect; a work's name
// is text ("<" and ">" escaped, "&" as it is).
namespace pages {

// One line of the catalogue's list for work index i: its link
// http://www.t<i> and the shown number i + 1. Throws RuntimeError
// (Overflow) when i + 1 does not fit 32 bits.
[[nodiscard]] QString catalogueLine(std::int32_t index, const QString &name);

// The catalogue page for the works' names, in catalogue order.
[[nodiscard]] QString cataloguePage(const QStringList &names);

// The text of the link back to the catalogue at the top of a work page.
inline constexpr char16_t CatalogueLinkText[] = u"Список произведений";

// The work page for a work's name and decoded body: the link back, the name,
// then the body.
[[nodiscard]] QString workPage(const QString &name, const QString &body);

// The work page around its body: workPage(name, body) is head, body, tail.
struct WorkPageFrame
{
    QString head;
    QString tail;
};
[[nodiscard]] WorkPageFrame workPageFrame(const QString &name);

// A work's name as the catalogue and its page show it: its character
// references decoded, so "Tom &amp; Jerry" shows "Tom & Jerry".
[[nodiscard]] QString shownName(const QString &name);

// What a page is to assistive technology beside its markup: its name, and
// its heading (a CSS selector: the author's name on the catalogue, the
// work's name on a work page).
struct Outline
{
    QString title;
    QString heading;
};
[[nodiscard]] Outline catalogueOutline();
[[nodiscard]] Outline workOutline(const QString &name);
[[nodiscard]] Outline biographyOutline();

// The catalogue's link to work index (a CSS selector).
[[nodiscard]] QString workLinkSelector(std::int32_t index);

} // namespace pages
