#include "format/Pages.h"

#include "format/ShownText.h"
#include "platform/RuntimeError.h"

using namespace Qt::Literals::StringLiterals;

namespace pages {

namespace {

// The head both pages begin with: link style, charset, margins, and the
// opening of the centred heading.
constexpr char16_t StyleHead[] =
    u"<html><style>.txt {FONT-SIZE: 14pt; FONT-FAMILY: Times New Roman; COLOR: blue; "
    u"TEXT-DECORATION:  none; } a:hover{color:red}</style><head><meta http-equiv='Content-Type' "
    u"content='text/html; charset=windows-1251'></head><body topmargin=0 leftmargin=0 rightmargin=0>"
    u"<center>";

// A work's name as text. A Windows file name cannot hold "<" or ">", so no
// collection made there relies on markup in names, and a name that holds
// them (made elsewhere) must not hide or take over the page. "&" stays: an
// entity such as "&amp;" is a legal Windows name and shows as written.
QString nameAsText(const QString &name)
{
    QString text;
    text.reserve(name.size());
    for (const QChar c : name) {
        if (c == u'<')
            text += u"&lt;"_s;
        else if (c == u'>')
            text += u"&gt;"_s;
        else
            text += c;
    }
    return text;
}

// The work page's markup before the name, between the name and the body, and
// after the body.
struct WorkPageParts
{
    QString head = QString::fromUtf16(StyleHead) + u"<a class='txt' href='http://www.s'>"_s
                   + QString::fromUtf16(CatalogueLinkText) + u"</a><br><font face='Times New Roman' size='6'>"_s;
    QString middle = u"</font></center><table width='100%'><td><font face='Times New Roman' size='4'>"_s;
    QString tail = u"</font></td></table></body></html>"_s;
};

const WorkPageParts &workPageParts()
{
    static const WorkPageParts parts;
    return parts;
}

} // namespace

QString catalogueLine(std::int32_t index, const QString &name)
{
    if (index == INT32_MAX)
        throw platform::RuntimeError(platform::ErrorNumber::Overflow);
    return u"<a class='txt' href='http://www.t"_s + QString::number(index) + u"'>"_s + QString::number(index + 1)
           + u") "_s + nameAsText(name) + u"</a><br>"_s;
}

QString cataloguePage(const QStringList &names)
{
    static const QString Head = QString::fromUtf16(StyleHead)
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

QString workPage(const QString &name, const QString &body)
{
    const WorkPageParts &parts = workPageParts();
    QString page;
    const QString heading = nameAsText(name);
    page.reserve(parts.head.size() + heading.size() + parts.middle.size() + body.size() + parts.tail.size());
    page.append(parts.head).append(heading).append(parts.middle).append(body).append(parts.tail);
    return page;
}

WorkPageFrame workPageFrame(const QString &name)
{
    const WorkPageParts &parts = workPageParts();
    return {parts.head + nameAsText(name) + parts.middle, parts.tail};
}

QString shownName(const QString &name)
{
    // As in the page's body, where nothing before it is left open.
    return ShownText::of(QString(u"<body>"_s + nameAsText(name)));
}

namespace {

// The large font both pages open with, under the centred start of the body.
const QString HeadingSelector = u"body > center > font[size='6']"_s;

} // namespace

Outline catalogueOutline()
{
    return {u"Список произведений"_s, HeadingSelector};
}

Outline workOutline(const QString &name)
{
    return {name, HeadingSelector};
}

Outline biographyOutline()
{
    return {u"Биография"_s, {}};
}

QString workLinkSelector(std::int32_t index)
{
    return u"a[href='http://www.t%1']"_s.arg(index);
}

} // namespace pages
