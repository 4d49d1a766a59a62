#include "platform/DirectoryListing.h"

#include <QDir>

#include <algorithm>

namespace platform {

bool listsBefore(const QString &a, const QString &b)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t ua = a[i].toUpper().unicode();
        const char16_t ub = b[i].toUpper().unicode();
        if (ua != ub)
            return ua < ub;
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    // Names equal but for letter case (possible on case-sensitive file
    // systems): fall back to the exact codes, so the order stays fixed.
    return a < b;
}

QStringList listFiles(const QString &folder, const QString &suffix)
{
    const QDir dir(folder);
    if (folder.isEmpty() || !dir.exists())
        return {};
    // Without QDir::Hidden and QDir::System, hidden files and broken links
    // are left out; links to files count as files.
    QStringList names = dir.entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Unsorted);
    names.erase(std::remove_if(names.begin(), names.end(),
                               [&](const QString &name) { return !name.endsWith(suffix, Qt::CaseInsensitive); }),
                names.end());
    std::sort(names.begin(), names.end(), listsBefore);
    return names;
}

} // namespace platform
