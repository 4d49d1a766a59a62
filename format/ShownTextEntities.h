#pragma once

#include <span>
#include <string_view>

// The named character references an HTML parser knows, for ShownText.
namespace shownentities {

struct NamedReference
{
    std::string_view name; // without the '&', with the ';' where it has one
    char16_t first = 0;
    char16_t second = 0; // 0 for a reference of one unit
};

// Every one of them, sorted by name byte by byte.
[[nodiscard]] std::span<const NamedReference> namedReferences();

} // namespace shownentities
