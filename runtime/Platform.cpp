#include "runtime/Platform.h"

#include "runtime/RuntimeError.h"

#include <QCoreApplication>
#include <QDir>
#include <QMessageBox>
#include <QProcess>

#include <cstdio>
#include <new>
#include <cstdlib>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#include <shellapi.h>
#else
#include <unistd.h>
#endif

using namespace Qt::Literals::StringLiterals;

namespace runtime {

namespace {

std::function<void(int)> &fatalExit()
{
    static std::function<void(int)> exitFunction = [](int status) {
        std::fflush(nullptr);
        // The event loop may be several levels deep here (inside a browser
        // callback): end at once rather than unwind through it.
        std::_Exit(status);
    };
    return exitFunction;
}

} // namespace

QString programFolder()
{
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
}

void prepareWebEngine()
{
#ifndef Q_OS_WIN
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
#endif
}

void doEvents()
{
    QCoreApplication::processEvents();
}

void shellOpen(const QString &target, const QString &workingFolder)
{
#ifdef Q_OS_WIN
    // Unicode call, so names outside the ANSI code page survive.
    ShellExecuteW(reinterpret_cast<HWND>(1), L"Open", reinterpret_cast<LPCWSTR>(target.utf16()), nullptr,
                  reinterpret_cast<LPCWSTR>(workingFolder.utf16()), SW_SHOWNORMAL);
#else
    QProcess::startDetached(u"xdg-open"_s, {target}, workingFolder);
#endif
}

void criticalBox(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok, parent);
    box.setObjectName(u"criticalBox"_s);
    box.exec();
}

void reportFatal(const RuntimeError &error, const QString &title)
{
    const QString text = u"Run-time error '%1':\n\n%2"_s.arg(error.number()).arg(error.text());
    std::fprintf(stderr, "%s\n", qPrintable(text));
    criticalBox(nullptr, title, text);
    fatalExit()(1);
}

void guardFatal(const QString &title, const std::function<void()> &body)
{
    try {
        body();
    } catch (const RuntimeError &error) {
        reportFatal(error, title);
    } catch (const std::bad_alloc &) {
        reportFatal(RuntimeError(ErrOutOfMemory), title);
    }
}

void setFatalExit(std::function<void(int status)> exitFunction)
{
    fatalExit() = std::move(exitFunction);
}

} // namespace runtime

