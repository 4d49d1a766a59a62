#include "view/InputGuard.h"

#include <QKeyEvent>
#include <QWebEngineView>
#include <QWheelEvent>

#include <algorithm>
#include <iterator>

namespace {

// The text sizes Ctrl+plus and Ctrl+minus step through.
constexpr qreal TextSizes[] = {0.5, 0.67, 0.75, 0.8, 0.9, 1.0, 1.1, 1.25, 1.5, 1.75, 2.0, 2.5, 3.0};

} // namespace

InputGuard::InputGuard(QWebEngineView *browser, QObject *parent) : QObject(parent), m_browser(browser)
{
    m_browser->installEventFilter(this);
    m_busyDelay.setSingleShot(true);
    m_busyDelay.setInterval(BusyPointerDelayMs);
    connect(&m_busyDelay, &QTimer::timeout, this, [this] { setBusyPointer(true); });
}

bool InputGuard::isReadingKey(int key)
{
    // Space, Up, Down, Page Up, Page Down, Home and End (with Ctrl too, and
    // the keypad's, which come as the same keys) move the page; Tab and
    // Shift+Tab move between links, Enter follows the one marked.
    switch (key) {
    case Qt::Key_Space:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return true;
    default:
        return false;
    }
}

void InputGuard::guard()
{
    if (QWidget *proxy = m_browser->focusProxy()) {
        proxy->installEventFilter(this);
        Q_EMIT guarding(proxy);
    }
    for (QWidget *child : m_browser->findChildren<QWidget *>())
        child->installEventFilter(this);
}

void InputGuard::takeFocus()
{
    guard();
    if (m_browser->isActiveWindow())
        m_browser->setFocus();
}

void InputGuard::larger()
{
    const auto *step = std::upper_bound(std::begin(TextSizes), std::end(TextSizes), m_textSize + 0.001);
    setTextSize(step == std::end(TextSizes) ? m_textSize : *step);
}

void InputGuard::smaller()
{
    const auto *step = std::lower_bound(std::begin(TextSizes), std::end(TextSizes), m_textSize - 0.001);
    setTextSize(step == std::begin(TextSizes) ? m_textSize : *(step - 1));
}

void InputGuard::setTextSize(qreal factor)
{
    m_textSize = factor;
    Q_EMIT textSizeChanged(factor);
}

void InputGuard::setLoading(bool loading)
{
    if (loading) {
        if (!m_busyWidget)
            m_busyDelay.start();
    } else {
        m_busyDelay.stop();
        setBusyPointer(false);
    }
}

void InputGuard::rehome()
{
    if (m_busyWidget) {
        setBusyPointer(false);
        setBusyPointer(true);
    }
}

void InputGuard::setBusyPointer(bool busy)
{
    if (busy) {
        if (m_busyWidget)
            return;
        m_busyWidget = m_browser->focusProxy() ? m_browser->focusProxy() : m_browser;
        m_busyWidget->setCursor(Qt::BusyCursor);
    } else if (m_busyWidget) {
        m_busyWidget->unsetCursor();
        m_busyWidget = nullptr;
    }
}

bool InputGuard::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (m_lineKeys && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)
            && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            if (event->type() == QEvent::KeyPress)
                Q_EMIT lineStep(key->key() == Qt::Key_Up ? -1 : 1);
            return true;
        }
        // Shortcuts (F1, F4, the text size) are matched before this.
        return !isReadingKey(key->key());
    }
    case QEvent::Wheel:
        // Ctrl+wheel sets the reader's one text size, not the engine's own.
        if (static_cast<QWheelEvent *>(event)->modifiers() & Qt::ControlModifier) {
            const int delta = static_cast<QWheelEvent *>(event)->angleDelta().y();
            if (delta > 0)
                larger();
            else if (delta < 0)
                smaller();
            return true;
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
