#pragma once

#include <QString>

#include <cstdint>

namespace OpenTextM {

// Shows work index in the main window's view, or reports why its file
// cannot be opened. An index outside the list of works does nothing.
void OpenText(std::int32_t index);

// The text of the box that reports a work file that cannot be opened.
[[nodiscard]] QString openFailureText(const QString &path, int error);

} // namespace OpenTextM
