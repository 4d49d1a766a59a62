#include "platform/System.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#include <qt_windows.h>
#include <shellapi.h>
#else
#include <QFile>

#include <cstdlib>
#include <unistd.h>
#endif

using namespace Qt::Literals::StringLiterals;

namespace platform {

NativePath programFolder()
{
#ifdef Q_OS_WIN
    return NativePath(QDir::toNativeSeparators(QCoreApplication::applicationDirPath()));
#else
    // The bytes of the path, where Qt would give text with any bytes that
    // are not UTF-8 replaced, naming another folder or none.
    QByteArray program;
    if (char *resolved = ::realpath("/proc/self/exe", nullptr)) {
        program = resolved;
        std::free(resolved);
    } else {
        program = QFile::encodeName(QCoreApplication::applicationFilePath());
    }
    const qsizetype cut = program.lastIndexOf('/');
    if (cut < 0)
        return {};
    return NativePath::fromNative(program.left(cut == 0 ? 1 : cut));
#endif
}

QStringList userFolders()
{
#ifdef Q_OS_WIN
    // Qt's runtime location on Windows is the home folder itself.
    const QStandardPaths::StandardLocation locations[] = {QStandardPaths::TempLocation,
                                                          QStandardPaths::GenericCacheLocation};
#else
    const QStandardPaths::StandardLocation locations[] = {QStandardPaths::RuntimeLocation,
                                                          QStandardPaths::GenericCacheLocation};
#endif
    QStringList folders;
    for (const QStandardPaths::StandardLocation location : locations) {
        const QString base = QStandardPaths::writableLocation(location);
        if (!base.isEmpty())
            folders.append(QDir::toNativeSeparators(base + u"/sobranie"_s) + PathSeparator);
    }
    return folders;
}

void useBinaryStandardStreams()
{
#ifdef Q_OS_WIN
    (void)_setmode(0, _O_BINARY);
    (void)_setmode(1, _O_BINARY);
    // Messages too: a tool's error lines end as its output's do.
    (void)_setmode(2, _O_BINARY);
#endif
}

void prepareWebEngineEnvironment()
{
#ifndef Q_OS_WIN
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
#endif
}

DesktopHandOver openWithDesktop(const QString &target, const QString &workingFolder)
{
#ifdef Q_OS_WIN
    // Unicode call, so names outside the ANSI code page survive. Values above
    // 32 mean success; the shell does not say which program it lacked.
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(reinterpret_cast<HWND>(1), L"Open", reinterpret_cast<LPCWSTR>(target.utf16()), nullptr,
                      reinterpret_cast<LPCWSTR>(workingFolder.utf16()), SW_SHOWNORMAL));
    return result > 32 ? DesktopHandOver{true, {}} : DesktopHandOver{false, {}};
#else
    const QString opener = u"xdg-open"_s;
    // Looked up first: a detached start of a missing program cannot tell
    // that apart from other failures.
    const QString found = QStandardPaths::findExecutable(opener);
    if (found.isEmpty() || !QProcess::startDetached(found, {target}, workingFolder))
        return {false, opener};
    return {true, {}};
#endif
}

} // namespace platform
