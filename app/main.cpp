// The reader's entry point: what the platform needs before the application
// object exists, then start-up and the event loop.
#include "platform/System.h"
#include "ui/StartReader.h"

#include <QApplication>
#include <QIcon>
#include <QLoggingCategory>

int main(int argc, char *argv[])
{
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
