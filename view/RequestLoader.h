#pragma once

#include "format/ReadingPlace.h"
#include "view/PageWriter.h"

#include <QObject>
#include <QString>
#include <QUrl>

#include <optional>

class PageEngine;
class QWidget;

// Shows the latest request in an engine: every page in a document of its
// own, which the view itself loads; a written page's first piece comes with
// its document, so nothing empty is painted between two pages. A newer
// request supersedes the one under way. A request put on a fresh engine
// goes back to where the reader was in it.
class RequestLoader : public QObject
{
    Q_OBJECT

public:
    // Nothing requested yet, a request under way, or the latest one in place.
    enum class LoadState { Empty, Loading, Ready };

    // An engine still busy with a piece this long (about a second of work)
    // is unfit for a newer request: a fresh one is quicker.
    static constexpr qsizetype LongPieceSize = qsizetype(1) << 20;

    // Starts the engine on an empty document of its own.
    explicit RequestLoader(PageEngine *engine, QObject *parent = nullptr);

    // Whether a page this large, once shown, makes the engine unfit for the
    // next one (which then goes to a fresh engine).
    static constexpr qsizetype LargePageSize = qsizetype(256) * 1024;
    void setFreshEngineAfterLargePages(bool fresh) { m_freshAfterLargePage = fresh; }

    // The guards the writer puts on again after opening a document.
    void setGuardScript(const QString &script) { m_writer.setGuardScript(script); }
    // The widget that shows the page (see PageWriter::setScreen).
    void setScreen(QWidget *screen) { m_writer.setScreen(screen); }

    // Starts showing html, written unchanged, at place; with complete
    // false html is the page's start, and the rest comes by appendHtml().
    void showHtml(const QString &html, const ReadingPlace &place = {}, bool complete = true);
    // More of request number request's page (the last of it when
    // complete); nothing when that is no longer the latest request.
    void appendHtml(quint64 request, const QString &more, bool complete);
    // The latest request's number, and its size (characters of a page,
    // bytes of a file).
    [[nodiscard]] quint64 requestSerial() const { return m_requestSerial; }
    [[nodiscard]] qsizetype requestSize() const { return m_request ? m_request->size : 0; }
    // Starts showing a local file (its file URL) of size bytes.
    void showFile(const QUrl &file, qsizetype size, const ReadingPlace &place = {});
    // Puts page in place of the latest request; false when there is none,
    // or when it is that page already.
    bool giveUp(const QString &page);
    // A report of the view's own scripts: true when it was one of the
    // loader's (a document arrived), false for any other.
    bool takeReport(const QString &report);

    [[nodiscard]] LoadState loadState() const { return m_loadState; }
    [[nodiscard]] const PageWriter &writer() const { return m_writer; }
    // Where the reader is in the page in place.
    [[nodiscard]] const ReadingPlace &readingPlace() const { return m_readingPlace; }
    // Takes the page in place back to the place the reader is at (after a
    // change of its layout the view did not make through its size).
    void keepPlace();

Q_SIGNALS:
    // The first piece of the latest request is in its document (the rest
    // of a long page follows).
    void begun();
    // The latest request is in place.
    void shown();
    // The engine owes an answer for work characters or bytes from now.
    void waiting(qsizetype work);
    // The engine owes nothing.
    void settled();
    // A document of the view's own is in place (it may bring a new widget
    // for the keys).
    void documentArrived();
    // The engine is busy with a long piece of an older request: replace it.
    void engineUnfit();
    // The reader moved in the page in place.
    void readingPlaceChanged(const ReadingPlace &place);

private:
    struct Request
    {
        enum class Kind { Html, File };
        Kind kind = Kind::Html;
        QString content; // the HTML, or the file URL
        qsizetype size = 0; // characters of the page, bytes of the file
        bool complete = true; // all of the HTML is here
    };

    // place by value: it may be the reader's place in the page it replaces.
    void show(Request request, ReadingPlace place);
    void restart();
    void begin();
    void loadOwn(const QUrl &url);
    void onLoadEnded(const QUrl &url, bool succeeded);
    void ownLoadEnded();
    void layOutFile();
    void watch();
    void requestShown();
    void onScrolled(const ReadingPlace &place);
    [[nodiscard]] PageWriter::Runner runner() const;

    PageEngine *m_engine;
    PageWriter m_writer;
    LoadState m_loadState = LoadState::Empty;
    // The latest request: being shown, or in place.
    std::optional<Request> m_request;
    quint64 m_requestSerial = 0;
    // A navigation of the view's own (a fresh document, a file) is under
    // way to this address; nothing is written meanwhile.
    std::optional<QUrl> m_ownLoad;
    quint64 m_documentSerial = 0;
    // A file that has loaded is being laid out (the request's serial).
    std::optional<quint64> m_layout;
    // How often the latest request was left on the engine's own account (a
    // load the view did not start); past a few times it is left as it is.
    int m_escapes = 0;
    // The engine has finished a load of its own: it has been seen alive,
    // so a silence from it now means something.
    bool m_engineAnswered = false;
    // The engine's document is a file (in a renderer of its own).
    bool m_showsFile = false;
    // Where in the page in place the reader was, and where a page shown
    // again on a fresh engine goes back to.
    ReadingPlace m_readingPlace;
    std::optional<ReadingPlace> m_restorePlace;
    bool m_freshAfterLargePage = false;
};
