#include "platform/DesktopHandOff.h"

#include <QProcess>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#include <shellapi.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

using namespace Qt::Literals::StringLiterals;

namespace platform {

namespace {

#ifdef Q_OS_WIN
// ShellExecuteW's result: above 32 on success, else an error code.
HandOffResult::Outcome outcomeOfShell(INT_PTR result)
{
    if (result > 32)
        return HandOffResult::Outcome::HandedOver;
    switch (result) {
    case SE_ERR_FNF:
    case SE_ERR_PNF:
        return HandOffResult::Outcome::TargetMissing;
    case SE_ERR_NOASSOC:
    case SE_ERR_ASSOCINCOMPLETE:
        return HandOffResult::Outcome::NoProgram;
    default:
        return HandOffResult::Outcome::Failed;
    }
}
#else
// Run in the opener's process before it starts: none of the reader's own
// files goes with it. xdg-open may run as long as the browser it starts, and
// the web engine's sockets in its hands would keep the engine's helper
// processes alive after the reader has ended.
void closeReadersFilesOnExec()
{
#ifdef CLOSE_RANGE_CLOEXEC
    if (::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) == 0)
        return;
#endif
    const long last = ::sysconf(_SC_OPEN_MAX);
    for (int descriptor = 3; descriptor < last; ++descriptor)
        (void)::fcntl(descriptor, F_SETFD, FD_CLOEXEC);
}
#endif

} // namespace

DesktopHandOff::DesktopHandOff(const QString &target, const QString &workingFolder)
{
#ifdef Q_OS_WIN
    // Unicode call, so names outside the ANSI code page survive. It returns
    // once the shell has started the program, so both reports follow at once.
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(reinterpret_cast<HWND>(1), L"Open", reinterpret_cast<LPCWSTR>(target.utf16()), nullptr,
                      reinterpret_cast<LPCWSTR>(workingFolder.utf16()), SW_SHOWNORMAL));
    const HandOffResult::Outcome outcome = outcomeOfShell(result);
    if (outcome == HandOffResult::Outcome::HandedOver)
        QMetaObject::invokeMethod(this, &DesktopHandOff::started, Qt::QueuedConnection);
    finish({outcome, {}});
#else
    const QString opener = u"xdg-open"_s;
    // Looked up first: a missing program is a reason of its own to tell the user.
    const QString found = QStandardPaths::findExecutable(opener);
    if (found.isEmpty()) {
        finish({HandOffResult::Outcome::OpenerMissing, opener});
        return;
    }
    m_process = new QProcess(this);
    m_process->setProgram(found);
    m_process->setArguments({target});
    m_process->setWorkingDirectory(workingFolder);
    // Nothing to read or write; what it says goes where the reader's own
    // messages go. No pipe to the reader, so it can outlive the reader.
    m_process->setStandardInputFile(QProcess::nullDevice());
    m_process->setStandardOutputFile(QProcess::nullDevice());
    m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process->setChildProcessModifier(closeReadersFilesOnExec);
    connect(m_process, &QProcess::started, this, &DesktopHandOff::started, Qt::QueuedConnection);
    connect(m_process, &QProcess::errorOccurred, this, [this, opener](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            finish({HandOffResult::Outcome::OpenerMissing, opener});
    });
    connect(m_process, &QProcess::finished, this, [this, opener](int status, QProcess::ExitStatus how) {
        finish({how == QProcess::NormalExit ? outcomeOfExit(status) : HandOffResult::Outcome::Failed, opener});
    });
    m_process->start();
#endif
}

DesktopHandOff::~DesktopHandOff()
{
    // Destroying a running QProcess kills it (and waits for it). xdg-open
    // may run as long as the browser it started: let it go on by itself. Its
    // process object stays until it ends, or to the end of the program.
    if (m_process && m_process->state() != QProcess::NotRunning) {
        m_process->disconnect(this);
        m_process->setParent(nullptr);
        connect(m_process, &QProcess::finished, m_process, &QObject::deleteLater);
    }
}

HandOffResult::Outcome DesktopHandOff::outcomeOfExit(int status)
{
    switch (status) {
    case 0:
        return HandOffResult::Outcome::HandedOver;
    case 2:
        return HandOffResult::Outcome::TargetMissing;
    case 3:
        // "A required tool could not be found": nothing that opens it.
        return HandOffResult::Outcome::NoProgram;
    default:
        return HandOffResult::Outcome::Failed;
    }
}

void DesktopHandOff::finish(const HandOffResult &result)
{
    if (m_finished)
        return;
    m_finished = true;
    QMetaObject::invokeMethod(
        this,
        [this, result] {
            Q_EMIT finished(result);
            deleteLater();
        },
        Qt::QueuedConnection);
}

} // namespace platform
