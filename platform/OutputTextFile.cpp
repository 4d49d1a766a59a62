#include "platform/OutputTextFile.h"

#include "platform/Windows1251.h"

namespace platform {

ErrorNumber OutputTextFile::open(const NativePath &path)
{
    return m_file.openForOutput(path);
}

bool OutputTextFile::print(QStringView text)
{
    if (!m_file.isOpen())
        return false;
    QByteArray bytes = windows1251::encode(text);
    bytes.append("\r\n", 2);
    return m_file.write(bytes);
}

} // namespace platform
