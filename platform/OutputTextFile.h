#pragma once

#include "platform/NativePath.h"
#include "platform/RegularFile.h"
#include "platform/RuntimeError.h"

#include <QStringView>

namespace platform {

// A file opened for sequential text output: created, or emptied if it exists.
// Only a regular file opens: a FIFO, a device or a link to anything but a
// regular file of the user's is refused at once and left as it was.
class OutputTextFile
{
public:
    // ErrorNumber::None on success, else the runtime's error number.
    ErrorNumber open(const NativePath &path);
    void close() { m_file.close(); }
    [[nodiscard]] bool isOpen() const { return m_file.isOpen(); }

    // The text as windows-1251 followed by CR LF; false when the write failed.
    bool print(QStringView text);

private:
    RegularFile m_file;
};

} // namespace platform
