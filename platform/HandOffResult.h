#pragma once

#include <QString>

namespace platform {

// How handing a target to the desktop went: what a DesktopHandOff ends with.
struct HandOffResult
{
    enum class Outcome {
        // The desktop took it; what the program it went to shows is that
        // program's affair.
        HandedOver,
        // The desktop's opener itself is missing (opener names it).
        OpenerMissing,
        // There is no such file.
        TargetMissing,
        // Nothing on the desktop opens it (no browser, no association).
        NoProgram,
        // The opener, or the program it started, reported another failure.
        Failed,
    };
    Outcome outcome = Outcome::HandedOver;
    // The opener, by the name the user would look for; empty where the
    // desktop's own shell does the opening.
    QString opener;

    [[nodiscard]] bool handedOver() const { return outcome == Outcome::HandedOver; }
};

} // namespace platform
