#include "platform/OutputTextFile.h"

#include "platform/FileErrors.h"
#include "platform/Windows1251.h"

namespace platform {

ErrorNumber OutputTextFile::open(const QString &path)
{
    close();
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return openError(path, m_file, true);
    return ErrorNumber::None;
}

void OutputTextFile::close()
{
    if (m_file.isOpen())
        m_file.close();
}

bool OutputTextFile::print(QStringView text)
{
    if (!m_file.isOpen())
        return false;
    QByteArray bytes = windows1251::encode(text);
    bytes.append("\r\n", 2);
    return m_file.write(bytes) == bytes.size();
}

} // namespace platform
