#pragma once

#include "platform/FileIdentity.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <variant>

// sobranie-pack: makes, reads and checks work files for people who build a
// collection (the reader itself only reads them).
namespace pack {

// Where the tool reads and writes: the process's standard streams, or
// buffers in tests. inFile and outFile say which regular file standard input
// and output are, when they are one, so that output onto the input is refused.
struct Streams
{
    QIODevice &in;
    QIODevice &out;
    QIODevice &err;
    std::optional<platform::FileIdentity> inFile = std::nullopt;
    std::optional<platform::FileIdentity> outFile = std::nullopt;
};

// The lines of a UTF-8 text to be stored in a work file (a leading byte-order
// mark ignored; lines end at LF, CR LF or CR), or a message naming the file,
// line and column of the first character that cannot be stored: a control
// character (C0, DEL or C1), one without a windows-1251 code, or bytes that
// are not UTF-8.
[[nodiscard]] std::variant<QStringList, QString> textLines(const QByteArray &utf8, const QString &sourceName);

// Warnings for the characters a reader takes as markup in a work page, '<'
// and '&': where the first of each is and how many there are.
[[nodiscard]] QStringList markupWarnings(const QStringList &lines, const QString &sourceName);

// A seed number whose reseed argument is negative, so the file decodes the
// same whatever used the generator before.
[[nodiscard]] std::int32_t randomSeed();

// Runs the tool with its arguments (without the program name); returns the
// exit status: 0 done, 1 a file or a text refused, 2 a wrong command line.
int run(const QStringList &arguments, Streams &io);

} // namespace pack
