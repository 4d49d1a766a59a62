#pragma once

#include "platform/DirectoryListing.h"
#include "platform/NativePath.h"
#include "platform/System.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>

// One collection as the reader finds it at start-up: the program folder, its
// data folder and the works listed there. Set once, then only read.
class Collection
{
public:
    // The collection beside a program folder: enumerates its data folder.
    // Throws platform::RuntimeError when the data folder cannot be listed or
    // the listing cannot be numbered.
    [[nodiscard]] static Collection load(const platform::NativePath &programFolder);

    // The work files of a data folder and the other names that would have
    // been works, as load() finds them.
    [[nodiscard]] static platform::FileListing listWorkFiles(const platform::NativePath &dataFolder);

    // The program folder, ending in the platform's separator, as shown.
    [[nodiscard]] const QString &appDir() const { return m_appDir.text(); }
    // appDir() & "Data" & the separator, the data folder under the spelling
    // found at load() ("DATA", "data": Windows ignores letter case).
    [[nodiscard]] const QString &dataDir() const { return m_dataDir.text(); }
    // The same two as the system names them.
    [[nodiscard]] const platform::NativePath &appPath() const { return m_appDir; }
    [[nodiscard]] const platform::NativePath &dataPath() const { return m_dataDir; }
    // The work names in catalogue order; never empty: with no works it holds
    // one empty name.
    [[nodiscard]] const QStringList &workNames() const { return m_workNames; }
    // The index of the last work, -1 when there is none: the original reader's
    // WorkCount, a count in name only.
    [[nodiscard]] std::int32_t lastWorkIndex() const { return m_lastWorkIndex; }

    // Whether index lies within workNames().
    [[nodiscard]] bool contains(std::int32_t index) const { return index >= 0 && index < m_workNames.size(); }
    // The file of work index (which contains() must accept): the data folder
    // and the file's name exactly as the listing found it. Without works, the
    // one empty name gives the data folder & ".dat".
    [[nodiscard]] platform::NativePath workPath(std::int32_t index) const;
    // The name of that file alone, as the listing found it.
    [[nodiscard]] platform::NativePath workFileName(std::int32_t index) const;
    // "Биография.html" in the data folder and "Справка.htm" in the program
    // folder, under whichever spelling of the name is there, in any letter
    // case (platform::findFile tells which first), looked for at each call.
    [[nodiscard]] platform::NativePath biographyPath() const;
    [[nodiscard]] platform::NativePath helpPath() const;

    // The catalogue page of the listed works.
    [[nodiscard]] QString cataloguePage() const;

    // The program folder with exactly one trailing separator.
    [[nodiscard]] static QString appDirFrom(const QString &programFolder,
                                            QChar separator = QChar(platform::PathSeparator));
    [[nodiscard]] static platform::NativePath appDirFrom(const platform::NativePath &programFolder);
    // A work's name from its file name: everything before the last ".".
    [[nodiscard]] static QString workNameOf(const QString &fileName);

private:
    platform::NativePath m_appDir;
    platform::NativePath m_dataDir;
    QList<platform::NativePath> m_workFiles;
    QStringList m_workNames{QString()};
    std::int32_t m_lastWorkIndex = -1;
};
