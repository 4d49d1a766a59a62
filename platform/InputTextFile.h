#pragma once

#include "platform/NativePath.h"
#include "platform/RuntimeError.h"

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>
#include <optional>

namespace platform {

// A file opened for sequential text input. Bytes are windows-1251 characters;
// a line ends at CR LF or at CR alone, and a lone LF is an ordinary character.
// The whole file is read on opening; only a regular file opens.
class InputTextFile
{
public:
    // ErrorNumber::None on success, else the runtime's error number
    // (FileNotFound when the file is missing, PathFileAccess when the name is
    // not a regular file, DeviceIO when reading it failed).
    ErrorNumber open(const NativePath &path);
    // Reads bytes held in memory (read elsewhere, from standard input say)
    // as if they were a file's whole content.
    void openBytes(QByteArray bytes);
    void close();
    [[nodiscard]] bool isOpen() const { return m_open; }

    // The numeric input item: leading blanks and tabs, an optional sign and
    // decimal digits; the rest of the line is consumed with its line end, even
    // when the read fails (no number, or one outside the 32-bit range).
    std::optional<std::int32_t> readNumber();

    // True when no line is left.
    [[nodiscard]] bool atEnd() const { return m_pos >= m_data.size(); }

    // The next line without its line end; empty at the end of the file. The
    // view stays valid until the file is closed.
    QByteArrayView readLine();

    // The file's size in bytes, for callers that size their output by it.
    [[nodiscard]] qsizetype size() const { return m_data.size(); }
    // The whole file as read, wherever the reading stands.
    [[nodiscard]] QByteArrayView contents() const { return m_data; }

private:
    QByteArray m_data;
    qsizetype m_pos = 0;
    bool m_open = false;
};

} // namespace platform
