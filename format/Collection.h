#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

// One collection as the reader finds it at start-up: the program folder, its
// data folder and the works listed there. Set once, then only read.
class Collection
{
public:
    // The collection beside a program folder: enumerates its data folder.
    // Throws platform::RuntimeError when the listing cannot be numbered.
    [[nodiscard]] static Collection load(const QString &programFolder);

    // The program folder, ending in the separator chosen for it.
    [[nodiscard]] const QString &appDir() const { return m_appDir; }
    // appDir() & "Data" & the separator.
    [[nodiscard]] const QString &dataDir() const { return m_dataDir; }
    // The work names in catalogue order; never empty: with no works it holds
    // one empty name.
    [[nodiscard]] const QStringList &workNames() const { return m_workNames; }
    // The index of the last work, -1 when there is none.
    [[nodiscard]] std::int32_t workCount() const { return m_workCount; }

    // Whether index lies within workNames().
    [[nodiscard]] bool contains(std::int32_t index) const { return index >= 0 && index < m_workNames.size(); }
    // The file of work index (which contains() must accept).
    [[nodiscard]] QString workPath(std::int32_t index) const;
    [[nodiscard]] QString biographyPath() const;
    [[nodiscard]] QString helpPath() const;

    // The catalogue page of the listed works.
    [[nodiscard]] QString cataloguePage() const;

    // "\" when the folder contains one, otherwise "/".
    [[nodiscard]] static QChar separatorFor(const QString &programFolder);
    // The program folder with exactly one trailing separator.
    [[nodiscard]] static QString appDirFrom(const QString &programFolder);
    // A work's name from its file name: everything before the last ".".
    [[nodiscard]] static QString workNameOf(const QString &fileName);

private:
    QString m_appDir;
    QString m_dataDir;
    QStringList m_workNames{QString()};
    std::int32_t m_workCount = -1;
};
