#pragma once

#include <QString>

// What the view tells assistive technology of a page beside its markup,
// without changing what the page shows.
struct PageOutline
{
    // The page's name, where its markup gives none.
    QString title;
    // The element that is the page's heading (a CSS selector).
    QString heading;
    // The element a screen reader starts on (a CSS selector); none: the page.
    QString focus;
    // The lines of the page's text before its own (a work's: the link back
    // and its name), left out where a line is numbered for the reader.
    int headLines = 0;
    // A work, which the reader's style for works (font, book page) is for.
    bool work = false;
};
