#pragma once

#include <QObject>
#include <QString>

class PageEngine;

// Find on the page on screen: the phrase's matches marked, one of them the
// current one, in the middle of the view; next and previous go round.
class PageFinder : public QObject
{
    Q_OBJECT

public:
    explicit PageFinder(PageEngine *engine, QObject *parent = nullptr);

    // Finds phrase and goes to match number start (0 the first); the answer
    // comes as found().
    void find(const QString &phrase, int start = 0);
    void next();
    void previous();
    // Takes the marks off the page.
    void clear();
    // The page on screen was replaced: its marks went with it.
    void forget();

    [[nodiscard]] int current() const { return m_current; }
    [[nodiscard]] int total() const { return m_total; }

Q_SIGNALS:
    // The current match (-1 when there is none) of how many.
    void found(int current, int total);

private:
    void go(int index);

    PageEngine *m_engine;
    quint64 m_serial = 0;
    int m_total = 0;
    int m_current = -1;
};
