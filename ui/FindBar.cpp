#include "ui/FindBar.h"

#include "ui/PlainText.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

// Where a result's item leads: the work, and the match in its page.
constexpr int WorkRole = Qt::UserRole;
constexpr int OrdinalRole = Qt::UserRole + 1;
constexpr int ExpandedWorks = 10;

QToolButton *button(QWidget *parent, const QString &name, const QString &text, const QString &what)
{
    auto *b = new QToolButton(parent);
    b->setObjectName(name);
    b->setText(text);
    b->setToolTip(what);
    b->setAccessibleName(what);
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::TabFocus);
    return b;
}

} // namespace

FindBar::FindBar(QWidget *parent) : QWidget(parent)
{
    setObjectName(u"findBar"_s);
    setAutoFillBackground(true);
    m_phrase = new QLineEdit(this);
    m_phrase->setObjectName(u"findPhrase"_s);
    m_phrase->setPlaceholderText(u"Найти"_s);
    m_phrase->setAccessibleName(u"Найти"_s);
    m_phrase->setClearButtonEnabled(true);
    m_everywhere = new QCheckBox(u"во всём собрании"_s, this);
    m_everywhere->setObjectName(u"findEverywhere"_s);
    m_previous = button(this, u"findPrevious"_s, u"▲"_s, u"Предыдущее совпадение"_s);
    m_next = button(this, u"findNext"_s, u"▼"_s, u"Следующее совпадение"_s);
    m_count = new QLabel(this);
    m_count->setObjectName(u"findCount"_s);
    m_close = button(this, u"findClose"_s, u"✕"_s, u"Закрыть поиск"_s);
    m_progress = new QLabel(this);
    m_progress->setObjectName(u"findProgress"_s);
    m_results = new QTreeWidget(this);
    m_results->setObjectName(u"findResults"_s);
    m_results->setAccessibleName(u"Найдено в собрании"_s);
    m_results->setHeaderHidden(true);
    m_results->setRootIsDecorated(true);
    m_results->setUniformRowHeights(true);
    m_results->hide();

    auto *row = new QHBoxLayout;
    row->setContentsMargins(4, 2, 4, 2);
    row->addWidget(m_phrase, 1);
    row->addWidget(m_everywhere);
    row->addWidget(m_previous);
    row->addWidget(m_next);
    row->addWidget(m_count);
    row->addWidget(m_close);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addLayout(row);
    column->addWidget(m_progress);
    column->addWidget(m_results, 1);
    m_progress->hide();

    m_typing.setSingleShot(true);
    m_typing.setInterval(TypingPauseMs);
    connect(&m_typing, &QTimer::timeout, this, [this] { Q_EMIT phraseChanged(phrase(), everywhere()); });
    connect(m_phrase, &QLineEdit::textEdited, this, [this] { m_typing.start(); });
    connect(m_phrase, &QLineEdit::textChanged, this, [this](const QString &text) {
        // The clear button empties it without an edit.
        if (text.isEmpty())
            m_typing.start();
    });
    connect(m_everywhere, &QCheckBox::toggled, this, [this](bool on) {
        m_results->setVisible(on);
        m_progress->setVisible(on);
        Q_EMIT phraseChanged(phrase(), on);
    });
    connect(m_next, &QToolButton::clicked, this, &FindBar::nextRequested);
    connect(m_previous, &QToolButton::clicked, this, &FindBar::previousRequested);
    connect(m_close, &QToolButton::clicked, this, &FindBar::dismiss);
    connect(m_results, &QTreeWidget::itemActivated, this, &FindBar::choose);
    for (QWidget *w :
         {static_cast<QWidget *>(m_phrase), static_cast<QWidget *>(m_results), static_cast<QWidget *>(m_everywhere)})
        w->installEventFilter(this);
    showCount(-1, 0);
}

QString FindBar::phrase() const
{
    return m_phrase->text();
}

bool FindBar::everywhere() const
{
    return m_everywhere->isChecked();
}

void FindBar::open(bool everywhere)
{
    const bool wasOpen = isVisible();
    show();
    // Opened again, it looks for what it holds at once.
    if (m_everywhere->isChecked() != everywhere)
        m_everywhere->setChecked(everywhere);
    else if (!wasOpen && !phrase().trimmed().isEmpty())
        Q_EMIT phraseChanged(phrase(), everywhere);
    m_phrase->setFocus(Qt::ShortcutFocusReason);
    m_phrase->selectAll();
}

void FindBar::showCount(int current, int total)
{
    plaintext::setText(m_count, phrase().trimmed().isEmpty() ? QString() : countText(current, total));
    m_phrase->setAccessibleDescription(m_count->text());
    m_previous->setEnabled(total > 1);
    m_next->setEnabled(total > 1);
}

QString FindBar::countText(int current, int total)
{
    if (total < 0)
        return u"…"_s;
    if (total == 0)
        return u"не найдено"_s;
    return u"%1 из %2"_s.arg(current + 1).arg(total);
}

void FindBar::clearResults()
{
    m_results->clear();
    m_progress->clear();
}

void FindBar::addResults(const QList<worksearch::WorkMatches> &works)
{
    for (const worksearch::WorkMatches &work : works) {
        auto *item = new QTreeWidgetItem(m_results);
        item->setText(0, u"%1) %2 — %3"_s.arg(work.work + 1).arg(work.name).arg(work.matchCount));
        item->setData(0, WorkRole, work.work);
        item->setData(0, OrdinalRole, work.lines.isEmpty() ? 0 : work.lines.first().matches.value(0).ordinal);
        // The first works open on their lines, the rest a key away.
        item->setExpanded(m_results->topLevelItemCount() <= ExpandedWorks);
        for (const worksearch::MatchedLine &line : work.lines) {
            auto *child = new QTreeWidgetItem(item);
            const QString excerpt = line.excerpt.simplified();
            child->setText(0, (line.excerptStart > 0 ? u"…"_s : QString()) + excerpt
                                  + (line.excerptStart + line.excerpt.size() < line.length ? u"…"_s : QString()));
            child->setData(0, WorkRole, work.work);
            child->setData(0, OrdinalRole, line.matches.value(0).ordinal);
        }
    }
    if (m_results->currentItem() == nullptr && m_results->topLevelItemCount() > 0)
        m_results->setCurrentItem(m_results->topLevelItem(0));
}

void FindBar::showProgress(qsizetype searched, qsizetype total)
{
    plaintext::setText(m_progress, searched < total
                                       ? u"Просмотрено произведений: %1 из %2"_s.arg(searched).arg(total)
                                       : u"Найдено произведений: %1"_s.arg(m_results->topLevelItemCount()));
}

void FindBar::choose(QTreeWidgetItem *item)
{
    if (item)
        Q_EMIT resultChosen(item->data(0, WorkRole).toInt(), item->data(0, OrdinalRole).toLongLong());
}

void FindBar::dismiss()
{
    m_typing.stop();
    // The keys go back before the bar hides: a bar hidden with the focus
    // hands it on as Tab would, and the page takes it at its first link, at
    // its top, losing the reader's place.
    Q_EMIT closing();
    hide();
    Q_EMIT closed();
}

bool FindBar::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() == Qt::Key_Escape) {
        dismiss();
        return true;
    }
    if (watched == m_phrase && key->key() == Qt::Key_Down && everywhere() && m_results->topLevelItemCount() > 0) {
        m_results->setFocus(Qt::TabFocusReason);
        return true;
    }
    // Up from the first result goes back to the phrase, as Down came.
    if (watched == m_results && key->key() == Qt::Key_Up && key->modifiers() == Qt::NoModifier
        && m_results->currentItem() == m_results->topLevelItem(0)) {
        m_phrase->setFocus(Qt::BacktabFocusReason);
        return true;
    }
    if (watched == m_phrase && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
        // What was typed is looked for at once, then the next match.
        if (m_typing.isActive()) {
            m_typing.stop();
            Q_EMIT phraseChanged(phrase(), everywhere());
        } else if (everywhere() && m_results->topLevelItemCount() > 0) {
            m_results->setFocus(Qt::TabFocusReason);
        } else if (key->modifiers() & Qt::ShiftModifier) {
            Q_EMIT previousRequested();
        } else {
            Q_EMIT nextRequested();
        }
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
