#include "platform/System.h"

#include "platform/FileKind.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#include <qt_windows.h>
#else
#include <QFile>
#include <QHash>

#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
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
#ifndef Q_OS_WIN
        // Without one Qt makes a folder in /tmp, which the next session may
        // not have, and warns: the cache folder takes the pages then.
        if (location == QStandardPaths::RuntimeLocation && qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
            continue;
#endif
        const QString base = QStandardPaths::writableLocation(location);
        if (!base.isEmpty())
            folders.append(QDir::toNativeSeparators(base + u"/sobranie"_s) + PathSeparator);
    }
    return folders;
}

QString userStateFolder()
{
#ifdef Q_OS_WIN
    // Qt 6.4 has no state location; this one is the user's local AppData,
    // which is not carried to other machines.
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
#else
    // The XDG base directories: a relative path there is to be ignored.
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(base)) {
        const QString home = QDir::homePath();
        base = home.isEmpty() || home == u"/"_s ? QString() : home + u"/.local/state"_s;
    }
#endif
    if (base.isEmpty())
        return {};
    return QDir::toNativeSeparators(QDir::cleanPath(base + u"/sobranie"_s)) + PathSeparator;
}

QList<NativePath> commandLineArguments(int argc, char **argv)
{
    QList<NativePath> arguments;
#ifdef Q_OS_WIN
    Q_UNUSED(argc);
    Q_UNUSED(argv);
    // Qt has them from the system in UTF-16.
    for (const QString &argument : QCoreApplication::arguments().mid(1))
        arguments.append(NativePath(argument));
#else
    for (int i = 1; i < argc; ++i)
        arguments.append(NativePath::fromNative(QByteArray(argv[i])));
#endif
    return arguments;
}

bool holdStandardStream(int descriptor)
{
#ifdef Q_OS_WIN
    // The C runtime keeps the numbers 0 to 2 for the standard streams even
    // when the program was started without one, so no file takes them; the
    // stream then has no handle (-1), the runtime's own "no console" (-2), a
    // null one, or one that names nothing.
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
    if (handle == INVALID_HANDLE_VALUE || handle == nullptr || handle == reinterpret_cast<HANDLE>(-2))
        return false;
    SetLastError(NO_ERROR);
    return GetFileType(handle) != FILE_TYPE_UNKNOWN || GetLastError() == NO_ERROR;
#else
    if (::fcntl(descriptor, F_GETFD) != -1)
        return true;
    const int null = ::open("/dev/null", descriptor == 0 ? O_RDONLY : O_WRONLY);
    if (null >= 0 && null != descriptor) {
        ::dup2(null, descriptor);
        ::close(null);
    }
    return false;
#endif
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

void releaseFreeMemory()
{
#if defined(__GLIBC__)
    (void)::malloc_trim(0);
#endif
}

void prepareWebEngineEnvironment()
{
#ifndef Q_OS_WIN
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // On Linux the engine builds no tree of the page for assistive
    // technology unless asked to; asked, it builds one only while such a
    // technology is active.
    if (!qEnvironmentVariableIsSet("QTWEBENGINE_ENABLE_LINUX_ACCESSIBILITY"))
        qputenv("QTWEBENGINE_ENABLE_LINUX_ACCESSIBILITY", "1");
#endif
}

QString desktopTarget(const NativePath &path)
{
    return path.hasExactText() ? path.text() : path.url().toString(QUrl::FullyEncoded);
}

QString desktopFolder(const NativePath &folder)
{
    if (folder.hasExactText())
        return folder.text();
#ifdef Q_OS_WIN
    return {};
#else
    // Linux names every open descriptor in /proc; a program started there
    // finds itself in the folder itself.
    static QHash<QByteArray, int> held;
    int descriptor = held.value(folder.native(), -1);
    if (descriptor < 0) {
        descriptor = ::open(folder.native().constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (descriptor < 0)
            return {};
        held.insert(folder.native(), descriptor);
    }
    const QString name = u"/proc/%1/fd/%2"_s.arg(::getpid()).arg(descriptor);
    return QFile::exists(name) ? name : QString();
#endif
}

bool isInstalledFolder(const NativePath &programFolder)
{
    return fileKind(programFolder + NativePath(QString::fromUtf16(InstalledMarker))) == FileKind::Regular;
}

void quietMissingRuntimeFolder()
{
#ifndef Q_OS_WIN
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        return;
    static QtMessageHandler previous = nullptr;
    previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &context, const QString &text) {
        if (type == QtWarningMsg && text.startsWith(u"QStandardPaths: XDG_RUNTIME_DIR not set"_s))
            return;
        if (previous)
            previous(type, context, text);
    });
#endif
}

DesktopHandOff *openWithDesktop(const QString &target, const QString &workingFolder)
{
    return new DesktopHandOff(target, workingFolder);
}

} // namespace platform
