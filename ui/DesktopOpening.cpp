#include "ui/DesktopOpening.h"

#include "ui/FatalReport.h"
#include "ui/MainWindow.h"

using namespace Qt::Literals::StringLiterals;

namespace desktop {

void open(QWidget *parent, const QString &target)
{
    report(parent, target, platform::openWithDesktop(target));
}

void report(QWidget *parent, const QString &shownAs, const platform::DesktopHandOver &handOver)
{
    if (!handOver.handedOver) {
        fatal::showCriticalBox(parent, QString::fromUtf16(MainWindow::Caption),
                               noOpenerMessage(shownAs, handOver.missingProgram));
    }
}

QString noOpenerMessage(const QString &shownAs, const QString &missingProgram)
{
    if (missingProgram.isEmpty())
        return u"Не удалось открыть «%1»: система не нашла программу, которая его открывает."_s.arg(shownAs);
    return u"Не удалось открыть «%1»: в системе нет программы %2, через которую рабочий стол открывает файлы "
           u"и веб-адреса."_s.arg(shownAs, missingProgram);
}

} // namespace desktop
