#pragma once

#include <QString>

// The script that finds a phrase on the page and marks where, in the view's
// own world (page scripts never see it). Matching ignores case, ё against е
// and combining marks, unit by unit, as textmatch::fold does; a match may
// run across the page's markup. What is matched is the text the page shows:
// not scripts, styles, form controls, SVG or MathML, nor text the page hides.
// The marks are drawn over the text in a layer of the view's own, for the
// matches near the screen, as it scrolls: the page's own nodes stay as they
// are, and nothing becomes selectable.
//
// Define it with findScript(), then call
//   __sobranieFind.find(phrase, start) -> [matches, current]: all of them
//                                  counted, the current one (start, or with
//                                  start -1 the first on screen) shown
//   __sobranieFind.go(index)       -> index, made the current one; the page
//                                  scrolls it to the middle unless it is on
//                                  screen
//   __sobranieFind.clear()
[[nodiscard]] QString findScript();

// The most marks drawn at once (a screen's worth and one above and below).
inline constexpr int MaxDrawnMarks = 5000;
// The element name of the layer the marks are drawn in (under the root; the
// marks are in its shadow tree, the current one with a data-current attribute).
inline constexpr char16_t FindMarkTag[] = u"sobranie-marks";
