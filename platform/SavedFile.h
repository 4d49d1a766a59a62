#pragma once

#include "platform/NativePath.h"
#include "platform/ReplaceTarget.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <memory>

class QSaveFile;

namespace platform {

// A file written under a temporary name beside its final one and put in its
// place only once complete, so a failed or abandoned writing leaves what was
// there before. Named by its native path, so the name is exactly the one
// given whatever its bytes. Only a missing name or a regular file is written
// (see ReplaceTarget): a link is followed to a regular file of the user's,
// which is replaced while the link stays; anything else is refused.
class SavedFile
{
public:
    SavedFile();
    ~SavedFile();
    SavedFile(const SavedFile &) = delete;
    SavedFile &operator=(const SavedFile &) = delete;

    // False when the name may not be replaced or the temporary file cannot
    // be made (errorString() says why).
    bool open(const NativePath &path);
    // False when not all of bytes could be written.
    bool write(QByteArrayView bytes);
    // Puts the file in place; false when that failed, and nothing changed.
    bool commit();
    [[nodiscard]] QString errorString() const { return m_error; }
    // Whether open or commit failed because of what stands under the name
    // (a FIFO, a device, a link elsewhere), not for want of room or rights.
    [[nodiscard]] bool refused() const { return m_refused; }

private:
    void discard();

    QString m_error;
    bool m_refused = false;
#ifdef Q_OS_WIN
    std::unique_ptr<QSaveFile> m_file;
#else
    ReplaceTarget m_target;
    // The final name's folder, held open so that the name checked is the name replaced.
    int m_folder = -1;
    QByteArray m_name;
    QByteArray m_temporary;
    int m_descriptor = -1;
#endif
};

} // namespace platform
