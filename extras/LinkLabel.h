#pragma once

#include <QLabel>

// A label that acts as a web link: it reports a click (press and release
// over it) and keeps its target address in Tag.
class LinkLabel : public QLabel
{
    Q_OBJECT

public:
    LinkLabel(const QString &text, QString tag, QWidget *parent);

    [[nodiscard]] const QString &Tag() const { return m_tag; }

Q_SIGNALS:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QString m_tag;
    bool m_pressed = false;
};
