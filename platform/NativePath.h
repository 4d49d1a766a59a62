#pragma once

#include <QByteArray>
#include <QString>

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
// folder keeps the bytes it was read as: one that is not valid UTF-8 (made by
// a program that wrote windows-1251, as collections from Windows are) is shown
// decoded from windows-1251 and still opens by its own bytes.
class NativePath
{
public:
    NativePath() = default;
    explicit NativePath(const QString &text);

    // A name or path exactly as the system gave it.
    [[nodiscard]] static NativePath fromNative(NativeName native);

    // What the user is shown.
    [[nodiscard]] const QString &text() const { return m_text; }
    // What the system calls are given.
    [[nodiscard]] const NativeName &native() const { return m_native; }
    // Whether text() names this same file, so the path may be handed on as
    // text (to the desktop, to the web view). False for a name shown decoded
    // from windows-1251.
    [[nodiscard]] bool hasExactText() const { return m_exact; }
    [[nodiscard]] bool isEmpty() const { return m_native.isEmpty(); }

    // Concatenation, as of strings: a folder ending in a separator, then a name.
    NativePath &operator+=(const NativePath &other);
    [[nodiscard]] friend NativePath operator+(NativePath a, const NativePath &b) { return a += b; }
    [[nodiscard]] friend bool operator==(const NativePath &a, const NativePath &b) { return a.m_native == b.m_native; }

private:
    QString m_text;
    NativeName m_native;
    bool m_exact = true;
};

} // namespace platform
