#pragma once

// Things in the file system that are not plain files, and names that are not
// UTF-8, made with the system's own calls (Qt would name them as text).
//
// On Windows names are UTF-16 and made through the wide API: a path given as
// bytes is UTF-8 (as bytes() gives it), or, where it is not, windows-1251,
// as a program that named files in that code page meant it. What cannot
// exist there (FIFOs, symbolic links, which need a privilege and which Wine
// does not make, permission bits) is skipped with SKIP_ON_WINDOWS.

#include "platform/NativePath.h"
#include "platform/Windows1251.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>

#ifdef Q_OS_WIN
#include <direct.h>
#include <io.h>
#include <qt_windows.h>
#else
#include <ftw.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

// Skips a test, or a row of one, whose subject cannot exist on Windows.
#ifdef Q_OS_WIN
#define SKIP_ON_WINDOWS(reason) QSKIP(reason)
#else
#define SKIP_ON_WINDOWS(reason) static_cast<void>(reason)
#endif

namespace files {

inline constexpr char NoFifos[] = "Windows has no FIFOs";
inline constexpr char NoLinks[] = "symbolic links need a privilege on Windows, and Wine makes none";
inline constexpr char NoPermissionBits[] = "Windows has no permission bits";
inline constexpr char NoByteNames[] = "a name on Windows is UTF-16 text, never bytes in a code page";

inline QByteArray bytes(const QString &path)
{
#ifdef Q_OS_WIN
    return path.toUtf8();
#else
    return QFile::encodeName(path);
#endif
}

// The name the platform layer is given for path (bytes as above).
inline platform::NativeName native(const QByteArray &path)
{
#ifdef Q_OS_WIN
    // Name by name: a name in windows-1251 may stand in a folder named in UTF-8.
    QString text;
    qsizetype start = 0;
    while (start <= path.size()) {
        qsizetype end = start;
        while (end < path.size() && path[end] != '/' && path[end] != '\\')
            ++end;
        const QByteArray name = path.mid(start, end - start);
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString decoded = utf8(name);
        text += utf8.hasError() ? platform::windows1251::decode(name) : decoded;
        if (end < path.size())
            text += QLatin1Char(path[end]);
        start = end + 1;
    }
    return text;
#else
    return path;
#endif
}

#ifdef Q_OS_WIN
inline const wchar_t *wide(const QString &path)
{
    return reinterpret_cast<const wchar_t *>(path.utf16());
}
#endif

// Opens path for reading, not waiting for the other end of a FIFO: a
// descriptor, or -1.
inline int openToRead(const QByteArray &path)
{
#ifdef Q_OS_WIN
    return ::_wopen(wide(native(path)), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
#else
    return ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
#endif
}

// Reads one byte from descriptor: 1, 0 at the end, -1 on failure.
inline int readByte(int descriptor)
{
    char byte = 0;
#ifdef Q_OS_WIN
    return ::_read(descriptor, &byte, 1);
#else
    return static_cast<int>(::read(descriptor, &byte, 1));
#endif
}

inline void closeDescriptor(int descriptor)
{
#ifdef Q_OS_WIN
    ::_close(descriptor);
#else
    ::close(descriptor);
#endif
}

// A file whose path is given as bytes, holding contents.
inline bool makeRaw(const QByteArray &path, const QByteArray &contents = "1\r\n")
{
#ifdef Q_OS_WIN
    const int fd =
        ::_wopen(wide(native(path)), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
    if (fd < 0)
        return false;
    const bool written = ::_write(fd, contents.constData(), static_cast<unsigned>(contents.size())) == contents.size();
    return ::_close(fd) == 0 && written;
#else
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, contents.constData(), static_cast<size_t>(contents.size())) == contents.size();
    return ::close(fd) == 0 && written;
#endif
}

inline bool makeFolder(const QByteArray &path)
{
#ifdef Q_OS_WIN
    return ::_wmkdir(wide(native(path))) == 0;
#else
    return ::mkdir(path.constData(), 0755) == 0;
#endif
}

inline bool remove(const QByteArray &path)
{
#ifdef Q_OS_WIN
    return ::_wremove(wide(native(path))) == 0;
#else
    return ::unlink(path.constData()) == 0;
#endif
}

// A second name for the file target.
inline bool makeHardLink(const QByteArray &target, const QByteArray &link)
{
#ifdef Q_OS_WIN
    return CreateHardLinkW(wide(native(link)), wide(native(target)), nullptr) != 0;
#else
    return ::link(target.constData(), link.constData()) == 0;
#endif
}

inline bool makeFifo(const QByteArray &path)
{
#ifdef Q_OS_WIN
    Q_UNUSED(path);
    return false;
#else
    return ::mkfifo(path.constData(), 0644) == 0;
#endif
}

// A character device made in a test's own folder, standing in for /dev/null
// ("null") or /dev/zero ("zero"), or a block device ("block", a loop device's
// numbers, never to be opened): no test aims anything at the system's own.
inline bool makeDevice(const QByteArray &path, const QByteArray &which)
{
#ifdef Q_OS_WIN
    Q_UNUSED(path);
    Q_UNUSED(which);
    return false;
#else
    if (which == "block")
        return ::mknod(path.constData(), S_IFBLK | 0600, makedev(7, 0)) == 0;
    return ::mknod(path.constData(), S_IFCHR | 0600, makedev(1, which == "null" ? 3 : 5)) == 0;
#endif
}

inline bool makeLink(const QByteArray &target, const QByteArray &link)
{
#ifdef Q_OS_WIN
    Q_UNUSED(target);
    Q_UNUSED(link);
    return false;
#else
    return ::symlink(target.constData(), link.constData()) == 0;
#endif
}

// Two links that point at each other.
inline bool makeLinkLoop(const QByteArray &link)
{
    return makeLink(link + ".other", link) && makeLink(link, link + ".other");
}

// A temporary folder that is removed with whatever it holds, names that are
// not UTF-8 among them (QTemporaryDir cannot name those).
class TemporaryFolder
{
public:
    TemporaryFolder() { m_dir.setAutoRemove(false); }
    ~TemporaryFolder()
    {
#ifdef Q_OS_WIN
        // Every name there is UTF-16, which Qt names as it is.
        (void)QDir(m_dir.path()).removeRecursively();
#else
        (void)::nftw(
            bytes(m_dir.path()).constData(),
            [](const char *path, const struct stat *, int, struct FTW *) { return std::remove(path); }, 16,
            FTW_DEPTH | FTW_PHYS);
#endif
    }
    TemporaryFolder(const TemporaryFolder &) = delete;
    TemporaryFolder &operator=(const TemporaryFolder &) = delete;

    [[nodiscard]] bool isValid() const
    {
        return m_dir.isValid();
    }
    [[nodiscard]] QString path() const
    {
        return m_dir.path();
    }
    [[nodiscard]] QString filePath(const QString &name) const
    {
        return m_dir.filePath(name);
    }

private:
    QTemporaryDir m_dir;
};

#ifdef Q_OS_WIN
// Without FIFOs nobody blocks on one.
class FifoRescuer
{
public:
    explicit FifoRescuer(const QByteArray &) { }
};
#else
// Frees whoever blocks on a FIFO after a grace period, by opening its other
// end: a reader that waits for a writer gets an end of file, a writer that
// waits for a reader gets one. A program that blocks where it should not then
// fails its test instead of hanging it.
class FifoRescuer
{
public:
    explicit FifoRescuer(QByteArray fifo, std::chrono::milliseconds grace = std::chrono::seconds(3))
        : m_fifo(std::move(fifo)), m_thread([this, grace] { run(grace); })
    {
    }
    ~FifoRescuer()
    {
        m_stop = true;
        m_thread.join();
    }
    FifoRescuer(const FifoRescuer &) = delete;
    FifoRescuer &operator=(const FifoRescuer &) = delete;

private:
    void run(std::chrono::milliseconds grace)
    {
        const auto start = std::chrono::steady_clock::now();
        while (!m_stop && std::chrono::steady_clock::now() - start < grace)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        while (!m_stop) {
            // Succeeds only while someone holds the reading end.
            int fd = ::open(m_fifo.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0)
                ::close(fd);
            // Never blocks, and frees a writer that waits for a reader.
            fd = ::open(m_fifo.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                ::close(fd);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    QByteArray m_fifo;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};
#endif

// While it lives, the process works without the superuser's power to pass
// permission bits (its effective user becomes "nobody"), so a mode of 0700
// on a folder of root's denies it. Not as root, nothing changes: folders made
// by this user then need their mode taken away instead. Windows has no
// permission bits.
class Unprivileged
{
public:
#ifndef Q_OS_WIN
    Unprivileged()
    {
        if (::geteuid() == 0)
            m_dropped = ::seteuid(65534) == 0;
    }
    ~Unprivileged()
    {
        if (m_dropped)
            (void)::seteuid(0);
    }
#else
    Unprivileged() = default;
    ~Unprivileged() = default;
#endif
    Unprivileged(const Unprivileged &) = delete;
    Unprivileged &operator=(const Unprivileged &) = delete;

    // Whether permission bits now apply.
    [[nodiscard]] bool applies() const
    {
#ifdef Q_OS_WIN
        return false;
#else
        return m_dropped || ::geteuid() != 0;
#endif
    }

private:
    bool m_dropped = false;
};

} // namespace files
