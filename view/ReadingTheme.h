#pragma once

#include "format/ReadingChoices.h"

#include <QColor>
#include <QString>

// The colours of a theme, for every page. The find marks are a layer over
// the text blended with it (blend is a CSS mix-blend-mode): "multiply" in
// light themes darkens the paper and leaves dark text dark, "screen" in dark
// ones lightens it and leaves light text light.
struct ThemeColours
{
    QColor background, text, link, hoveredLink, mark, currentMark, focusRing;
    QString blend;
};

// Day is the pages' own colours, as the original shows them; the others are
// the reader's own, each readable (WCAG 2): text 7:1 on its paper, links
// 4.5:1, the marks 3:1 against the paper with the text over them 4.5:1.
[[nodiscard]] ThemeColours themeColours(Theme theme);

// The name the user is shown: «День», «Сепия», «Ночь».
[[nodiscard]] QString themeName(Theme theme);

// The contrast ratio of two colours (WCAG 2), from 1 to 21; alpha is ignored.
[[nodiscard]] double contrastRatio(const QColor &a, const QColor &b);

// What is seen where mark is drawn over under with blend ("multiply",
// "screen"; mark itself for any other).
[[nodiscard]] QColor blended(const QColor &mark, const QColor &under, const QString &blend);
