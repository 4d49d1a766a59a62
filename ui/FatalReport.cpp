#include "ui/FatalReport.h"

#include "platform/RuntimeError.h"
#include "ui/PlainText.h"

#include <QMessageBox>

#include <cstdio>
#include <cstdlib>
#include <new>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace fatal {

namespace {

ExitFunction &exitFunction()
{
    static ExitFunction function = [](int status) {
        std::fflush(nullptr);
        // The event loop may be several levels deep here (inside a browser
        // callback): end at once rather than unwind through it.
        std::_Exit(status);
    };
    return function;
}

} // namespace

void showCriticalBox(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Critical, title, QString(), QMessageBox::Ok, parent);
    box.setObjectName(u"criticalBox"_s);
    // Paths and names are in it, as they are.
    plaintext::setText(&box, text);
    box.exec();
}

void stop(const QString &title, const QString &text)
{
    std::fprintf(stderr, "%s\n", qPrintable(text));
    showCriticalBox(nullptr, title, text);
    exitFunction()(1);
}

void report(const platform::RuntimeError &error, const QString &title)
{
    stop(title, u"Run-time error '%1':\n\n%2"_s.arg(static_cast<int>(error.number())).arg(error.text()));
}

void guard(const QString &title, const std::function<void()> &body)
{
    try {
        body();
    } catch (const platform::RuntimeError &error) {
        report(error, title);
    } catch (const std::bad_alloc &) {
        report(platform::RuntimeError(platform::ErrorNumber::OutOfMemory), title);
    }
}

ExitFunction setExitFunction(ExitFunction function)
{
    return std::exchange(exitFunction(), std::move(function));
}

} // namespace fatal
