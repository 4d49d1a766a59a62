#include "platform/SavedFile.h"

#include <QRandomGenerator>
#include <QSaveFile>

#include <utility>

#ifndef Q_OS_WIN
#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace platform {

namespace {

#ifndef Q_OS_WIN
// Where the links at path lead, as far as they lead (a name that does not
// exist yet is its own end).
QByteArray followLinks(QByteArray path)
{
    for (int depth = 0; depth < 40; ++depth) {
        struct stat info = {};
        if (::lstat(path.constData(), &info) != 0 || !S_ISLNK(info.st_mode))
            return path;
        QByteArray target(PATH_MAX, '\0');
        const ssize_t n = ::readlink(path.constData(), target.data(), static_cast<size_t>(target.size()));
        if (n < 0 || n >= target.size())
            return path;
        target.truncate(n);
        const qsizetype cut = path.lastIndexOf('/');
        path = target.startsWith('/') || cut < 0 ? target : path.left(cut + 1) + target;
    }
    return path;
}
#endif

} // namespace

SavedFile::SavedFile() = default;

SavedFile::~SavedFile()
{
    discard();
}

#ifdef Q_OS_WIN
bool SavedFile::open(const NativePath &path)
{
    m_file = std::make_unique<QSaveFile>(path.native());
    if (m_file->open(QIODevice::WriteOnly))
        return true;
    m_error = m_file->errorString();
    return false;
}

bool SavedFile::write(QByteArrayView bytes)
{
    if (m_file && m_file->write(bytes.data(), bytes.size()) == bytes.size())
        return true;
    m_error = m_file ? m_file->errorString() : QString();
    return false;
}

bool SavedFile::commit()
{
    if (m_file && m_file->commit())
        return true;
    m_error = m_file ? m_file->errorString() : QString();
    return false;
}

void SavedFile::discard()
{
    if (m_file)
        m_file->cancelWriting();
    m_file.reset();
}
#else
bool SavedFile::open(const NativePath &path)
{
    discard();
    m_final = followLinks(path.native());
    const qsizetype cut = m_final.lastIndexOf('/');
    // Hidden, beside the final name, so the move in place stays on one file system.
    const QByteArray stem = m_final.left(cut + 1) + '.' + m_final.mid(cut + 1) + '.';
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray temporary = stem + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        m_descriptor = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_descriptor >= 0) {
            m_temporary = temporary;
            // A file replaced keeps its permissions.
            struct stat existing = {};
            if (::stat(m_final.constData(), &existing) == 0)
                (void)::fchmod(m_descriptor, existing.st_mode & 07777);
            return true;
        }
        if (errno != EEXIST)
            break;
    }
    m_error = qt_error_string(errno);
    return false;
}

bool SavedFile::write(QByteArrayView bytes)
{
    if (m_descriptor < 0)
        return false;
    qsizetype total = 0;
    while (total < bytes.size()) {
        const ssize_t n = ::write(m_descriptor, bytes.data() + total, static_cast<size_t>(bytes.size() - total));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            m_error = qt_error_string(n < 0 ? errno : ENOSPC);
            return false;
        }
        total += n;
    }
    return true;
}

bool SavedFile::commit()
{
    if (m_descriptor < 0)
        return false;
    const int descriptor = std::exchange(m_descriptor, -1);
    if (::close(descriptor) != 0 || std::rename(m_temporary.constData(), m_final.constData()) != 0) {
        m_error = qt_error_string(errno);
        discard();
        return false;
    }
    m_temporary.clear();
    return true;
}

void SavedFile::discard()
{
    if (m_descriptor >= 0)
        ::close(std::exchange(m_descriptor, -1));
    if (!m_temporary.isEmpty())
        ::unlink(m_temporary.constData());
    m_temporary.clear();
}
#endif

} // namespace platform
