#pragma once

#include "format/WorkSearch.h"

#include <QTimer>
#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

// The find bar under the page: a phrase found as it is typed, on the page
// or, with «во всём собрании», in every work of the collection, whose
// results it lists with their lines. Enter and F3 go to the next match,
// Shift+Enter and Shift+F3 to the previous one, Escape closes it.
class FindBar : public QWidget
{
    Q_OBJECT

public:
    // How long typing may pause before the phrase is looked for.
    static constexpr int TypingPauseMs = 150;

    explicit FindBar(QWidget *parent = nullptr);

    [[nodiscard]] QString phrase() const;
    [[nodiscard]] bool everywhere() const;
    // Opens the bar (on the page, or everywhere) with the phrase selected.
    void open(bool everywhere);
    // Closes it (as Escape does).
    void dismiss();

    // The page's answer: the current match (-1 for none) of how many (-1
    // while it is being looked for).
    void showCount(int current, int total);
    // What the bar says of it: «3 из 59», «не найдено», «…».
    [[nodiscard]] static QString countText(int current, int total);
    // The collection's answer so far.
    void clearResults();
    void addResults(const QList<worksearch::WorkMatches> &works);
    void showProgress(qsizetype searched, qsizetype total);

    [[nodiscard]] QLineEdit *phraseEdit() const { return m_phrase; }
    [[nodiscard]] QTreeWidget *results() const { return m_results; }

Q_SIGNALS:
    // The phrase to look for changed (or where to look).
    void phraseChanged(const QString &phrase, bool everywhere);
    void nextRequested();
    void previousRequested();
    // A work (and in it the match number ordinal) was chosen from the results.
    void resultChosen(std::int32_t work, qsizetype ordinal);
    // About to close: the keys are to go elsewhere. Then closed.
    void closing();
    void closed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void choose(QTreeWidgetItem *item);

    QLineEdit *m_phrase;
    QCheckBox *m_everywhere;
    QToolButton *m_previous;
    QToolButton *m_next;
    QLabel *m_count;
    QToolButton *m_close;
    QLabel *m_progress;
    QTreeWidget *m_results;
    QTimer m_typing;
};
