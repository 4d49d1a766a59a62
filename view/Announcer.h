#pragma once

#include <QObject>
#include <QString>

class QWidget;

// Says a short message to a screen reader: a notification that shows,
// which a screen reader speaks wherever the focus is (a change of a label's
// text it would not: Qt sends name changes without their new text, and
// screen readers speak such changes only on what has the focus).
class Announcer : public QObject
{
    Q_OBJECT

public:
    // Stands in the accessibility tree under view.
    explicit Announcer(QWidget *view);

    [[nodiscard]] QWidget *view() const;
    [[nodiscard]] const QString &message() const { return m_message; }

    // Says message (nothing without an assistive technology).
    void say(const QString &message);

private:
    QString m_message;
};
