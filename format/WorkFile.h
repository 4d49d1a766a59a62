#pragma once

#include "platform/InputTextFile.h"
#include "platform/LegacyRandom.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

// The work-file format: a seed line, then lines of text whose characters are
// substituted through tables drawn from the runtime's generator.
namespace workfile {

// Decoding and encoding tables: inverse permutations of the codes 32..255,
// entries 0..31 left 0.
struct Tables
{
    std::array<std::int32_t, 256> decoding{};
    std::array<std::int32_t, 256> encoding{};
};

// A character for every stored byte.
using CharacterTable = std::array<char16_t, 256>;

// Draws the tables from the generator in its current state.
[[nodiscard]] Tables buildTables(platform::LegacyRandom &random);

// The reseed argument −seed − 529, or nothing when it overflows 32 bits.
[[nodiscard]] std::optional<std::int32_t> reseedArgument(std::int32_t seed);

// Reseeds the generator for a seed number as a reader does: a negative
// argument restarts it, zero or a positive one only moves it, and an
// argument that overflows leaves it alone.
void reseedFor(std::int32_t seed, platform::LegacyRandom &random);

// What the seed line of a work file gives.
struct Header
{
    std::int32_t seed = 0; // 0 when the line holds no readable number
    bool seedRead = false;
    // The seed line is the whole file, CR LF turned into LF (lostLineEnds).
    bool lineEndsLost = false;
    Tables tables;
};

// Reads the seed item of an opened work file, reseeds the generator and
// builds the tables. Leaves the file at the first text line. The seed line is
// read piece by piece: one of any length costs little memory.
[[nodiscard]] Header readHeader(platform::InputTextFile &file, platform::LegacyRandom &random);

// Whether a work file's line ends are gone: something after the seed number
// but no CR anywhere, as when an archiver or git turned CR LF into LF. A
// reader takes the whole file for the seed line and shows an empty page.
[[nodiscard]] bool lostLineEnds(QByteArrayView file);

// The rest of the file as the work page's body: every non-empty line as the
// paragraph indent, its decoded characters and "<br>".
[[nodiscard]] QString decodeBody(platform::InputTextFile &file, const Tables &tables);

// The character a reader shows for every stored byte (U+0000 for a code
// below 32).
[[nodiscard]] CharacterTable shownCharacters(const Tables &tables);

// The rest of the file as a reader shows it, line by line and each line in
// pieces of at most pieceSize stored bytes, so that a line of any length
// costs little memory: every non-empty line, in order, handed to piece as the
// text of its pieces through characters (shownCharacters, or any mapping of
// them), with whether the piece is its line's first and whether its last.
// The text is valid until piece returns; false from it stops the reading.
// Returns whether every piece was handed on.
bool decodeLinePieces(platform::InputTextFile &file, const CharacterTable &characters, qsizetype pieceSize,
                      const std::function<bool(QStringView text, bool first, bool last)> &piece);

// The rest of the file as UTF-8 text, every non-empty line followed by LF
// (empty lines dropped as a reader drops them; a stored code below 32 is
// U+0000), decoded byte by byte with no text on the way. Handed to write in
// pieces of at most pieceSize bytes (4 at least); stops at the first piece
// that write refuses, and returns whether all were written.
bool decodeUtf8(platform::InputTextFile &file, const Tables &tables,
                const std::function<bool(QByteArrayView piece)> &write, qsizetype pieceSize = qsizetype(1024) * 1024);

// Where a text cannot be stored in a work file: a character below code 32 or
// one without a windows-1251 code. Line and column count from 1.
struct TextPosition
{
    qsizetype line = 0;
    qsizetype column = 0;
    char16_t character = 0;
};
[[nodiscard]] std::optional<TextPosition> firstUnstorable(const QStringList &lines);

// A work file for a seed number and lines of text, each ended by CR LF, as a
// reader whose generator is in the given state decodes it. The lines must
// pass firstUnstorable.
[[nodiscard]] QByteArray encodeWork(std::int32_t seed, const QStringList &lines, platform::LegacyRandom random = {});

} // namespace workfile
