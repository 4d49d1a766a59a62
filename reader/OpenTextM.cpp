#include "reader/OpenTextM.h"

#include "app/MainM.h"
#include "app/frmForma.h"
#include "reader/WorkFile.h"
#include "runtime/Platform.h"
#include "runtime/RuntimeError.h"
#include "view/usrWeb.h"

#include <QAction>

using namespace Qt::Literals::StringLiterals;

namespace OpenTextM {

QString openFailureText(const QString &path, int error)
{
    return u"Файл \""_s + path
           + (error == runtime::ErrFileNotFound ? u"\" не найден."_s : u"\" открыть не возможно."_s);
}

void OpenText(std::int32_t index)
{
    if (index < 0 || index >= MainM::WorkNames.size())
        return;
    const QString name = MainM::WorkNames[index];
    // The data folder with the separator chosen at start-up.
    const QString path = MainM::DataDir + name + u".dat"_s;

    runtime::InputFile file;
    const int openResult = file.open(path);
    QString body;
    if (openResult == 0) {
        const Tables tables = readHeader(file, runtime::Random::shared());
        body = decodeBody(file, tables);
    }
    file.close();
    runtime::doEvents();

    frmForma &form = frmForma::instance();
    if (openResult > 0) {
        runtime::criticalBox(&form, QString::fromUtf16(MainM::Caption), openFailureText(path, openResult));
        return;
    }
    try {
        form.usrWeb1()->LoadHtml(workPage(name, body));
    } catch (const runtime::RuntimeError &) {
        // Passed over: the view keeps what it shows.
    }
    form.MenuList()->setEnabled(true);
}

} // namespace OpenTextM
