#pragma once

#include "platform/CodePage.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

namespace platform {

#ifdef Q_OS_WIN
// Windows names files in UTF-16.
using NativeName = QString;
#else
// POSIX systems name files in bytes, UTF-8 by convention but not by rule.
using NativeName = QByteArray;
#endif

// A path as the program shows it and as the operating system names it. A
// path given as text names the file that text encodes to. A name read from a
// folder keeps the bytes it was read as: one that is not valid UTF-8 (unpacked
// from a Windows archive, in windows-1251 or cp866, or from an old Unix one,
// in KOI8-R) is shown decoded from its code page, and one in decomposed
// Unicode (from a Mac: И and a breve for Й) is shown composed; each still
// opens by its own bytes.
class NativePath
{
public:
    NativePath() = default;
    explicit NativePath(const QString &text);

    // A name or path exactly as the system gave it. Each part of it between
    // separators that is not UTF-8 is shown in the code page it reads best in
    // as Russian; text in UTF-8 is shown composed (NFC).
    [[nodiscard]] static NativePath fromNative(NativeName native);
    // A name from a folder whose names that are not UTF-8 are in page.
    [[nodiscard]] static NativePath fromNative(NativeName native, CodePage page);

    // What the user is shown.
    [[nodiscard]] const QString &text() const { return m_text; }
    // What the system calls are given.
    [[nodiscard]] const NativeName &native() const { return m_native; }
    // Whether text() names this same file, so the path may be handed on as
    // text (to the desktop, to the web view). False for a name shown decoded
    // from a code page or composed, and for a path with such a name anywhere
    // in it.
    [[nodiscard]] bool hasExactText() const { return m_exact; }
    // Whether some name in the path is shown decoded from a code page.
    [[nodiscard]] bool isInCodePage() const { return m_inCodePage; }
    // The file URL of this absolute path that reaches the same file: with the
    // native bytes percent-encoded where the text is not exact.
    [[nodiscard]] QUrl url() const;
    [[nodiscard]] bool isEmpty() const { return m_native.isEmpty(); }

    // Concatenation, as of strings: a folder ending in a separator, then a name.
    NativePath &operator+=(const NativePath &other);
    [[nodiscard]] friend NativePath operator+(NativePath a, const NativePath &b) { return a += b; }
    [[nodiscard]] friend bool operator==(const NativePath &a, const NativePath &b) { return a.m_native == b.m_native; }

private:
    QString m_text;
    NativeName m_native;
    bool m_exact = true;
    bool m_inCodePage = false;
};

} // namespace platform
