#include "view/ReadingFonts.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>

using namespace Qt::Literals::StringLiterals;

QStringList readingFonts()
{
    // What fontconfig makes of "serif" here: the desktop's own choice.
    QFont serif(u"serif"_s);
    serif.setStyleHint(QFont::Serif);
    const QString desktopSerif = QFontInfo(serif).family();
    QStringList offered;
    for (const QString &family : {u"PT Serif"_s, u"PT Sans"_s, u"Liberation Serif"_s, desktopSerif}) {
        if (!offered.contains(family) && QFontDatabase::hasFamily(family)
            && QFontDatabase::writingSystems(family).contains(QFontDatabase::Cyrillic))
            offered.append(family);
    }
    return offered;
}
