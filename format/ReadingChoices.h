#pragma once

#include <QString>

// The page's colours in the reader's own style.
enum class Theme { Day, Sepia, Night };

// How the reader shows pages, as the user chose in «Чтение»; kept across runs.
struct ReadingChoices
{
    bool bookLayout = false; // «Удобное чтение»
    Theme theme = Theme::Day; // «Тема»; Day is the pages' own colours
    QString font; // «Шрифт»: a font family; empty: the pages' own
    bool openLastAtStart = false; // «Открывать последнее произведение при запуске»
    friend bool operator==(const ReadingChoices &, const ReadingChoices &) = default;
};
