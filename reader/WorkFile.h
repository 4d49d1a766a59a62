#pragma once

#include "runtime/Random.h"
#include "runtime/TextFile.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>

// The work-file format: a seed line, then lines of text whose characters are
// substituted through tables drawn from the runtime's generator.
namespace OpenTextM {

// Decoding and encoding tables: inverse permutations of the codes 32..255,
// entries 0..31 left 0.
struct Tables
{
    std::array<std::int32_t, 256> decoding{};
    std::array<std::int32_t, 256> encoding{};
};

// Draws the tables from the generator in its current state.
[[nodiscard]] Tables buildTables(runtime::Random &random);

// The reseed argument −seed − 529, or nothing when it overflows 32 bits.
[[nodiscard]] std::optional<std::int32_t> reseedArgument(std::int32_t seed);

// Reseeds the generator for a seed number as a reader does: a negative
// argument restarts it, zero or a positive one only moves it, and an
// argument that overflows leaves it alone.
void reseedFor(std::int32_t seed, runtime::Random &random);

// Reads the seed item of an opened work file (0 when it cannot be read),
// reseeds the generator and builds the tables. Leaves the file at the first
// text line. The seed read is reported through seedRead when given.
[[nodiscard]] Tables readHeader(runtime::InputFile &file, runtime::Random &random,
                                std::int32_t *seed = nullptr, bool *seedRead = nullptr);

// The rest of the file as the work page's body: every non-empty line as the
// paragraph indent, its decoded characters and "<br>".
[[nodiscard]] QString decodeBody(runtime::InputFile &file, const Tables &tables);

// The rest of the file as plain lines, empty lines dropped as a reader drops them.
[[nodiscard]] QStringList decodeLines(runtime::InputFile &file, const Tables &tables);

// Appends the decoded characters of one stored line (a stored code below 32 shows as U+0000).
void decodeLine(QByteArrayView line, const Tables &tables, QString &out);

// The work page for a work's name and body.
[[nodiscard]] QString workPage(const QString &name, const QString &body);

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
[[nodiscard]] QByteArray encodeWork(std::int32_t seed, const QStringList &lines,
                                    runtime::Random random = {});

} // namespace OpenTextM
