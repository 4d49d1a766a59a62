#pragma once

// Things in the file system that are not plain files, and names that are not
// UTF-8, made with the system's own calls (Qt would name them as text).

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace files {

inline QByteArray bytes(const QString &path)
{
    return QFile::encodeName(path);
}

// A file whose path is given as bytes, holding contents.
inline bool makeRaw(const QByteArray &path, const QByteArray &contents = "1\r\n")
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, contents.constData(), static_cast<size_t>(contents.size())) == contents.size();
    return ::close(fd) == 0 && written;
}

inline bool makeFifo(const QByteArray &path)
{
    return ::mkfifo(path.constData(), 0644) == 0;
}

inline bool makeLink(const QByteArray &target, const QByteArray &link)
{
    return ::symlink(target.constData(), link.constData()) == 0;
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
        (void)::nftw(
            bytes(m_dir.path()).constData(),
            [](const char *path, const struct stat *, int, struct FTW *) { return std::remove(path); }, 16,
            FTW_DEPTH | FTW_PHYS);
    }
    TemporaryFolder(const TemporaryFolder &) = delete;
    TemporaryFolder &operator=(const TemporaryFolder &) = delete;

    [[nodiscard]] bool isValid() const { return m_dir.isValid(); }
    [[nodiscard]] QString path() const { return m_dir.path(); }
    [[nodiscard]] QString filePath(const QString &name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
};

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

// While it lives, the process works without the superuser's power to pass
// permission bits (its effective user becomes "nobody"), so a mode of 0700
// on a folder of root's denies it. Not as root, nothing changes: folders made
// by this user then need their mode taken away instead.
class Unprivileged
{
public:
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
    Unprivileged(const Unprivileged &) = delete;
    Unprivileged &operator=(const Unprivileged &) = delete;

    // Whether permission bits now apply.
    [[nodiscard]] bool applies() const { return m_dropped || ::geteuid() != 0; }

private:
    bool m_dropped = false;
};

} // namespace files
