#pragma once

#include "view/PageEngine.h"

class GuardedPage;
class QWebEnginePage;
class QWebEngineProfile;
class QWebEngineView;
class QWidget;

// The browser engine of the view: an off-the-record profile that reaches no
// network, the page with its settings and the view's own scripts, and the
// browser widget showing it, which puts no window of its own on the screen.
// Makes a fresh engine in place of one that stopped answering or died, and
// says when the renderer died or the widget that takes the input changed.
class EngineHost : public PageEngine
{
    Q_OBJECT

public:
    // The browser widget goes into view.
    explicit EngineHost(QWidget *view);
    ~EngineHost() override;
    EngineHost(const EngineHost &) = delete;
    EngineHost &operator=(const EngineHost &) = delete;

    [[nodiscard]] QWebEngineView *browser() const { return m_browser; }
    [[nodiscard]] QWebEnginePage *page() const;

    // Drops the current engine (ending its renderer, however busy) and puts
    // a fresh one in its place.
    void replace();

    // Whether the user may select text, on this document and every later one.
    void setSelectionAllowed(bool allowed);
    // The reader's own style (readingStyleJson()), on this document (the
    // reader's place in it kept) and every later one.
    void setStyle(const QString &style);
    // The script that turns a document into a reading surface, as it stands.
    [[nodiscard]] const QString &guardScript() const { return m_guardScript; }
    // The zoom of every page, this one and the later ones.
    void setTextSize(qreal factor);

    void runScript(const QString &script, const Answer &answer) override;
    void load(const QUrl &url) override;
    void setArrivalScript(const QString &script) override;
    void forgetHistory() override;
    [[nodiscard]] QString reportScript(const QString &report) const override;

private:
    // The guard script made anew, for later documents.
    void renewGuards();

Q_SIGNALS:
    // The address of the link under the pointer ("" when there is none).
    void linkHovered(const QString &address);
    // The renderer ended other than normally: nothing more will come from it.
    void died();
    // The widget that takes the keys and shows the page may be another one.
    void inputWidgetChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createPage();
    void keepOffScreen(QObject *child);

    // A secret the page cannot read (it lives in the view's own world), so
    // nothing in a page can pass for the view's scripts on the console.
    const QString m_token;
    QString m_guardScript;
    bool m_selectionAllowed = false;
    QString m_style;
    qreal m_textSize = 1.0;
    QWebEngineProfile *m_profile = nullptr;
    GuardedPage *m_page = nullptr;
    QWebEngineView *m_browser = nullptr;
};
