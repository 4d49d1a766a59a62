#include "ui/PlainText.h"

#include <QLabel>
#include <QMessageBox>

using namespace Qt::Literals::StringLiterals;

namespace plaintext {

void setText(QLabel *label, const QString &text)
{
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
}

void setText(QMessageBox *box, const QString &text)
{
    box->setTextFormat(Qt::PlainText);
    box->setText(text);
}

QString toolTip(const QString &text)
{
    // A tool tip has no format of its own: as markup that says the text.
    return u"<p style='white-space:pre-wrap'>"_s + text.toHtmlEscaped() + u"</p>"_s;
}

QString caption(const QString &text)
{
    QString escaped = text;
    return escaped.replace(u'&', u"&&"_s);
}

} // namespace plaintext
