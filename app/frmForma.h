#pragma once

#include <QMainWindow>
#include <QPointer>

class QAction;
class usrWeb;

// The reader's main window: the HTML view over the whole client area, one
// menu, and the kept catalogue page.
class frmForma : public QMainWindow
{
    Q_OBJECT

public:
    // The single instance, created on first use.
    static frmForma &instance();
    // The instance if it exists, without creating it.
    static frmForma *existing();

    [[nodiscard]] usrWeb *usrWeb1() const { return m_web; }
    [[nodiscard]] QAction *MenuList() const { return m_menuList; }
    [[nodiscard]] QWidget *clientArea() const { return centralWidget(); }

    // A text box that is never shown: it keeps the catalogue page.
    struct TextBox
    {
        QString Text;
    } txtMenu;

    // Client size at 96 dots per inch.
    static constexpr int ClientWidth = 468;
    static constexpr int ClientHeight = 341;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    frmForma();
    QAction *addMenuItem(QMenu *menu, const char *name, const QString &caption, void (frmForma::*handler)(),
                         const QKeySequence &shortcut = {});

    void Form_Resize();
    void MenuList_Click();
    void MenuHelp_Click();
    void MenuAbout_Click();
    void MenuExit_Click();

    usrWeb *m_web = nullptr;
    QAction *m_menuList = nullptr;

    static QPointer<frmForma> s_instance;
};
