#include "platform/NativePath.h"

#include "platform/Windows1251.h"

#include <QFile>
#include <QStringDecoder>

namespace platform {

NativePath::NativePath(const QString &text)
    : m_text(text),
#ifdef Q_OS_WIN
      m_native(text)
#else
      m_native(QFile::encodeName(text))
#endif
{
}

NativePath NativePath::fromNative(NativeName native)
{
    NativePath path;
#ifdef Q_OS_WIN
    path.m_text = native;
#else
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    path.m_text = utf8(native);
    if (utf8.hasError()) {
        path.m_text = windows1251::decode(native);
        path.m_exact = false;
    }
#endif
    path.m_native = std::move(native);
    return path;
}

NativePath &NativePath::operator+=(const NativePath &other)
{
    m_text += other.m_text;
    m_native += other.m_native;
    m_exact = m_exact && other.m_exact;
    return *this;
}

} // namespace platform
