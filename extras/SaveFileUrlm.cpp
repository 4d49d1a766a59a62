#include "extras/SaveFileUrlm.h"

#include "app/MainM.h"
#include "extras/OpURL.h"
#include "runtime/Platform.h"
#include "runtime/TextFile.h"

using namespace Qt::Literals::StringLiterals;

namespace SaveFileUrlm {

QString redirectPage(const QString &url)
{
    return u"<html><head><meta http-equiv='refresh' content='0; url="_s + url
           + u"'><meta http-equiv='Content-Type' content='text/html; charset=windows-1251'>"
             u"<title>WWW</title></head><body></body></html>"_s;
}

void SaveFileUrl(const QString &url)
{
    const QString page = redirectPage(url);
    QString written;
    for (int counter = 0; counter < MaxRedirectFiles && written.isEmpty(); ++counter) {
        const QString path = MainM::AppDir + QString::number(counter) + u".html"_s;
        runtime::OutputFile file;
        if (file.open(path) == 0) {
            // A failed write is passed over: the file is still opened.
            (void)file.print(page);
            written = path;
        }
        file.close();
    }
    if (written.isEmpty())
        return;
    runtime::doEvents();
    OpURL::OpenURL(written);
}

} // namespace SaveFileUrlm
