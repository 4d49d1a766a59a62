// The reader's entry point: what the platform needs before the application
// object exists, then start-up and the event loop.
#include "platform/System.h"
#include "ui/StartReader.h"

#include <QApplication>
#include <QIcon>
#include <QLoggingCategory>

#include <cstdio>
#include <cstring>

namespace {

constexpr char Usage[] = "Usage: sobranie [Qt options]\n"
                         "       sobranie --help | --version\n"
                         "\n"
                         "Shows the collection whose Data folder lies beside the program: a catalogue\n"
                         "of its works, each work, the biography. See sobranie(1).\n";

// The reader takes no arguments of its own but these two, answered without
// a display, as a terminal user expects.
bool answeredFromTheCommandLine(int argc, char *argv[], int *status)
{
    if (argc != 2)
        return false;
    const char *text = nullptr;
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)
        text = Usage;
    else if (std::strcmp(argv[1], "--version") == 0)
        text = "sobranie " SOBRANIE_VERSION "\n";
    else
        return false;
    *status = std::fputs(text, stdout) >= 0 && std::fflush(stdout) == 0 ? 0 : 1;
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    if (int status = 0; answeredFromTheCommandLine(argc, argv, &status))
        return status;
    platform::prepareWebEngineEnvironment();
    platform::quietMissingRuntimeFolder();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // The engine reports its graphics set-up at every start; a reader has no use for it.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
    QApplication app(argc, argv);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/sobranie/book.png")));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.sobranie"));

    return runReader(platform::programFolder());
}
