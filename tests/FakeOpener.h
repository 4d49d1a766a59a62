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
            const QByteArray dir = m_dir.path().toUtf8();
            f.write("#!/bin/sh\nwhile [ -e '" + dir
                    + "/hold' ]; do sleep 0.05; done\n"
                      "printf '%s\\n%s\\n' \"$(pwd)\" \"$*\" >> '"
                    + m_log.toUtf8()
                    + "'\n"
                      "exit $(cat '"
                    + dir + "/status' 2>/dev/null || echo 0)\n");
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

    // No calls logged; later ones succeed at once.
    void clear()
    {
        QFile::remove(m_log);
        exitWith(0);
        hold(false);
    }

    // Later calls end with status, as xdg-open does without a browser (3) or
    // without the file (2); 0 again for success.
    void exitWith(int status) { write(QStringLiteral("status"), status ? QByteArray::number(status) : QByteArray()); }
    // While held, calls wait before they are logged and end.
    void hold(bool held) { write(QStringLiteral("hold"), held ? QByteArray("") : QByteArray()); }

private:
    // Writes name in the opener's folder, or removes it for no content.
    void write(const QString &name, const QByteArray &content) const
    {
        QFile f(m_dir.filePath(name));
        if (content.isNull())
            f.remove();
        else if (f.open(QIODevice::WriteOnly))
            f.write(content);
    }

    QTemporaryDir m_dir;
    QString m_log;
};
