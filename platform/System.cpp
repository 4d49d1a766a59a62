#include "platform/System.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#include <shellapi.h>
#else
#include <unistd.h>
#endif

using namespace Qt::Literals::StringLiterals;

namespace platform {

QString programFolder()
{
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
}

void prepareWebEngineEnvironment()
{
#ifndef Q_OS_WIN
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
#endif
}

void openWithDesktop(const QString &target, const QString &workingFolder)
{
#ifdef Q_OS_WIN
    // Unicode call, so names outside the ANSI code page survive.
    ShellExecuteW(reinterpret_cast<HWND>(1), L"Open", reinterpret_cast<LPCWSTR>(target.utf16()), nullptr,
                  reinterpret_cast<LPCWSTR>(workingFolder.utf16()), SW_SHOWNORMAL);
#else
    QProcess::startDetached(u"xdg-open"_s, {target}, workingFolder);
#endif
}

} // namespace platform
