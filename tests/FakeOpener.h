#pragma once

// A recording stand-in for the desktop's opener (xdg-open), first in PATH. It
// also notes whether the target it got names a file that exists (a file URL
// taken back to the bytes it carries), then runs on while the file that
// SOBRANIE_OPENER_HOLD names exists, as one that starts a slow browser does.

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
            f.write("#!/bin/sh\n"
                    "case \"$1\" in\n"
                    "file://*) p=$(printf '%s' \"${1#file://}\" | perl -pe 's/%([0-9A-Fa-f]{2})/chr(hex($1))/ge') ;;\n"
                    "*) p=$1 ;;\n"
                    "esac\n"
                    "if [ -e \"$p\" ]; then found=found; else found=missing; fi\n"
                    "printf '%s\\n%s\\n%s\\n' \"$(pwd)\" \"$*\" \"$found\" >> '"
                    + m_log.toUtf8()
                    + "'\nwhile [ -e \"$SOBRANIE_OPENER_HOLD\" ]; do sleep 0.05; done\n"
                      "exit ${SOBRANIE_OPENER_STATUS:-0}\n");
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
        for (qsizetype i = 0; i + 2 < lines.size(); i += 3)
            result.append({lines[i], lines[i + 1]});
        return result;
    }

    // For each call, whether its target existed when it was made.
    [[nodiscard]] QList<bool> targetsFound() const
    {
        QFile f(m_log);
        QList<bool> result;
        if (!f.open(QIODevice::ReadOnly))
            return result;
        const QList<QByteArray> lines = f.readAll().split('\n');
        for (qsizetype i = 2; i < lines.size(); i += 3)
            result.append(lines[i] == "found");
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
