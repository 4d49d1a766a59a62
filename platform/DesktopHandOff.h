#pragma once

#include "platform/HandOffResult.h"

#include <QObject>
#include <QString>

class QProcess;

namespace platform {

// One target on its way to the desktop, never waited for. Reports started()
// when the opener runs, then finished() with how it went, each at most once
// and never from inside the call that made it (connect first, then return to
// the event loop); then it deletes itself. Deleted earlier, it leaves a
// running opener to finish by itself: the program the user asked for may still
// be starting, and the program may be ending.
class DesktopHandOff : public QObject
{
    Q_OBJECT

public:
    DesktopHandOff(const QString &target, const QString &workingFolder);
    ~DesktopHandOff() override;
    DesktopHandOff(const DesktopHandOff &) = delete;
    DesktopHandOff &operator=(const DesktopHandOff &) = delete;

    // How the opener's exit status reads (xdg-open's documented statuses).
    [[nodiscard]] static HandOffResult::Outcome outcomeOfExit(int status);

Q_SIGNALS:
    void started();
    void finished(const platform::HandOffResult &result);

private:
    // Queued, so a report never comes from inside the constructor or from
    // inside the process object's own handling.
    void finish(const HandOffResult &result);

    QProcess *m_process = nullptr;
    bool m_finished = false;
};

} // namespace platform
