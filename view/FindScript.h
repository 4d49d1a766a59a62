#pragma once

#include <QString>

// The script that finds a phrase on the page and marks where, in the view's
// own world (page scripts never see it). Matching ignores case and ё
// against е, unit by unit, as textmatch::fold does; a match may run across
// the page's markup. Marks are spans with a colour of their own, put in the
// text and taken out again, so nothing becomes selectable.
//
// Define it with findScript(), then call
//   __sobranieFind.find(phrase) -> the number of matches (all of them; at
//                                  most MaxMarks are marked)
//   __sobranieFind.go(index)    -> index, marked as the current one and
//                                  scrolled to the middle of the page
//   __sobranieFind.clear()
[[nodiscard]] QString findScript();

inline constexpr int MaxFindMarks = 20000;
