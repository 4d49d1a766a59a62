#pragma once

// A recording stand-in for the desktop's opener (xdg-open), first in PATH.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class FakeOpener
{
public:
    FakeOpener()
    {
        m_log = m_dir.filePath(QStringLiteral("opened.log"));
        const QString script = m_dir.filePath(QStringLiteral("xdg-open"));
        QFile f(script);
        if (f.open(QIODevice::WriteOnly)) {
            f.write("#!/bin/sh\nprintf '%s\\n%s\\n' \"$(pwd)\" \"$*\" >> '" + m_log.toUtf8()
                    + "'\nexit ${SOBRANIE_OPENER_STATUS:-0}\n");
            f.close();
            f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        qputenv("PATH", m_dir.path().toUtf8() + ':' + qgetenv("PATH"));
    }

    // Each call as (working folder, argument), in order.
    [[nodiscard]] QList<QPair<QString, QString>> calls() const
    {
        QFile f(m_log);
        QList<QPair<QString, QString>> result;
        if (!f.open(QIODevice::ReadOnly))
            return result;
        const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
        for (qsizetype i = 0; i + 1 < lines.size(); i += 2)
            result.append({lines[i], lines[i + 1]});
        return result;
    }

    void clear() { QFile::remove(m_log); }

    // Later calls end with status, as xdg-open does without a browser (3) or
    // without the file (2).
    static void exitWith(int status) { qputenv("SOBRANIE_OPENER_STATUS", QByteArray::number(status)); }

private:
    QTemporaryDir m_dir;
    QString m_log;
};
