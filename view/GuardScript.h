#pragma once

#include <QString>

// The script that turns a document into a plain reading surface. It runs in
// the application world, which page markup cannot reach and which runs with
// page scripts off, on every document: at its creation, and after every
// write.
//
// - No selection unless selectionAllowed: selectstart is cancelled, and text
//   fields (which selectstart does not cover) take no press and keep no
//   selection.
// - A click on a link (HTML, or SVG by href or xlink:href, in the document
//   or a shadow root) never navigates. The address of the link clicked,
//   resolved against the document's own address and not a <base> the page
//   sets (or as written when it is no valid URL), is reported on the console
//   as linkToken followed by the address when it begins with "http", so the
//   view follows the very link the click was on; a link to a place in the
//   same document still scrolls there.
// - No form is sent, and a refresh the page asks for in its markup is
//   cancelled once the page has loaded: only the reader navigates.
// - A click or Enter that may land in a closed shadow root, whose links and
//   forms no script can see, does nothing.
// - The link the keyboard is on has a mark that stands out from any page.
// - An element of the page taking the focus is reported as GuardFocusReport.
// - Where the document is scrolled to is reported as it changes, as
//   "scrolled:", the fraction (0 top, 1 bottom), the place in the page's
//   text at the top, where that is in the text a screen reader reads, and
//   ":focus" when a focus moved it there; a change of size keeps the place.
// - style (readingStyleJson(), or empty for none) is the reader's own style
//   over every page, and for a page of kind 'work' (setKind) over works.
[[nodiscard]] QString guardScript(bool selectionAllowed, const QString &linkToken, const QString &style = {});

inline constexpr char16_t GuardFocusReport[] = u"focused";
