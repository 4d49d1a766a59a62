#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

class QWebEngineView;
class QWidget;

// What reaches the page from the keyboard, the wheel and the pointer: only
// the keys that read on and move between links, Ctrl+wheel as the reader's
// one text size, the focus back in the page once a new one is there, and the
// busy pointer while a page is slow to come.
class InputGuard : public QObject
{
    Q_OBJECT

public:
    // A write shorter than this shows no busy pointer.
    static constexpr int BusyPointerDelayMs = 300;

    explicit InputGuard(QWebEngineView *browser, QObject *parent = nullptr);

    // Whether a key reaches the page (the modifiers are not looked at).
    [[nodiscard]] static bool isReadingKey(int key);

    // Guards whatever widget takes the keys now, and its children.
    void guard();
    // Guards, and gives the page the focus when its window is active, so
    // the reading keys work at once.
    void takeFocus();

    // The text size of every page, 1 for the pages' own: a step larger, a
    // step smaller, back.
    [[nodiscard]] qreal textSize() const { return m_textSize; }
    void larger();
    void smaller();
    void resetTextSize() { setTextSize(1.0); }
    void setTextSize(qreal factor);

    // A page is on its way (the busy pointer shows if it is slow), or in place.
    void setLoading(bool loading);
    // The busy pointer, if it shows, moves to the widget now taking the pointer.
    void rehome();
    // Up and Down move a screen reader's caret a line (and the page with
    // it) rather than the page a little.
    void setLineKeys(bool lines) { m_lineKeys = lines; }

Q_SIGNALS:
    void textSizeChanged(qreal factor);
    // The widget that takes the keys and shows the page, now guarded.
    void guarding(QWidget *screen);
    // Up (-1) or Down (1) with line keys on.
    void lineStep(int step);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setBusyPointer(bool busy);

    QWebEngineView *m_browser;
    qreal m_textSize = 1.0;
    QTimer m_busyDelay;
    QPointer<QWidget> m_busyWidget;
    bool m_lineKeys = false;
};
