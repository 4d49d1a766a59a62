#include "ui/StartReader.h"

#include "format/Collection.h"
#include "ui/FatalReport.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QPointer>

MainWindow *startReader(const QString &programFolder)
{
    MainWindow *window = nullptr;
    fatal::guard(QString::fromUtf16(MainWindow::Caption), [&] {
        Collection collection = Collection::load(programFolder);
        QString page = collection.cataloguePage();
        QCoreApplication::processEvents();
        window = new MainWindow(std::move(collection), std::move(page));
        // Visible first, then the page.
        window->show();
        window->showCatalogue();
    });
    return window;
}

int runReader(const QString &programFolder)
{
    const QPointer<MainWindow> window = startReader(programFolder);
    const int status = window ? QApplication::exec() : 0;
    // Closing deletes the window later; the event loop may be gone by then.
    delete window.data();
    return status;
}
