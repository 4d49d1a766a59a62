#pragma once

#include <QObject>
#include <QTimer>

#include <functional>
#include <optional>

// Watches an engine that owes an answer: it may stay silent for an
// allowance (more for a large piece of work), after which it has failed;
// so has one whose renderer died. Failures are counted for the request
// under way: past MaxFailures the request is given up, before that the
// engine is replaced.
class Watchdog : public QObject
{
    Q_OBJECT

public:
    // How long the engine may work without answering before it is replaced;
    // a piece of page or a file being read gets a millisecond more for
    // every UnitsPerMs characters or bytes of it.
    static constexpr int UnansweredTimeoutMs = 2000;
    static constexpr qsizetype UnitsPerMs = 100;
    // How often the same request may take its engine down (or leave it
    // unanswering) before it is given up.
    static constexpr int MaxFailures = 2;

    // The piece of work the engine has in hand, and for how long.
    struct Work
    {
        qsizetype size = 0;
        qint64 elapsedMs = 0;
    };
    // Which piece of the latest request the engine has in hand, if any.
    using WorkInHand = std::function<std::optional<Work>()>;

    explicit Watchdog(QObject *parent = nullptr, int baseMs = UnansweredTimeoutMs);

    void setWorkInHand(WorkInHand workInHand) { m_workInHand = std::move(workInHand); }

    // The allowance for work characters or bytes.
    [[nodiscard]] int allowanceMs(qsizetype work) const;

    // The engine owes an answer for work from now (it showed progress).
    void expect(qsizetype work = 0);
    // The engine owes nothing.
    void stop() { m_timer.stop(); }
    [[nodiscard]] bool isWatching() const { return m_timer.isActive(); }
    // A new request: no failures yet.
    void newRequest() { m_failures = 0; }
    // The engine failed (its renderer died).
    void failed();

Q_SIGNALS:
    // Replace the engine and show the request again.
    void replaceEngine();
    // The request failed too often: give it up.
    void giveUp();

private:
    void onSilence();

    const int m_baseMs;
    int m_failures = 0;
    WorkInHand m_workInHand;
    QTimer m_timer;
};
