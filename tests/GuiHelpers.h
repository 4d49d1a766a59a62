#pragma once

// Helpers for driving the real main window and its web view in GUI tests.

#include <QApplication>
#include <QEventLoop>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineScript>

#include <functional>
#include <memory>

namespace gui {

// The result of a script in the page's own world, waited for (bounded).
inline QVariant eval(QWebEnginePage *page, const QString &script, int timeoutMs = 20000)
{
    auto result = std::make_shared<std::pair<bool, QVariant>>(false, QVariant());
    QEventLoop loop;
    QPointer<QEventLoop> guard(&loop);
    page->runJavaScript(script, QWebEngineScript::MainWorld, [result, guard](const QVariant &v) {
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

inline QString bodyText(QWebEnginePage *page)
{
    return eval(page, QStringLiteral("document.body ? document.body.innerText : ''")).toString();
}

// The centre of the first element matching selector, in view coordinates;
// (-1, -1) when there is none.
inline QPoint centreOf(QWebEnginePage *page, const QString &selector)
{
    const QVariantList xy =
        eval(page,
             QStringLiteral("(function(){var e=document.querySelector(\"%1\");if(!e)return [-1,-1];"
                            "e.scrollIntoView({block:'center'});var r=e.getBoundingClientRect();"
                            "return [Math.round(r.left+Math.min(r.width/2,20)),Math.round(r.top+r.height/2)];})()")
                 .arg(selector))
            .toList();
    return xy.size() == 2 ? QPoint(xy[0].toInt(), xy[1].toInt()) : QPoint(-1, -1);
}

// Collects the text and title of every message box that opens, and closes it.
class BoxCatcher : public QObject
{
public:
    explicit BoxCatcher(QObject *parent = nullptr) : QObject(parent)
    {
        m_timer.setInterval(50);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                texts.append(box->text());
                titles.append(box->windowTitle());
                icons.append(box->icon());
                box->accept();
            }
        });
        m_timer.start();
    }

    QStringList texts;
    QStringList titles;
    QList<QMessageBox::Icon> icons;

private:
    QTimer m_timer;
};

} // namespace gui

// QTEST_MAIN with what the web engine needs before the application exists.
#define SOBRANIE_GUI_TEST_MAIN(TestClass)                                                                              \
    int main(int argc, char *argv[])                                                                                   \
    {                                                                                                                  \
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");                                                                   \
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);                                                    \
        QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));                            \
        QApplication app(argc, argv);                                                                                  \
        TestClass test;                                                                                                \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                     \
        return QTest::qExec(&test, argc, argv);                                                                        \
    }
