#include "format/Collection.h"

#include "format/Pages.h"
#include "platform/FileKind.h"
#include "platform/RuntimeError.h"
#include "platform/System.h"

using namespace Qt::Literals::StringLiterals;

namespace {

bool needsSeparator(const QString &folder, QChar separator)
{
    if (folder.isEmpty())
        return true;
    // Where the separator is a backslash (Windows), "/" separates names too.
    return folder.back() != separator && !(separator == u'\\' && folder.back() == u'/');
}

} // namespace

QString Collection::appDirFrom(const QString &programFolder, QChar separator)
{
    return needsSeparator(programFolder, separator) ? programFolder + separator : programFolder;
}

QString Collection::workNameOf(const QString &fileName)
{
    const qsizetype dot = fileName.lastIndexOf(u'.');
    return dot < 0 ? fileName : fileName.left(dot);
}

platform::NativePath Collection::appDirFrom(const platform::NativePath &programFolder)
{
    const QChar separator(platform::PathSeparator);
    if (!needsSeparator(programFolder.text(), separator))
        return programFolder;
    return programFolder + platform::NativePath(QString(separator));
}

platform::FileListing Collection::listWorkFiles(const platform::NativePath &dataFolder)
{
    return platform::listFiles(dataFolder, u".dat");
}

Collection Collection::load(const platform::NativePath &programFolder)
{
    Collection c;
    c.m_appDir = appDirFrom(programFolder);
    // As Windows finds it: "DATA" or "data" will do.
    c.m_dataDir = platform::findFile(c.m_appDir, u"Data"_s, platform::FileKind::Folder)
                  + platform::NativePath(QString(QChar(platform::PathSeparator)));

    QList<platform::NativePath> files = listWorkFiles(c.m_dataDir).files;
    if (files.size() > INT32_MAX)
        throw platform::RuntimeError(platform::ErrorNumber::Overflow);
    if (!files.isEmpty()) {
        c.m_workNames.clear();
        for (const platform::NativePath &file : files)
            c.m_workNames.append(workNameOf(file.text()));
        c.m_lastWorkIndex = static_cast<std::int32_t>(c.m_workNames.size() - 1);
        c.m_workFiles = std::move(files);
    }
    return c;
}

platform::NativePath Collection::workPath(std::int32_t index) const
{
    return m_dataDir + workFileName(index);
}

platform::NativePath Collection::workFileName(std::int32_t index) const
{
    // The name as found, not rebuilt from the work's name: on a file system
    // that tells letter case apart, "Ода.DAT" is not "Ода.dat".
    if (index < m_workFiles.size())
        return m_workFiles.at(index);
    return platform::NativePath(m_workNames.at(index) + u".dat"_s);
}

platform::NativePath Collection::biographyPath() const
{
    return platform::findFile(m_dataDir, u"Биография.html"_s);
}

platform::NativePath Collection::helpPath() const
{
    return platform::findFile(m_appDir, u"Справка.htm"_s);
}

QString Collection::cataloguePage() const
{
    return pages::cataloguePage(m_lastWorkIndex < 0 ? QStringList() : m_workNames);
}
