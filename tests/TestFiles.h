#pragma once

// Writing the files a test needs, failing the test when that cannot be done.

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTest>

namespace testfiles {

inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path));
    QCOMPARE(f.write(bytes), bytes.size());
}

// A work file made once by an encoder of its own (scripts/make-reference-works,
// from the runtime's facts alone), beside the lines it shows.
struct ReferenceWork
{
    QString name;
    QByteArray file;
    QStringList lines;
};

// The reference works, copied beside the test programs by the build.
inline QList<ReferenceWork> referenceWorks()
{
    QList<ReferenceWork> works;
    const QDir folder(QCoreApplication::applicationDirPath() + QStringLiteral("/reference"));
    for (const QString &text : folder.entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name)) {
        QFile source(folder.filePath(text));
        QFile file(folder.filePath(text.chopped(4) + QStringLiteral(".dat")));
        if (!source.open(QIODevice::ReadOnly) || !file.open(QIODevice::ReadOnly))
            continue;
        QStringList lines = QString::fromUtf8(source.readAll()).split(u'\n').mid(1); // after the seed
        lines.removeAll(QString());
        works.append({text.chopped(4), file.readAll(), lines});
    }
    return works;
}

} // namespace testfiles
