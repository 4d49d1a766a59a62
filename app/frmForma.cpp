#include "app/frmForma.h"

#include "app/MainM.h"
#include "reader/VyborM.h"
#include "extras/OpURL.h"
#include "extras/frmOprog.h"
#include "runtime/Platform.h"
#include "view/usrWeb.h"

#include <QAction>
#include <QEvent>
#include <QIcon>
#include <QMenuBar>

using namespace Qt::Literals::StringLiterals;

QPointer<frmForma> frmForma::s_instance;

frmForma &frmForma::instance()
{
    if (!s_instance)
        s_instance = new frmForma;
    return *s_instance;
}

frmForma *frmForma::existing()
{
    return s_instance.data();
}

frmForma::frmForma()
{
    setObjectName(u"frmForma"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString::fromUtf16(MainM::Caption));
    setWindowIcon(QIcon(u":/sobranie/book.png"_s));

    QMenu *menu = menuBar()->addMenu(u"Меню"_s);
    menu->setObjectName(u"Menu"_s);
    m_menuList = addMenuItem(menu, "MenuList", u"Список произведений"_s, &frmForma::MenuList_Click,
                             QKeySequence(Qt::Key_F4));
    addMenuItem(menu, "MenuHelp", u"Справка"_s, &frmForma::MenuHelp_Click, QKeySequence(Qt::Key_F1));
    addMenuItem(menu, "MenuAbout", u"О программе"_s, &frmForma::MenuAbout_Click);
    menu->addSeparator()->setObjectName(u"MenuSep"_s);
    addMenuItem(menu, "MenuExit", u"Выход"_s, &frmForma::MenuExit_Click);
    // The catalogue is what start-up shows.
    m_menuList->setEnabled(false);

    auto *client = new QWidget(this);
    client->setObjectName(u"client"_s);
    setCentralWidget(client);
    client->installEventFilter(this);
    m_web = new usrWeb(client);
    m_web->setObjectName(u"usrWeb1"_s);
    m_web->setDispatcher([](const QString &address) { VyborM::Vybor(address); });
    m_web->setFocus();

    const qreal scale = logicalDpiX() / 96.0;
    resize(qRound(ClientWidth * scale), qRound(ClientHeight * scale) + menuBar()->sizeHint().height());
}

QAction *frmForma::addMenuItem(QMenu *menu, const char *name, const QString &caption, void (frmForma::*handler)(),
                               const QKeySequence &shortcut)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(shortcut);
    connect(action, &QAction::triggered, this, [this, handler] {
        runtime::guardFatal(windowTitle(), [this, handler] { (this->*handler)(); });
    });
    return action;
}

bool frmForma::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == centralWidget() && event->type() == QEvent::Resize)
        runtime::guardFatal(windowTitle(), [this] { Form_Resize(); });
    return QMainWindow::eventFilter(watched, event);
}

void frmForma::Form_Resize()
{
    if (isMinimized())
        return;
    m_web->setGeometry(0, 0, centralWidget()->width(), centralWidget()->height());
}

void frmForma::MenuList_Click()
{
    m_web->LoadHtml(txtMenu.Text);
    m_menuList->setEnabled(false);
}

void frmForma::MenuHelp_Click()
{
    OpURL::OpenURL(MainM::AppDir + u"Справка.htm"_s);
}

void frmForma::MenuAbout_Click()
{
    // Loaded afresh at every showing, and gone when closed.
    frmOprog about(this);
    about.exec();
}

void frmForma::MenuExit_Click()
{
    close();
}
