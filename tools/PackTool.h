#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <variant>

// sobranie-pack: makes, reads and checks work files for people who build a
// collection (the reader itself only reads them).
namespace pack {

// The lines of a UTF-8 text to be stored in a work file (a leading byte-order
// mark ignored; lines end at LF, CR LF or CR), or a message naming the file,
// line and column of the first character that cannot be stored.
[[nodiscard]] std::variant<QStringList, QString> textLines(const QByteArray &utf8, const QString &sourceName);

// A seed number whose reseed argument is negative, so the file decodes the
// same whatever used the generator before.
[[nodiscard]] std::int32_t randomSeed();

// Runs the tool with its arguments (without the program name); returns the exit status.
int run(const QStringList &arguments, QTextStream &out, QTextStream &err);

} // namespace pack
