#include "extras/frmOprog.h"

#include "extras/LineControl.h"
#include "extras/LinkLabel.h"
#include "extras/OpURL.h"
#include "extras/PictureBox.h"
#include "extras/SaveFileUrlm.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

using namespace Qt::Literals::StringLiterals;

namespace {

const QColor Grey(192, 192, 192);
const QColor LinkColor(0, 0, 192);

// Shows the busy pointer over the whole window while it lives.
class BusyPointer
{
public:
    BusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { QApplication::restoreOverrideCursor(); }
    BusyPointer(const BusyPointer &) = delete;
    BusyPointer &operator=(const BusyPointer &) = delete;
};

QCursor handPointer()
{
    return QCursor(QPixmap(u":/sobranie/hand.png"_s), 0, 0);
}

} // namespace

frmOprog::frmOprog(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                          | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(u"frmOprog"_s);
    setWindowTitle(u"О программе"_s);
    setFixedSize(ClientWidth, ClientHeight);
    setModal(true);

    QPalette grey = palette();
    grey.setColor(QPalette::Window, Grey);
    grey.setColor(QPalette::Button, Grey);
    setPalette(grey);
    setAutoFillBackground(true);

    // "MS Sans Serif" where there is one; elsewhere a sans-serif of the same
    // narrow build (Arial's metrics), so the texts fit their labels, then the
    // platform's own sans-serif.
    QFont font(u"MS Sans Serif"_s, 12, QFont::Bold);
    font.setFamilies({u"MS Sans Serif"_s, u"Microsoft Sans Serif"_s, u"Arial"_s, u"Liberation Sans"_s});
    font.setStyleHint(QFont::SansSerif);
    setFont(font);

    addLabel(8, u"Идея: Ян Мирский"_s, {16, 0, 231, 20});
    addLabel(1, u"Сайт:"_s, {16, 24, 48, 20});
    m_label3 = new LinkLabel(u"Реставрация и смена фона фото по интернету"_s, u"http://photo.example.org/"_s, this);
    m_label3->setObjectName(u"Label3"_s);
    m_label3->setGeometry(72, 24, 402, 20);

    // Etched separators: a dark line over a light one.
    addLine(u"Line4"_s, 56, QPalette::WindowText);
    addLine(u"Line3"_s, 57, QPalette::Base);

    auto *image = new QLabel(this);
    image->setObjectName(u"Image1"_s);
    image->setGeometry(16, 72, 71, 126);
    image->setPixmap(QPixmap(u":/sobranie/picture.png"_s));

    addLabel(3, u"Программист: Лев Орлов"_s, {104, 72, 282, 20});
    addLabel(4, u"E-mail: lo@example.org"_s, {104, 96, 242, 20});
    addLabel(5, u"Сайт:"_s, {104, 120, 48, 20});
    m_label1 = new LinkLabel(u"Программы для всех!"_s, u"http://www.example.org/site/"_s, this);
    m_label1->setObjectName(u"Label1"_s);
    m_label1->setGeometry(160, 120, 183, 20);
    addLabel(6, u"Версия: v2.0"_s, {104, 144, 105, 20});
    addLabel(7, u"Дата: 9 октября 2008 год"_s, {104, 168, 218, 20});
    addLabel(0, u"26 июля 2015 год"_s, {156, 192, 149, 20});

    addLine(u"Line1"_s, 224, QPalette::WindowText);
    addLine(u"Line2"_s, 225, QPalette::Base);

    m_picture1 = new PictureBox({8, 232, 80, 45}, palette().color(QPalette::HighlightedText), this);
    m_picture1->setObjectName(u"Picture1"_s);

    m_ok = new QPushButton(u"OK"_s, this);
    m_ok->setObjectName(u"OK"_s);
    m_ok->setGeometry(392, 236, 89, 33);
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

    for (LinkLabel *link : {m_label1, m_label3}) {
        QPalette p = link->palette();
        p.setColor(QPalette::WindowText, LinkColor);
        link->setPalette(p);
        link->setCursor(handPointer());
    }
    connect(m_label1, &LinkLabel::clicked, this, &frmOprog::Label1_Click);
    connect(m_label3, &LinkLabel::clicked, this, &frmOprog::Label3_Click);

    // The button is the only control that takes the focus: first in the tab
    // order, and focused when the window opens.
    m_ok->setFocus();
    Form_Load();
}

QWidget *frmOprog::addLabel(int index, const QString &text, const QRect &geometry)
{
    auto *label = new QLabel(text, this);
    label->setObjectName(u"Label2_%1"_s.arg(index));
    label->setProperty("Index", index);
    label->setGeometry(geometry);
    return label;
}

void frmOprog::addLine(const QString &name, int y, QPalette::ColorRole role)
{
    auto *line = new LineControl(8, 480, y, role, this);
    line->setObjectName(name);
}

void frmOprog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (const QScreen *s = screen())
        move(s->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    m_ok->setFocus();
}

void frmOprog::Form_Load()
{
    m_picture1->fillBox({0, 15}, {79, 30}, QColor(0, 0, 255));
    m_picture1->fillBox({0, 31}, {79, 45}, QColor(255, 0, 0));
}

void frmOprog::Label1_Click()
{
    BusyPointer busy;
    OpURL::OpenURL(m_label1->Tag());
}

void frmOprog::Label3_Click()
{
    BusyPointer busy;
    SaveFileUrlm::SaveFileUrl(m_label3->Tag());
}
