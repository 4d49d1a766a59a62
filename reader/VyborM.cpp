#include "reader/VyborM.h"

#include "app/MainM.h"
#include "app/frmForma.h"
#include "reader/OpenTextM.h"
#include "runtime/Conversion.h"
#include "view/usrWeb.h"

#include <QAction>

using namespace Qt::Literals::StringLiterals;

namespace VyborM {

Link parseLink(const QString &address)
{
    constexpr qsizetype KindAt = 11;
    if (address.size() <= KindAt)
        return {};
    switch (address[KindAt].unicode()) {
    case u'b':
        return {Link::Biography, 0};
    case u's':
        return {Link::Catalogue, 0};
    case u't': {
        // The number stands between the kind letter and the final character.
        const qsizetype count = address.size() - (KindAt + 2);
        if (count < 0)
            return {};
        const auto index = runtime::toInt32(runtime::val(QStringView(address).mid(KindAt + 1, count)));
        if (!index)
            return {};
        return {Link::Work, *index};
    }
    default:
        return {};
    }
}

void Vybor(const QString &address)
{
    const Link link = parseLink(address);
    switch (link.kind) {
    case Link::Biography: {
        frmForma &form = frmForma::instance();
        form.usrWeb1()->LoadFile(MainM::DataDir + u"Биография.html"_s);
        form.MenuList()->setEnabled(true);
        break;
    }
    case Link::Work:
        OpenTextM::OpenText(link.index);
        break;
    case Link::Catalogue: {
        frmForma &form = frmForma::instance();
        form.usrWeb1()->LoadHtml(form.txtMenu.Text);
        form.MenuList()->setEnabled(false);
        break;
    }
    case Link::None:
        break;
    }
}

} // namespace VyborM
