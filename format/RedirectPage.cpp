#include "format/RedirectPage.h"

#include "platform/OutputTextFile.h"
#include "platform/System.h"

#include <QDir>

using namespace Qt::Literals::StringLiterals;

namespace redirect {

QString page(const QString &url)
{
    return u"<html><head><meta http-equiv='refresh' content='0; url="_s + url
           + u"'><meta http-equiv='Content-Type' content='text/html; charset=windows-1251'>"
             u"<title>WWW</title></head><body></body></html>"_s;
}

std::optional<platform::NativePath> writePage(const platform::NativePath &folder, const QString &url)
{
    const QString text = page(url);
    for (int counter = 0; counter < MaxFiles; ++counter) {
        const platform::NativePath path = folder + platform::NativePath(QString::number(counter) + u".html"_s);
        platform::OutputTextFile file;
        // Only a regular file (or none yet) opens: a FIFO or a device under
        // the name is passed over at once.
        if (file.open(path) == platform::ErrorNumber::None) {
            // A failed write is passed over: the file is still opened.
            (void)file.print(text);
            return path;
        }
    }
    return std::nullopt;
}

std::optional<platform::NativePath> writePageWherePossible(const platform::NativePath &programFolder,
                                                           const QString &url)
{
    // An installed folder stays as installed, so that removing it leaves nothing.
    if (!platform::isInstalledFolder(platform::NativePath(programFolder))) {
        if (auto page = writePage(programFolder, url))
            return page;
    }
    for (const QString &folder : platform::userFolders()) {
        if (!QDir().mkpath(folder))
            continue;
        if (auto page = writePage(platform::NativePath(folder), url))
            return page;
    }
    return std::nullopt;
}

} // namespace redirect
