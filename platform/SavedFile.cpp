#include "platform/SavedFile.h"

#include <QRandomGenerator>
#include <QSaveFile>

#include <utility>

#ifndef Q_OS_WIN
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace Qt::Literals::StringLiterals;

namespace platform {

SavedFile::SavedFile() = default;

SavedFile::~SavedFile()
{
    discard();
}

#ifdef Q_OS_WIN
bool SavedFile::open(const NativePath &path)
{
    discard();
    m_refused = false;
    if (const ReplaceTarget target = replaceTarget(path); !target.allowed()) {
        m_refused = target.kind != FileKind::Inaccessible;
        m_error = target.refusal();
        return false;
    }
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
    m_refused = false;
    m_target = replaceTarget(path);
    if (!m_target.allowed()) {
        m_refused = m_target.kind != FileKind::Inaccessible;
        m_error = m_target.refusal();
        return false;
    }
    const QByteArray &final = m_target.path.native();
    const qsizetype cut = final.lastIndexOf('/');
    const QByteArray folder = cut < 0 ? QByteArray(".") : cut == 0 ? QByteArray("/") : final.left(cut);
    m_name = final.mid(cut + 1);
#ifdef O_PATH
    m_folder = ::open(folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
#else
    m_folder = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
#endif
    if (m_folder < 0) {
        m_error = qt_error_string(errno);
        return false;
    }
    // Hidden, beside the final name, so the move in place stays on one file system.
    const QByteArray stem = '.' + m_name + '.';
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray temporary = stem + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        m_descriptor =
            ::openat(m_folder, temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (m_descriptor >= 0) {
            m_temporary = temporary;
            // A file replaced keeps its permissions.
            struct stat existing = {};
            if (::fstatat(m_folder, m_name.constData(), &existing, AT_SYMLINK_NOFOLLOW) == 0
                && S_ISREG(existing.st_mode))
                (void)::fchmod(m_descriptor, existing.st_mode & 07777);
            return true;
        }
        if (errno != EEXIST)
            break;
    }
    m_error = qt_error_string(errno);
    discard();
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
    if (::close(descriptor) != 0) {
        m_error = qt_error_string(errno);
        discard();
        return false;
    }
    // Checked again as late as can be: what was put under the name since it
    // was opened (a link, a FIFO, a device) is left as it is.
    if (!stillReplaceable(m_folder, m_name.constData(), m_target)) {
        m_refused = true;
        m_error = u"not a regular file any more"_s;
        discard();
        return false;
    }
    if (::renameat(m_folder, m_temporary.constData(), m_folder, m_name.constData()) != 0) {
        m_error = qt_error_string(errno);
        discard();
        return false;
    }
    m_temporary.clear();
    discard();
    return true;
}

void SavedFile::discard()
{
    if (m_descriptor >= 0)
        ::close(std::exchange(m_descriptor, -1));
    if (!m_temporary.isEmpty())
        ::unlinkat(m_folder, m_temporary.constData(), 0);
    m_temporary.clear();
    if (m_folder >= 0)
        ::close(std::exchange(m_folder, -1));
}
#endif

} // namespace platform
