#pragma once

// Writing the files a test needs, failing the test when that cannot be done.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTest>

namespace testfiles {

inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path));
    QCOMPARE(f.write(bytes), bytes.size());
}

} // namespace testfiles
