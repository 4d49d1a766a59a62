#include "ui/StartReader.h"

#include "format/Collection.h"
#include "platform/NativePath.h"
#include "ui/Caption.h"
#include "ui/FatalReport.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QPointer>

using namespace Qt::Literals::StringLiterals;

namespace {

// Why the reader cannot work from programFolder; empty when it can. A path
// that is not UTF-8 works: files open by its bytes, and what is handed on
// (to the view, to the desktop) goes as a file URL that carries them.
QString unusableProgramFolder(const platform::NativePath &programFolder)
{
    if (programFolder.isEmpty())
        return u"Не удалось узнать, в какой папке находится программа."_s;
    return {};
}

} // namespace

MainWindow *startReader(const platform::NativePath &programFolder)
{
    const QString title = caption::text();
    if (const QString why = unusableProgramFolder(programFolder); !why.isEmpty()) {
        fatal::stop(title, why);
        return nullptr;
    }
    MainWindow *window = nullptr;
    fatal::guard(title, [&] {
        Collection collection = Collection::load(programFolder);
        QString page = collection.cataloguePage();
        QCoreApplication::processEvents();
        window = new MainWindow(std::move(collection), std::move(page));
        // Visible first, then the page.
        window->show();
        window->showStart();
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
