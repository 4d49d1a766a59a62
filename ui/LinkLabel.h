#pragma once

#include <QLabel>

// A label that acts as a web link: it reports a click (press and release
// over it; the second press of a double-click is none) and keeps its target
// address. Reached with Tab, it follows its link on Enter or Space and shows
// a focus frame; to assistive technology it is a link that can be pressed.
class LinkLabel : public QLabel
{
    Q_OBJECT

public:
    LinkLabel(const QString &text, QString target, QWidget *parent);

    [[nodiscard]] const QString &target() const { return m_target; }

    // Follows the link as a click does.
    void follow();

Q_SIGNALS:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_target;
    bool m_pressed = false;
};
