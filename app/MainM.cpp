#include "app/MainM.h"

#include "reader/PageStyle.h"

#include "runtime/Directory.h"
#include "runtime/RuntimeError.h"

using namespace Qt::Literals::StringLiterals;

namespace MainM {

QString AppDir;
QString DataDir;
QStringList WorkNames{QString()};
std::int32_t WorkCount = -1;

QChar separatorFor(const QString &programFolder)
{
    return programFolder.contains(u'\\') ? u'\\' : u'/';
}

QString appDirFrom(const QString &programFolder)
{
    const QChar separator = separatorFor(programFolder);
    if (programFolder.isEmpty() || programFolder.back() != separator)
        return programFolder + separator;
    return programFolder;
}

QString workNameOf(const QString &fileName)
{
    const qsizetype dot = fileName.lastIndexOf(u'.');
    return dot < 0 ? fileName : fileName.left(dot);
}

QString catalogueLine(std::int32_t index, const QString &name)
{
    if (index == INT32_MAX)
        throw runtime::RuntimeError(runtime::ErrOverflow);
    return u"<a class='txt' href='http://www.t"_s + QString::number(index) + u"'>"_s
           + QString::number(index + 1) + u") "_s + name + u"</a><br>"_s;
}

QString cataloguePage(const QStringList &names)
{
    static const QString Head = QString::fromUtf16(PageStyleHead)
                                + u"<font face='Times New Roman' size='6'>Лоримунд Эльвар Ристевин</font><br>"
                                  u"<a class='txt' href='http://www.b'>Биография</a><br>"
                                  u"<font face='Times New Roman' size='4'>Список произведений F4</font><table><td>"_s;
    static const QString Tail = u"<br></td></table></center></body></html>"_s;

    QString page = Head;
    for (qsizetype i = 0; i < names.size(); ++i)
        page += catalogueLine(static_cast<std::int32_t>(i), names[i]);
    page += Tail;
    return page;
}

QString setUp(const QString &programFolder)
{
    AppDir = appDirFrom(programFolder);
    const QChar separator = separatorFor(AppDir);
    DataDir = AppDir + u"Data"_s + separator;

    WorkNames = QStringList{QString()};
    WorkCount = -1;
    const QStringList files = runtime::listFiles(DataDir, u".dat"_s);
    if (files.size() > INT32_MAX)
        throw runtime::RuntimeError(runtime::ErrOverflow);
    if (!files.isEmpty()) {
        WorkNames.clear();
        for (const QString &file : files)
            WorkNames.append(workNameOf(file));
        WorkCount = static_cast<std::int32_t>(WorkNames.size() - 1);
    }
    return cataloguePage(WorkCount < 0 ? QStringList() : WorkNames);
}

} // namespace MainM
