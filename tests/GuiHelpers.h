#pragma once

// Helpers for driving the real main window and its web view in GUI tests,
// with real pointer and key events on the view.

#include "ui/MainWindow.h"
#include "view/PageView.h"
#include "view/PageViewTesting.h"

#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

#include <functional>
#include <memory>

namespace gui {

// The result of a script, waited for (bounded). It runs in the application
// world: it sees the same document, and works with page scripts off too.
inline QVariant eval(QWebEnginePage *page, const QString &script, int timeoutMs = 5000)
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

// The text of the page; short wait, so a page that does not answer reads as empty.
inline QString bodyText(QWebEnginePage *page)
{
    return eval(page, QStringLiteral("document.body ? document.body.innerText : ''"), 1000).toString();
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

// The widget of the view that takes the pointer and the keys (it changes
// when the engine is replaced).
inline QWidget *input(MainWindow *window)
{
    QWebEngineView *browser = window->pageView()->browser();
    return browser->focusProxy() ? browser->focusProxy() : browser;
}

inline QWebEnginePage *page(MainWindow *window)
{
    return window->pageView()->page();
}

// The address under the pointer, as the view last heard it from the engine.
inline QString statusText(MainWindow *window)
{
    return PageViewTesting::statusText(*window->pageView());
}

// Whether the view has finished showing the catalogue (on its way to a
// page, the view may still show the one before).
inline bool showsCatalogue(MainWindow *window)
{
    return window->pageView()->loadState() == PageView::LoadState::Ready
           && bodyText(page(window)).contains(QStringLiteral("Список произведений F4"));
}

// Rests the pointer at a point until the engine reports the link there
// ("" for none). The engine reports only changes of the link under the
// pointer, and a page just shown takes no input until it is painted: so
// the pointer comes from a corner where no link is, and again, until the
// engine has seen it arrive.
inline void pointAt(MainWindow *window, QPoint at, const QString &expectedStatus)
{
    const QSize size = window->pageView()->size();
    const QPoint corner(size.width() - 3, size.height() - 3);
    QElapsedTimer waited;
    waited.start();
    while (statusText(window) != expectedStatus && waited.elapsed() < 20000) {
        QTest::mouseMove(input(window), corner - QPoint(static_cast<int>(waited.elapsed() / 1000 % 2), 0));
        QTest::qWait(100);
        for (int step = 1; step <= 4; ++step)
            QTest::mouseMove(input(window), corner + (at - corner) * step / 5, 10);
        QTest::mouseMove(input(window), at);
        (void)QTest::qWaitFor([&] { return statusText(window) == expectedStatus; }, 1000);
    }
    // On failure, which way: the pointer elsewhere, a widget over the link, or no report.
    if (statusText(window) != expectedStatus)
        qWarning() << "pointAt: pointer at" << QCursor::pos() << "sent to" << input(window)->mapToGlobal(at)
                   << "under it" << QApplication::widgetAt(input(window)->mapToGlobal(at)) << "popup"
                   << QApplication::activePopupWidget() << "modal" << QApplication::activeModalWidget();
    QCOMPARE(statusText(window), expectedStatus);
}

// Hovers the link with href and clicks it, as a person would. Measured once
// the page is in place: a work coming back where it was left is scrolled
// there after its text is already in the page.
inline void clickLink(MainWindow *window, const QString &href, const QString &expectedStatus)
{
    QTRY_VERIFY_WITH_TIMEOUT(window->pageView()->loadState() == PageView::LoadState::Ready, 20000);
    const QString selector = QStringLiteral("a[href='%1']").arg(href);
    QPoint at;
    QTRY_VERIFY_WITH_TIMEOUT((at = centreOf(page(window), selector)).x() >= 0, 20000);
    pointAt(window, at, expectedStatus);
    QTest::mouseClick(input(window), Qt::LeftButton, {}, at);
}

// A key pressed as on a keyboard: it goes to whatever has the focus in the
// active window (the view, if the reader keeps it there).
inline void pressKey(MainWindow *window, Qt::Key key, Qt::KeyboardModifiers modifiers = {})
{
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QTest::keyClick(static_cast<QWidget *>(nullptr), key, modifiers);
}

// Types text into widget as a keyboard would, letters of any alphabet.
inline void typeText(QWidget *widget, const QString &text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// Drags across the element matching selector and returns what got selected,
// in the document or in the text field the drag began in.
inline QString dragSelection(MainWindow *window, const QString &selector = QStringLiteral("td, p"))
{
    (void)eval(page(window), QStringLiteral("window.getSelection().removeAllRanges(); window.scrollTo(0, 0);"));
    const QVariantList r = eval(page(window), QStringLiteral("(function(){var e=document.querySelector(\"%1\")||"
                                                             "document.body;var r=e.getBoundingClientRect();"
                                                             "return [r.left,r.top,r.right,r.bottom];})()")
                                                  .arg(selector))
                               .toList();
    if (r.size() != 4)
        return QStringLiteral("<no element>");
    // Along the first line of text.
    const int y = qMin(r[1].toInt() + 10, (r[1].toInt() + r[3].toInt()) / 2);
    const QPoint from(r[0].toInt() + 5, y);
    const QPoint to(qMin(r[2].toInt() - 5, window->pageView()->width() - 20), y);
    QWidget *target = input(window);
    QTest::mousePress(target, Qt::LeftButton, {}, from);
    for (int i = 1; i <= 10; ++i)
        QTest::mouseMove(target, from + (to - from) * i / 10, 20);
    QTest::mouseRelease(target, Qt::LeftButton, {}, to);
    QTest::qWait(300);
    return eval(page(window),
                QStringLiteral("(function(){var a=document.activeElement;"
                               "if(a&&typeof a.selectionStart==='number'&&a.selectionEnd>a.selectionStart)"
                               "return a.value.substring(a.selectionStart,a.selectionEnd);"
                               "return window.getSelection().toString();})()"))
        .toString();
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
                formats.append(box->textFormat());
                busy.append(QApplication::overrideCursor() != nullptr);
                box->accept();
            }
        });
        m_timer.start();
    }

    QStringList texts;
    QStringList titles;
    QList<QMessageBox::Icon> icons;
    // A text from a file's name must not be taken for markup.
    QList<Qt::TextFormat> formats;
    // Whether a pointer was imposed over the application (a busy one) while the box showed.
    QList<bool> busy;

private:
    QTimer m_timer;
};

} // namespace gui

// QTEST_MAIN with what the web engine needs before the application exists.
#define SOBRANIE_GUI_TEST_MAIN(TestClass)                                                                              \
    int main(int argc, char *argv[])                                                                                   \
    {                                                                                                                  \
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");                                                                   \
        /* What the reader keeps from run to run goes nowhere the next run sees. */                                    \
        QTemporaryDir state;                                                                                           \
        qputenv("XDG_STATE_HOME", state.path().toLocal8Bit());                                                         \
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);                                                    \
        QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));                            \
        QApplication app(argc, argv);                                                                                  \
        TestClass test;                                                                                                \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                     \
        return QTest::qExec(&test, argc, argv);                                                                        \
    }
