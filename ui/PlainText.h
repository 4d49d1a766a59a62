#pragma once

#include <QString>

class QLabel;
class QMessageBox;

// Text from a file name, a work or a page, shown in a widget as the text it
// is. Qt guesses rich text from anything that looks like markup (a label, a
// message box, a tool tip): a work named «<h1>ВНИМАНИЕ» would show as a
// heading. Every such text goes through here.
namespace plaintext {

void setText(QLabel *label, const QString &text);
void setText(QMessageBox *box, const QString &text);
// A tool tip that shows text as written.
[[nodiscard]] QString toolTip(const QString &text);
// A menu entry or button caption that shows text as written ("&" marks a
// key there).
[[nodiscard]] QString caption(const QString &text);

} // namespace plaintext
