#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>

class QWebEnginePage;

// Writes HTML pages into a web page's document without ever waiting for
// the engine: a request returns at once, the page goes in piece by piece
// (a first screenful, then the rest), and a newer request supersedes an
// older one, whose unwritten rest is dropped. At most one script is with
// the engine at a time.
class PageWriter : public QObject
{
    Q_OBJECT

public:
    // About a screenful: written and painted before the rest.
    static constexpr qsizetype FirstPieceSize = qsizetype(16) * 1024;
    // A page up to this long goes in one piece: it is written and painted in
    // well under a quarter of a second, sooner than in two.
    static constexpr qsizetype OnePieceSize = qsizetype(256) * 1024;

    // Runs a script in the document written into (in the view's own world)
    // and hands its result to the answer.
    using Runner = std::function<void(const QString &script, const std::function<void(const QVariant &)> &answer)>;

    explicit PageWriter(QObject *parent = nullptr);

    // What runs the scripts in the document to write into, once it exists;
    // none while there is none (a write then waits). A new one starts the
    // latest request over.
    void setRunner(Runner runner);
    // The same for a page's document (nullptr for none).
    void setPage(QWebEnginePage *page);

    // Run in the application world right after the document is opened,
    // before the page is written (the view's guards).
    void setGuardScript(const QString &script) { m_guardScript = script; }

    // The widget that shows the page. The rest of a page waits until the
    // first screenful is painted there (or FirstPaintWaitMs have passed):
    // handing a long rest to the engine keeps this thread, which puts the
    // engine's frames on the screen, busy for a while.
    void setScreen(QWidget *screen);
    static constexpr int FirstPaintWaitMs = 150;

    // Starts writing html as the document's whole content, or, with
    // complete false, as its start: the rest comes by append().
    void write(const QString &html, bool complete = true);
    // More of the latest request's page (the last of it when complete).
    void append(const QString &more, bool complete);
    // Drops the request under way; what it has not written is never written.
    void cancel();

    // Starts writing html into a document still to come, and returns the
    // script that writes its first piece, for that document to run as soon
    // as it is there (no round trip, and no empty document ever painted),
    // followed by report, which says it ran. The rest waits for arrived().
    // A page set meanwhile (setPage) writes the whole page itself.
    [[nodiscard]] QString writeOnArrival(const QString &html, const QString &report, bool complete = true);
    // The document ran the script writeOnArrival() gave: the rest goes in
    // through runner.
    void arrived(Runner runner);
    // The first piece of the latest request is on its way with a document.
    [[nodiscard]] bool awaitsArrival() const { return m_inFlight && !m_runner && m_arrivalCall == m_callSerial; }

    // A script is with the engine and has not answered yet.
    [[nodiscard]] bool isBusy() const { return m_inFlight; }
    // The script with the engine belongs to the latest request.
    [[nodiscard]] bool isBusyWithLatest() const { return m_inFlight && m_inFlightJob == m_jobSerial; }
    // The characters of the piece with the engine, and how long it has been there.
    [[nodiscard]] qsizetype busyPieceSize() const { return m_inFlight ? m_inFlightSize : 0; }
    [[nodiscard]] qint64 busyMs() const { return m_inFlight ? m_inFlightSince.elapsed() : 0; }
    // The latest request waits for a page to be written into (its first
    // piece has not come with a document, or is not known to have).
    [[nodiscard]] bool waitsForPage() const { return m_job.has_value() && !m_runner; }
    // A request is not completely written yet.
    [[nodiscard]] bool isWriting() const { return m_job.has_value(); }
    // All that has come of the latest request is written and the rest is
    // still to come: the engine owes nothing.
    [[nodiscard]] bool waitsForMore() const { return m_job && m_job->awaitsRest() && !m_inFlight; }

    // The document as JavaScript sees it: html as a JSON string literal.
    [[nodiscard]] static QString jsonString(QStringView text);
    // Where the first piece of html ends: the whole of a page up to
    // OnePieceSize, else at most FirstPieceSize characters, never between the
    // two halves of a surrogate pair.
    [[nodiscard]] static qsizetype firstPieceEnd(QStringView html);

Q_SIGNALS:
    // The latest request is completely written.
    void written();
    // The engine answered a script (the next piece, if any, is on its way).
    void answered();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Job
    {
        QString html;
        qsizetype written = 0; // characters written so far
        bool opened = false; // document.open() done
        bool complete = true; // the rest of the page is not to come
        [[nodiscard]] Job restarted() const { return Job{html, 0, false, complete}; }
        // All that has come is written; the rest of the page is to come.
        [[nodiscard]] bool awaitsRest() const { return opened && written == html.size() && !complete; }
    };

    // The script of the job's next piece; the job counts it as written.
    [[nodiscard]] QString nextPiece(Job &job) const;
    void startCall(qsizetype size);
    void pump();
    void onAnswer(quint64 call);
    void stopWaitingForPaint();

    Runner m_runner;
    QString m_guardScript;
    std::optional<Job> m_job;
    quint64 m_jobSerial = 0;
    // The call with the engine, and the request it belongs to.
    bool m_inFlight = false;
    quint64 m_callSerial = 0;
    quint64 m_inFlightJob = 0;
    // The call that is a first piece gone with a document.
    quint64 m_arrivalCall = 0;
    qsizetype m_inFlightSize = 0;
    QElapsedTimer m_inFlightSince;
    QPointer<QWidget> m_screen;
    bool m_waitingForPaint = false;
    QTimer m_paintWait;
};
