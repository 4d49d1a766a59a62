#include "app/MainM.h"

#include "app/frmForma.h"
#include "runtime/Platform.h"
#include "view/usrWeb.h"

namespace MainM {

void Main()
{
    start(runtime::programFolder());
}

void start(const QString &programFolder)
{
    runtime::guardFatal(QString::fromUtf16(Caption), [&] {
        const QString page = setUp(programFolder);
        runtime::doEvents();
        frmForma &form = frmForma::instance();
        // Visible first, then the page, then the kept copy.
        form.show();
        form.usrWeb1()->LoadHtml(page);
        form.txtMenu.Text = page;
    });
}

} // namespace MainM
