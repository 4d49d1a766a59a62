#pragma once

#include <QObject>
#include <QString>
#include <QUrl>
#include <QVariant>

#include <functional>

// What the view's request loader needs of a browser engine, and what it
// hears from it. The real one is EngineHost; a test drives the loader with
// one of its own, without a renderer.
class PageEngine : public QObject
{
    Q_OBJECT

public:
    using Answer = std::function<void(const QVariant &result)>;

    using QObject::QObject;

    // Runs script in the view's own world of the current document; answer,
    // if any, gets its result. An engine replaced meanwhile never answers.
    virtual void runScript(const QString &script, const Answer &answer) = 0;
    // Starts a navigation of the view's own to url.
    virtual void load(const QUrl &url) = 0;
    // A script each later document of the main frame runs once it is there.
    virtual void setArrivalScript(const QString &script) = 0;
    // Forgets the history the view's own navigations leave behind.
    virtual void forgetHistory() = 0;
    // The script that reports report back to the view (as reported()).
    [[nodiscard]] virtual QString reportScript(const QString &report) const = 0;

Q_SIGNALS:
    // A navigation has ended, whichever way.
    void loadEnded(const QUrl &url, bool succeeded);
    // A report from the view's own scripts in the document.
    void reported(const QString &report);
    // A fresh engine took the place of the old one, none of whose work
    // will answer any more.
    void replaced();
};
