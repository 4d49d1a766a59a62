// The reader's entry point: what the platform does before Main, then Main.
#include "app/MainM.h"
#include "app/frmForma.h"
#include "runtime/Platform.h"

#include <QApplication>
#include <QIcon>
#include <QLoggingCategory>

int main(int argc, char *argv[])
{
    runtime::prepareWebEngine();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // The engine reports its graphics set-up at every start; a reader has no use for it.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
    QApplication app(argc, argv);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/sobranie/book.png")));

    MainM::Main();
    const int status = frmForma::existing() ? QApplication::exec() : 0;
    delete frmForma::existing();
    return status;
}
