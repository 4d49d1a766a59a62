#pragma once

#include <QString>

// The reader's caption: the main window's title and the title of every box
// the reader shows.
namespace caption {

[[nodiscard]] inline QString text()
{
    return QStringLiteral("Собрание №1 Лоримунд Э Р");
}

} // namespace caption
