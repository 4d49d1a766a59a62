#pragma once

#include <QStringView>

#include <cstdint>
#include <optional>

namespace platform {

// The number at the start of a text, as the runtime read it: blanks, tabs
// and line feeds are ignored wherever they stand; no number at the start
// gives 0.
[[nodiscard]] double leadingNumber(QStringView text);

// Double to signed 32-bit integer, halves to the even neighbour; nothing when
// the rounded value lies outside the 32-bit range.
[[nodiscard]] std::optional<std::int32_t> toInt32(double value);

} // namespace platform
