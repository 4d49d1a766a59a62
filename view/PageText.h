#pragma once

#include <QObject>
#include <QString>

class QWidget;

// The page on screen as assistive technology reads it: its name and its
// text, offered through the text interface the engine gives only to what
// can be edited. It stands in the tree beside the engine's own, under the
// view, and takes the focus of assistive technology when a new page is
// shown, so a screen reader announces it and reads it from the top.
class PageText : public QObject
{
    Q_OBJECT

public:
    // Stands under view (the page view).
    explicit PageText(QWidget *view);
    ~PageText() override;
    PageText(const PageText &) = delete;
    PageText &operator=(const PageText &) = delete;

    [[nodiscard]] QWidget *view() const;
    // Makes the view stand in the tree with the page's text among its children.
    static void standBeside(QWidget *view);
    [[nodiscard]] const QString &title() const { return m_title; }
    [[nodiscard]] const QString &text() const { return m_text; }
    // Where a screen reader reads from: the line at the top of the screen,
    // or the match found.
    [[nodiscard]] int caret() const { return m_caret; }
    // A screen reader put the caret there (where its reading of the page
    // stopped): the page is to follow.
    void setCaret(int caret);
    // Moves the caret there and says so (a screen reader reads the line).
    void moveCaret(int caret);
    // The start of the line after (step 1) or before (-1) the caret's.
    [[nodiscard]] int lineStart(int step) const;
    // The line that holds offset, without its line end.
    [[nodiscard]] QString lineAt(int offset) const;
    // Whether it holds the focus of assistive technology (until something
    // in the page takes it).
    [[nodiscard]] bool hasFocus() const { return m_focused; }

    // A new page is shown: its name and text, read from caret; the focus
    // here unless something in the page is to have it.
    void show(const QString &title, const QString &text, bool takeFocus, int caret = 0);
    // More of the same page is in (the rest of a page written in pieces):
    // its whole text now, the caret where it is.
    void update(const QString &text);
    // Something in the page took the focus.
    void release() { m_focused = false; }

Q_SIGNALS:
    // A screen reader moved the caret (setCaret), not the view.
    void caretSet(int caret);

private:
    QString m_title;
    QString m_text;
    int m_caret = 0;
    bool m_focused = false;
};
