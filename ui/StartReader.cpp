#include "ui/StartReader.h"

#include "format/Collection.h"
#include "platform/NativePath.h"
#include "ui/FatalReport.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QPointer>

using namespace Qt::Literals::StringLiterals;

namespace {

// Why the reader cannot work from programFolder; empty when it can. The
// folder's path is handed on as text (to the desktop for the help page and
// the redirect pages, to the view for the biography), so text must name it.
QString unusableProgramFolder(const platform::NativePath &programFolder)
{
    if (programFolder.isEmpty())
        return u"Не удалось узнать, в какой папке находится программа."_s;
    if (!programFolder.hasExactText())
        return u"Путь к папке программы \"%1\" записан не в кодировке UTF-8, и программа не может с ним работать. "
               u"Переименуйте папку или перенесите программу в другую и запустите её снова."_s.arg(
                   programFolder.text());
    return {};
}

} // namespace

MainWindow *startReader(const platform::NativePath &programFolder)
{
    const QString caption = QString::fromUtf16(MainWindow::Caption);
    if (const QString why = unusableProgramFolder(programFolder); !why.isEmpty()) {
        fatal::stop(caption, why);
        return nullptr;
    }
    MainWindow *window = nullptr;
    fatal::guard(caption, [&] {
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

int runReader(const platform::NativePath &programFolder)
{
    const QPointer<MainWindow> window = startReader(programFolder);
    const int status = window ? QApplication::exec() : 0;
    // Closing deletes the window later; the event loop may be gone by then.
    delete window.data();
    return status;
}
