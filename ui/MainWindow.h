#pragma once

#include "format/Collection.h"
#include "format/Navigation.h"
#include "format/ReadingState.h"
#include "platform/LegacyRandom.h"

#include <QMainWindow>

#include <memory>
#include <optional>

class Hyphenator;
class QAction;
class QMenu;
class PageView;
class ReadingTools;

// The reader's main window: the HTML view over the whole client area, one
// menu, and the catalogue page kept from start-up.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // Client size at 96 dots per inch.
    static constexpr int ClientWidth = 468;
    static constexpr int ClientHeight = 341;

    // A window for the collection; cataloguePage is kept to be shown again.
    MainWindow(Collection collection, QString cataloguePage);

    [[nodiscard]] PageView *pageView() const { return m_view; }
    [[nodiscard]] QAction *catalogueAction() const { return m_catalogueAction; }
    [[nodiscard]] QWidget *clientArea() const { return centralWidget(); }
    // The inner size of the window, below the menu bar.
    [[nodiscard]] QSize clientSize() const;
    [[nodiscard]] const Collection &collection() const { return m_collection; }
    [[nodiscard]] const QString &keptCataloguePage() const { return m_cataloguePage; }
    // The generator works are decoded with, in its state now.
    [[nodiscard]] const platform::LegacyRandom &generator() const { return m_random; }
    [[nodiscard]] ReadingTools *readingTools() const { return m_tools; }

    // The kept catalogue page in the view; the catalogue command disabled.
    void showCatalogue();
    // What the reader starts on: the work read last, where it was left, when
    // so chosen and it is still as it was; else the catalogue.
    void showStart();
    // Carries out one of the reader's links (the address as the view reports it).
    void followLink(const QString &address);
    // Shows work index, or reports why its file cannot be opened.
    void openWork(std::int32_t index);

protected:
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QAction *addMenuItem(QMenu *menu, const QString &name, const QString &caption, void (MainWindow::*handler)(),
                         const QKeySequence &shortcut = {});
    void present(const navigation::Destination &destination);
    // Shows a work at place: as it is, or with its words broken for the book page.
    void showWork(const navigation::ShowWork &work, const ReadingPlace &place);
    void addKeys(QMenu *menu);

    // The catalogue, the keyboard starting on the element focus selects.
    void showCatalogueAt(const QString &focus);
    void layoutView();
    void openHelp();
    void showAbout();
    void exitReader();

    Collection m_collection;
    QString m_cataloguePage;
    // One generator for the whole run: a work whose seed does not restart it
    // decodes after whatever was opened before, as stored files expect.
    platform::LegacyRandom m_random;

    // Where works were left, and the text size: from one run to the next.
    ReadingState m_state;
    PageView *m_view = nullptr;
    ReadingTools *m_tools = nullptr;
    QAction *m_catalogueAction = nullptr;
    // The work shown last, if any, and the page it was shown from.
    std::optional<std::int32_t> m_lastWork;
    std::optional<navigation::ShowWork> m_shownWork;
    // The patterns words are broken by, loaded when first needed.
    std::shared_ptr<const Hyphenator> m_hyphenator;
    // The About window is on its way or shown.
    bool m_aboutPending = false;
};
