#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>

namespace runtime {

// A file opened for sequential text input. Bytes are windows-1251 characters;
// a line ends at CR LF or at CR alone, and a lone LF is an ordinary character.
class InputFile
{
public:
    // 0 on success, else the runtime's error number (53 when the file is missing).
    int open(const QString &path);
    void close();
    [[nodiscard]] bool isOpen() const { return m_open; }

    // The numeric input item: leading blanks and tabs, an optional sign and
    // decimal digits; the rest of the line is consumed with its line end, even
    // when the read fails (no number, or one outside the 32-bit range).
    std::optional<std::int32_t> readNumber();

    // True when no line is left.
    [[nodiscard]] bool eof() const { return m_pos >= m_data.size(); }

    // The next line without its line end; empty at the end of the file. The
    // view stays valid until the file is closed.
    QByteArrayView readLine();

    // The whole file, for readers that do their own scanning.
    [[nodiscard]] QByteArrayView contents() const { return m_data; }

private:
    QByteArray m_data;
    qsizetype m_pos = 0;
    bool m_open = false;
};

// A file opened for sequential text output: created, or truncated if it exists.
class OutputFile
{
public:
    // 0 on success, else the runtime's error number.
    int open(const QString &path);
    void close();
    [[nodiscard]] bool isOpen() const { return m_file.isOpen(); }

    // The text as windows-1251 followed by CR LF; false when the write failed.
    bool print(QStringView text);

private:
    QFile m_file;
};

// Reads one line from data starting at pos: returns the line, moves pos past
// its line end. Shared by InputFile and the work-file decoder's fast path.
[[nodiscard]] QByteArrayView takeLine(QByteArrayView data, qsizetype &pos);

} // namespace runtime
