#pragma once

#include "platform/NativePath.h"
#include "platform/RuntimeError.h"

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace platform {

class RegularFile;

// A file opened for sequential text input. Bytes are windows-1251 characters;
// a line ends at CR LF or at CR alone, and a lone LF is an ordinary character
// (or, for text from elsewhere, at LF too). Opened whole, the file is read on
// opening; opened as a stream, it is read piece by piece as lines are asked
// for, holding little more than one line. Only a regular file opens.
class InputTextFile
{
public:
    // Where a line ends.
    enum class LineEnds {
        CrLfOrCr, // the legacy runtime's rule, that of work files
        Any, // LF, CR LF or CR: text made by any editor
    };
    // Hands over up to size bytes into buffer: how many, 0 at the end, -1
    // when the read failed.
    using Source = std::function<qint64(char *buffer, qint64 size)>;

    // How much a stream reads at a time.
    static constexpr qsizetype PieceSize = qsizetype(1) << 20;

    explicit InputTextFile(LineEnds ends = LineEnds::CrLfOrCr) : m_ends(ends) { }

    // ErrorNumber::None on success, else the runtime's error number
    // (FileNotFound when the file is missing, PathFileAccess when the name is
    // not a regular file, DeviceIO when reading it failed).
    ErrorNumber open(const NativePath &path);
    // The same, read as a stream; a failed read shows as failed().
    ErrorNumber openStream(const NativePath &path);
    // Reads bytes held in memory (read elsewhere, from standard input say)
    // as if they were a file's whole content.
    void openBytes(QByteArray bytes);
    // Reads what source hands over as a stream.
    void openStream(Source source);
    void close();
    [[nodiscard]] bool isOpen() const { return m_open; }

    // The numeric input item: leading blanks and tabs, an optional sign and
    // decimal digits; the rest of the line is consumed with its line end, even
    // when the read fails (no number, or one outside the 32-bit range).
    std::optional<std::int32_t> readNumber();

    // True when no line is left. A stream may read on to tell.
    [[nodiscard]] bool atEnd();

    // The next line without its line end; empty at the end of the file. The
    // view stays valid until the file is closed or, in a stream, until the
    // next call of readLine() or atEnd().
    QByteArrayView readLine();
    // The next piece of the line under way: up to most bytes of it (one at
    // least, while the line has any left), without the line end, which is
    // read with the line's last piece. A line of any length is so read in
    // little memory. The view stays valid as readLine()'s.
    QByteArrayView readLinePiece(qsizetype most);
    // Whether the piece read last ended its line: the next piece begins the
    // next line. After readLine(), true.
    [[nodiscard]] bool lineDone() const { return m_lineDone; }
    // Whether the line read last ended in a line end (not at the file's end).
    [[nodiscard]] bool lineEnded() const { return m_lineEnded; }
    // Whether a read of the stream failed, so its end came early.
    [[nodiscard]] bool failed() const { return m_failed; }

    // The bytes held: the whole file when it was opened whole, for callers
    // that size their output by it.
    [[nodiscard]] qsizetype size() const { return m_data.size(); }
    [[nodiscard]] QByteArrayView contents() const { return m_data; }

private:
    // One more piece of the stream, after dropping what has been read; false
    // at its end.
    bool readOn();
    // Where the line from m_pos ends, searching from from up to before
    // limit (the end of what is held when negative); -1 when not there.
    [[nodiscard]] qsizetype lineEnd(qsizetype from, qsizetype limit = -1) const;
    // Past the line end at end (CR LF, or one unit).
    void passLineEnd(qsizetype end);

    QByteArray m_data;
    qsizetype m_pos = 0;
    bool m_open = false;
    bool m_lineEnded = false;
    bool m_lineDone = true;
    bool m_failed = false;
    Source m_source;
    std::shared_ptr<RegularFile> m_file;
    LineEnds m_ends;
};

// The numeric input item at the start of line (see readNumber).
[[nodiscard]] std::optional<std::int32_t> numberItem(QByteArrayView line);

} // namespace platform
