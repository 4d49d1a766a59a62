#pragma once

#include "platform/FileIdentity.h"
#include "platform/NativePath.h"

#include <QByteArray>
#include <QIODevice>
#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

// sobranie-pack: makes, reads and checks work files for people who build a
// collection (the reader itself only reads them).
namespace pack {

// Where the tool reads and writes: the process's standard streams, or
// buffers in tests. A stream that is not open stands for one the process was
// started without. inFile and outFile say which regular file standard input
// and output are, when they are one, so that output onto the input is refused.
struct Streams
{
    QIODevice &in;
    QIODevice &out;
    QIODevice &err;
    std::optional<platform::FileIdentity> inFile = std::nullopt;
    std::optional<platform::FileIdentity> outFile = std::nullopt;
};

// A seed number whose reseed argument is negative, so the file decodes the
// same whatever used the generator before.
[[nodiscard]] std::int32_t randomSeed();

// Runs the tool with its arguments (without the program name), file names
// taken as the system gave them; returns the exit status: 0 done, 1 a file or
// a text refused or the output failed, 2 a wrong command line.
int run(const QList<platform::NativePath> &arguments, Streams &io);

} // namespace pack
