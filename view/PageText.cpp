#include "view/PageText.h"

#include <QAccessibleObject>
#include <QAccessibleWidget>
#include <QTextBoundaryFinder>
#include <QWidget>

#include <algorithm>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace {

// The page as a document whose text can be read, line by line, sentence by
// sentence, from the top.
class PageTextAccessible : public QAccessibleObject, public QAccessibleTextInterface
{
public:
    explicit PageTextAccessible(PageText *page) : QAccessibleObject(page) { }

    [[nodiscard]] PageText *page() const { return static_cast<PageText *>(object()); }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::TextInterface ? static_cast<QAccessibleTextInterface *>(this) : nullptr;
    }
    [[nodiscard]] QAccessibleInterface *parent() const override
    {
        return QAccessible::queryAccessibleInterface(page()->view());
    }
    [[nodiscard]] QAccessibleInterface *child(int) const override { return nullptr; }
    [[nodiscard]] int childCount() const override { return 0; }
    [[nodiscard]] int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    [[nodiscard]] QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name ? page()->title() : QString();
    }
    [[nodiscard]] QRect rect() const override
    {
        const QWidget *view = page()->view();
        return {view->mapToGlobal(QPoint(0, 0)), view->size()};
    }
    [[nodiscard]] QAccessible::Role role() const override { return QAccessible::Document; }
    [[nodiscard]] QAccessible::State state() const override
    {
        QAccessible::State state;
        state.readOnly = true;
        state.multiLine = true;
        state.focusable = true;
        state.focused = page()->hasFocus() && page()->view()->window()->isActiveWindow();
        state.invisible = !page()->view()->isVisible();
        return state;
    }

    // No selection: the reader's pages have none.
    void selection(int, int *startOffset, int *endOffset) const override { *startOffset = *endOffset = 0; }
    [[nodiscard]] int selectionCount() const override { return 0; }
    void addSelection(int, int) override { }
    void removeSelection(int) override { }
    void setSelection(int, int, int) override { }

    [[nodiscard]] int cursorPosition() const override { return page()->caret(); }
    void setCursorPosition(int position) override { page()->setCaret(position); }
    [[nodiscard]] QString text(int startOffset, int endOffset) const override
    {
        return page()->text().mid(startOffset, std::max(0, endOffset - startOffset));
    }
    [[nodiscard]] int characterCount() const override { return int(page()->text().size()); }
    [[nodiscard]] QRect characterRect(int) const override { return {}; }
    [[nodiscard]] int offsetAtPoint(const QPoint &) const override { return -1; }
    void scrollToSubstring(int, int) override { }
    // One run without attributes over the whole text: a screen reader reads
    // a line as far as the run it is in goes.
    [[nodiscard]] QString attributes(int, int *startOffset, int *endOffset) const override
    {
        *startOffset = 0;
        *endOffset = characterCount();
        return {};
    }

    // Measured within the paragraph (the line) around offset, not the whole
    // page: a long work has millions of characters.
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundary, int *startOffset,
                         int *endOffset) const override
    {
        const QString &all = page()->text();
        *startOffset = *endOffset = -1;
        if (offset < 0 || offset > all.size() || all.isEmpty())
            return {};
        offset = std::min(offset, int(all.size()) - 1);
        if (boundary == QAccessible::NoBoundary) {
            *startOffset = 0;
            *endOffset = int(all.size());
            return all;
        }
        if (boundary == QAccessible::CharBoundary) {
            *startOffset = offset;
            *endOffset = offset + 1;
            return all.mid(offset, 1);
        }
        const int from = offset == 0 ? 0 : int(all.lastIndexOf(u'\n', offset - 1)) + 1;
        const int newline = int(all.indexOf(u'\n', offset));
        const int to = newline < 0 ? int(all.size()) : newline + 1;
        if (all.at(offset) == u'\n' && boundary != QAccessible::LineBoundary
            && boundary != QAccessible::ParagraphBoundary) {
            *startOffset = offset;
            *endOffset = offset + 1;
            return all.mid(offset, 1);
        }
        if (boundary == QAccessible::LineBoundary || boundary == QAccessible::ParagraphBoundary) {
            // Without its line end, as Qt's own text widgets give a line.
            *startOffset = from;
            *endOffset = newline < 0 ? int(all.size()) : newline;
            return all.mid(*startOffset, *endOffset - *startOffset);
        }
        const QStringView paragraph = QStringView(all).mid(from, to - from);
        QTextBoundaryFinder finder(boundary == QAccessible::WordBoundary ? QTextBoundaryFinder::Word
                                                                         : QTextBoundaryFinder::Sentence,
                                   paragraph);
        finder.setPosition(offset - from);
        const qsizetype start = finder.isAtBoundary() ? finder.position() : finder.toPreviousBoundary();
        finder.setPosition(offset - from);
        const qsizetype end = finder.toNextBoundary();
        *startOffset = from + int(std::max<qsizetype>(start, 0));
        *endOffset = from + int(end < 0 ? paragraph.size() : end);
        return all.mid(*startOffset, *endOffset - *startOffset);
    }
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundary, int *startOffset,
                             int *endOffset) const override
    {
        int start = 0;
        int end = 0;
        (void)textAtOffset(offset, boundary, &start, &end);
        if (start <= 0) {
            *startOffset = *endOffset = -1;
            return {};
        }
        return textAtOffset(start - 1, boundary, startOffset, endOffset);
    }
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundary, int *startOffset,
                            int *endOffset) const override
    {
        int start = 0;
        int end = 0;
        (void)textAtOffset(offset, boundary, &start, &end);
        if (end < 0 || end >= characterCount()) {
            *startOffset = *endOffset = -1;
            return {};
        }
        return textAtOffset(end, boundary, startOffset, endOffset);
    }
};

// The view with the page's text and its announcer beside the browser among
// its children.
class PageViewAccessible : public QAccessibleWidget
{
public:
    explicit PageViewAccessible(QWidget *view) : QAccessibleWidget(view, QAccessible::Client) { }

    // The objects of the view's own that stand beside its widgets.
    [[nodiscard]] QObjectList extras() const
    {
        QObjectList extras;
        if (auto *text = widget()->findChild<PageText *>(QString(), Qt::FindDirectChildrenOnly))
            extras.append(text);
        if (auto *announcer = widget()->findChild<QObject *>(u"announcer"_s, Qt::FindDirectChildrenOnly))
            extras.append(announcer);
        return extras;
    }

    [[nodiscard]] int childCount() const override { return QAccessibleWidget::childCount() + int(extras().size()); }
    [[nodiscard]] QAccessibleInterface *child(int index) const override
    {
        const int widgets = QAccessibleWidget::childCount();
        if (index >= widgets) {
            const QObjectList objects = extras();
            return index - widgets < objects.size() ? QAccessible::queryAccessibleInterface(objects[index - widgets])
                                                    : nullptr;
        }
        return QAccessibleWidget::child(index);
    }
    [[nodiscard]] int indexOfChild(const QAccessibleInterface *child) const override
    {
        if (child && child->object()) {
            const qsizetype at = extras().indexOf(child->object());
            if (at >= 0)
                return QAccessibleWidget::childCount() + int(at);
        }
        return QAccessibleWidget::indexOfChild(child);
    }
};

QAccessibleInterface *pageAccessible(const QString &className, QObject *object)
{
    if (className == u"PageText"_s)
        return new PageTextAccessible(static_cast<PageText *>(object));
    if (className == u"PageView"_s && object->isWidgetType())
        return new PageViewAccessible(static_cast<QWidget *>(object));
    return nullptr;
}

} // namespace

PageText::PageText(QWidget *view) : QObject(view)
{
    setObjectName(u"pageText"_s);
    standBeside(view);
}

void PageText::standBeside(QWidget *view)
{
    static const bool installed = [] {
        QAccessible::installFactory(pageAccessible);
        return true;
    }();
    (void)installed;
    // The view may have been asked for before (as it was made): what stood
    // for it then knows nothing of the page's text.
    QAccessibleInterface *known = QAccessible::queryAccessibleInterface(view);
    if (known && !dynamic_cast<PageViewAccessible *>(known))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(known));
}

PageText::~PageText()
{
    // Gone from the tree with the page it stood for.
    if (QAccessible::isActive()) {
        QAccessibleEvent gone(this, QAccessible::ObjectDestroyed);
        QAccessible::updateAccessibility(&gone);
    }
}

QWidget *PageText::view() const
{
    return static_cast<QWidget *>(parent());
}

void PageText::show(const QString &title, const QString &text, bool takeFocus, int caret)
{
    m_title = title;
    m_text = text;
    m_caret = std::clamp(caret, 0, int(m_text.size()));
    m_focused = takeFocus;
    if (!QAccessible::isActive())
        return;
    QAccessibleInterface *self = QAccessible::queryAccessibleInterface(this);
    QAccessibleEvent created(self, QAccessible::ObjectCreated);
    QAccessible::updateAccessibility(&created);
    if (takeFocus) {
        QAccessibleEvent focus(self, QAccessible::Focus);
        QAccessible::updateAccessibility(&focus);
    }
}

void PageText::update(const QString &text)
{
    if (text == m_text)
        return;
    const QString old = std::exchange(m_text, text);
    m_caret = std::clamp(m_caret, 0, int(m_text.size()));
    if (!QAccessible::isActive())
        return;
    // More of the page at its end, as a page written in pieces grows: said
    // as text put in there, which a screen reader reading on simply reaches.
    if (m_text.startsWith(old)) {
        QAccessibleTextInsertEvent inserted(this, int(old.size()), m_text.mid(old.size()));
        QAccessible::updateAccessibility(&inserted);
    } else {
        QAccessibleTextUpdateEvent replaced(this, 0, old, m_text);
        QAccessible::updateAccessibility(&replaced);
    }
}

void PageText::setCaret(int caret)
{
    m_caret = std::clamp(caret, 0, int(m_text.size()));
    Q_EMIT caretSet(m_caret);
}

void PageText::moveCaret(int caret)
{
    caret = std::clamp(caret, 0, int(m_text.size()));
    if (caret == m_caret)
        return;
    m_caret = caret;
    if (QAccessible::isActive()) {
        QAccessibleTextCursorEvent moved(this, m_caret);
        QAccessible::updateAccessibility(&moved);
    }
}

int PageText::lineStart(int step) const
{
    const QStringView text(m_text);
    // The start of the caret's line, then the one after or before it.
    const qsizetype here = m_caret == 0 ? 0 : text.lastIndexOf(u'\n', m_caret - 1) + 1;
    if (step > 0) {
        const qsizetype end = text.indexOf(u'\n', here);
        return end < 0 ? int(here) : int(end + 1);
    }
    if (here == 0)
        return 0;
    return int(here == 1 ? 0 : text.lastIndexOf(u'\n', here - 2) + 1);
}

QString PageText::lineAt(int offset) const
{
    const QStringView text(m_text);
    offset = std::clamp(offset, 0, int(text.size()));
    const qsizetype from = offset == 0 ? 0 : text.lastIndexOf(u'\n', offset - 1) + 1;
    const qsizetype end = text.indexOf(u'\n', offset);
    return text.mid(from, (end < 0 ? text.size() : end) - from).toString();
}
