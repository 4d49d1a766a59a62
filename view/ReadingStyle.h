#pragma once

#include "format/ReadingChoices.h"

#include <QString>

// The reader's own style over the pages, as the choices in «Чтение» ask:
// the theme's colours for every page; the font and the book page for works.
// None of it is in a page's markup: it is a style sheet of the view's own
// world, out of reach of the page's markup and scripts, and with the pages'
// own colours, font and layout (the default) there is none at all.
struct ReadingStyle
{
    // Style for every page (the theme's colours, the focus mark).
    QString everyPage;
    // Style for works besides (the font, the book page).
    QString works;
    // The find marks: colours and how they are laid over the text.
    QString mark;
    QString currentMark;
    QString blend;
};

[[nodiscard]] ReadingStyle readingStyle(const ReadingChoices &choices);

// The style as the view's scripts take it: a JSON object.
[[nodiscard]] QString readingStyleJson(const ReadingStyle &style);
