#pragma once

#include <QString>

#include <cstdint>

// Carries out the reader's own links: http://www.b (biography),
// http://www.t<N> (work N), http://www.s (catalogue).
namespace VyborM {

struct Link
{
    enum Kind { None, Biography, Work, Catalogue };
    Kind kind = None;
    std::int32_t index = 0; // for Work
};

// The link an address stands for, as the view hands it over (normalised,
// with a final "/"). Only the twelfth character names the kind.
[[nodiscard]] Link parseLink(const QString &address);

// Shows what the link leads to and sets the catalogue menu item to match.
void Vybor(const QString &address);

} // namespace VyborM
