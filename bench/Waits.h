#pragma once

// Waiting in the event loop, for the benchmarks that drive a real window.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>
#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineScript>

#include <functional>
#include <memory>
#include <utility>

namespace bench {

// Whether condition came true within timeoutMs, the events handled meanwhile.
inline bool waitFor(const std::function<bool()> &condition, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!condition()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// What script gives in the page's view's own world; nothing after timeoutMs.
inline QVariant eval(QWebEnginePage *page, const QString &script, int timeoutMs = 300000)
{
    auto result = std::make_shared<std::pair<bool, QVariant>>(false, QVariant());
    QEventLoop loop;
    QPointer<QEventLoop> guard(&loop);
    page->runJavaScript(script, QWebEngineScript::ApplicationWorld, [result, guard](const QVariant &v) {
        *result = {true, v};
        if (guard)
            guard->quit();
    });
    if (!result->first) {
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return result->second;
}

} // namespace bench
