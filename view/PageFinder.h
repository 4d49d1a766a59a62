#pragma once

#include <QObject>
#include <QString>

class PageEngine;

// Find on the page on screen: the phrase's matches counted, the current one
// shown, next and previous go round them all. A new phrase supersedes the
// old at once.
class PageFinder : public QObject
{
    Q_OBJECT

public:
    explicit PageFinder(PageEngine *engine, QObject *parent = nullptr);

    // Finds phrase and goes to match number start (0 the first; -1 the
    // first on screen); the answer comes as found().
    void find(const QString &phrase, int start = -1);
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
    // Where the current match is in the page's text as a screen reader
    // reads it.
    void matchRead(int offset);

private:
    void go(int index);

    PageEngine *m_engine;
    quint64 m_serial = 0;
    int m_total = 0;
    int m_current = -1;
};
