#pragma once

#include <QString>

#include <cstdint>

// One of the reader's own link addresses: http://www.b (biography),
// http://www.t<N> (work N), http://www.s (catalogue).
struct Link
{
    enum class Kind { None, Biography, Work, Catalogue };
    Kind kind = Kind::None;
    std::int32_t index = 0; // for Work
};

// The link an address stands for, as the view hands it over (normalised,
// with a final "/"). Only the twelfth character names the kind.
[[nodiscard]] Link parseLink(const QString &address);
