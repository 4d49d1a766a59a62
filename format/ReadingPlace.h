#pragma once

#include <QtGlobal>

// Where the reader is in a page: the place in its text at the top of the screen.
struct ReadingPlace
{
    // The offset, in UTF-16 units of the page's text, of the first character at the top of the screen; -1 when unknown.
    qint64 offset = -1;
    // How far down the page (0 the top, 1 the end), as earlier versions kept it.
    double fraction = 0;
    friend bool operator==(const ReadingPlace &, const ReadingPlace &) = default;
};
