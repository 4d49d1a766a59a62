#pragma once

#include "platform/RuntimeError.h"

#include <QFile>
#include <QString>
#include <QStringView>

namespace platform {

// A file opened for sequential text output: created, or truncated if it exists.
class OutputTextFile
{
public:
    // ErrorNumber::None on success, else the runtime's error number.
    ErrorNumber open(const QString &path);
    void close();
    [[nodiscard]] bool isOpen() const { return m_file.isOpen(); }

    // The text as windows-1251 followed by CR LF; false when the write failed.
    bool print(QStringView text);

private:
    QFile m_file;
};

} // namespace platform
