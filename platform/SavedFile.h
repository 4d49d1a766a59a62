#pragma once

#include "platform/NativePath.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <memory>

class QSaveFile;

namespace platform {

// A file written under a temporary name beside its final one and put in its
// place only once complete, so a failed or abandoned writing leaves what was
// there before. Named by its native path, so the name is exactly the one
// given whatever its bytes. A link is followed: the file it leads to is
// replaced, the link stays.
class SavedFile
{
public:
    SavedFile();
    ~SavedFile();
    SavedFile(const SavedFile &) = delete;
    SavedFile &operator=(const SavedFile &) = delete;

    // False when the temporary file cannot be made (errorString() says why).
    bool open(const NativePath &path);
    // False when not all of bytes could be written.
    bool write(QByteArrayView bytes);
    // Puts the file in place; false when that failed, and nothing changed.
    bool commit();
    [[nodiscard]] QString errorString() const { return m_error; }

private:
    void discard();

    QString m_error;
#ifdef Q_OS_WIN
    std::unique_ptr<QSaveFile> m_file;
#else
    QByteArray m_final;
    QByteArray m_temporary;
    int m_descriptor = -1;
#endif
};

} // namespace platform
