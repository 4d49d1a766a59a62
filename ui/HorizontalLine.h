#pragma once

#include <QPalette>
#include <QWidget>

// A one-pixel horizontal line in one of the system's colours.
class HorizontalLine : public QWidget
{
    Q_OBJECT

public:
    // From (x1, y) to (x2, y), the end point excluded, as the system draws lines.
    HorizontalLine(int x1, int x2, int y, QPalette::ColorRole role, QWidget *parent);

    [[nodiscard]] QColor color() const { return palette().color(m_role); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPalette::ColorRole m_role;
};
