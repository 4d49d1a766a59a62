#include "ui/StartReader.h"

#include "format/Collection.h"
#include "ui/FatalReport.h"
#include "ui/MainWindow.h"

#include <QCoreApplication>

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
