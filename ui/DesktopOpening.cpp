#include "ui/DesktopOpening.h"

#include "platform/System.h"
#include "ui/Caption.h"
#include "ui/FatalReport.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace desktop {

namespace {

// Shows the busy pointer over the whole application while it lives.
class BusyPointer
{
public:
    BusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { QApplication::restoreOverrideCursor(); }
    BusyPointer(const BusyPointer &) = delete;
    BusyPointer &operator=(const BusyPointer &) = delete;
};

} // namespace

void open(QWidget *parent, const QString &target, const QString &shownAs, Pointer pointer)
{
    // Cleared by whichever report comes first, and at the latest with the
    // hand-off itself.
    auto busy = std::make_shared<std::optional<BusyPointer>>();
    if (pointer == Pointer::BusyUntilStarted)
        busy->emplace();
    const QPointer<QWidget> near(parent);
    QWidget *under = parent->window()->parentWidget();
    const QPointer<QWidget> far(under ? under->window() : nullptr);
    platform::DesktopHandOff *handOff = platform::openWithDesktop(target);
    QObject::connect(handOff, &platform::DesktopHandOff::started, handOff, [busy] { busy->reset(); });
    QObject::connect(
        handOff, &platform::DesktopHandOff::finished, handOff,
        [busy, near, far, shown = shownAs.isEmpty() ? target : shownAs](const platform::HandOffResult &result) {
            // The box, if any, with the ordinary pointer.
            busy->reset();
            if (QWidget *over = near ? near.data() : far.data())
                report(over, shown, result);
        });
}

void report(QWidget *parent, const QString &shownAs, const platform::HandOffResult &result)
{
    if (!result.handedOver())
        fatal::showCriticalBox(parent, caption::text(), failureMessage(shownAs, result));
}

QString failureMessage(const QString &shownAs, const platform::HandOffResult &result)
{
    using Outcome = platform::HandOffResult::Outcome;
    switch (result.outcome) {
    case Outcome::OpenerMissing:
        return u"Не удалось открыть «%1»: в системе нет программы %2, через которую рабочий стол открывает файлы "
               u"и веб-адреса."_s.arg(shownAs, result.opener);
    case Outcome::TargetMissing:
        return u"Не удалось открыть «%1»: такого файла нет."_s.arg(shownAs);
    case Outcome::Failed:
        return u"Не удалось открыть «%1»: программа, которая его открывает, сообщила об ошибке."_s.arg(shownAs);
    case Outcome::NoProgram:
    case Outcome::HandedOver:
        break;
    }
    return u"Не удалось открыть «%1»: система не нашла программу, которая его открывает."_s.arg(shownAs);
}

} // namespace desktop
