#include "platform/NativePath.h"

#include <QFile>

#include <algorithm>

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
#ifdef Q_OS_WIN
    return fromNative(std::move(native), CodePage::Windows1251);
#else
    const QList<QByteArray> parts = native.split('/');
    if (std::all_of(parts.begin(), parts.end(), [](const QByteArray &part) { return codepage::isUtf8Name(part); }))
        return fromNative(std::move(native), CodePage::Windows1251);
    NativePath path;
    path.m_native = std::move(native);
    path.m_exact = false;
    path.m_inCodePage = true;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i > 0)
            path.m_text += u'/';
        path.m_text += fromNative(parts[i], codepage::ofNames({parts[i]})).text();
    }
    return path;
#endif
}

NativePath NativePath::fromNative(NativeName native, CodePage page)
{
    NativePath path;
#ifdef Q_OS_WIN
    Q_UNUSED(page);
    path.m_text = native;
#else
    if (!codepage::isUtf8Name(native)) {
        path.m_text = codepage::decode(native, page);
        path.m_exact = false;
        path.m_inCodePage = true;
        path.m_native = std::move(native);
        return path;
    }
    path.m_text = QString::fromUtf8(native);
#endif
    // Composed, a name sorts and compares as the same name typed on Windows
    // or Linux does, whichever unpacker wrote it.
    QString composed = path.m_text.normalized(QString::NormalizationForm_C);
    if (composed != path.m_text) {
        path.m_text = std::move(composed);
        path.m_exact = false;
    }
    path.m_native = std::move(native);
    return path;
}

QUrl NativePath::url() const
{
    if (m_exact)
        return QUrl::fromLocalFile(m_text);
#ifdef Q_OS_WIN
    return QUrl::fromLocalFile(m_native);
#else
    // Slashes stay separators; every other byte outside ASCII letters and
    // digits is written as %XX, which the engine and the desktop turn back
    // into the same bytes.
    return QUrl::fromEncoded("file://" + m_native.toPercentEncoding("/"), QUrl::StrictMode);
#endif
}

NativePath &NativePath::operator+=(const NativePath &other)
{
    m_text += other.m_text;
    m_native += other.m_native;
    m_exact = m_exact && other.m_exact;
    m_inCodePage = m_inCodePage || other.m_inCodePage;
    return *this;
}

} // namespace platform
