#include "format/Collection.h"

#include "format/Pages.h"
#include "platform/DirectoryListing.h"
#include "platform/RuntimeError.h"

using namespace Qt::Literals::StringLiterals;

QChar Collection::separatorFor(const QString &programFolder)
{
    return programFolder.contains(u'\\') ? u'\\' : u'/';
}

QString Collection::appDirFrom(const QString &programFolder)
{
    const QChar separator = separatorFor(programFolder);
    if (programFolder.isEmpty() || programFolder.back() != separator)
        return programFolder + separator;
    return programFolder;
}

QString Collection::workNameOf(const QString &fileName)
{
    const qsizetype dot = fileName.lastIndexOf(u'.');
    return dot < 0 ? fileName : fileName.left(dot);
}

Collection Collection::load(const QString &programFolder)
{
    Collection c;
    c.m_appDir = appDirFrom(programFolder);
    c.m_dataDir = c.m_appDir + u"Data"_s + separatorFor(c.m_appDir);

    const QStringList files = platform::listFiles(c.m_dataDir, u".dat"_s);
    if (files.size() > INT32_MAX)
        throw platform::RuntimeError(platform::ErrorNumber::Overflow);
    if (!files.isEmpty()) {
        c.m_workNames.clear();
        for (const QString &file : files)
            c.m_workNames.append(workNameOf(file));
        c.m_workCount = static_cast<std::int32_t>(c.m_workNames.size() - 1);
    }
    return c;
}

QString Collection::workPath(std::int32_t index) const
{
    return m_dataDir + m_workNames.at(index) + u".dat"_s;
}

QString Collection::biographyPath() const
{
    return m_dataDir + u"Биография.html"_s;
}

QString Collection::helpPath() const
{
    return m_appDir + u"Справка.htm"_s;
}

QString Collection::cataloguePage() const
{
    return pages::cataloguePage(m_workCount < 0 ? QStringList() : m_workNames);
}
