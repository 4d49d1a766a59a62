#include "ui/AboutDialog.h"

#include "format/RedirectPage.h"
#include "platform/System.h"
#include "ui/DesktopOpening.h"
#include "ui/DrawingSurface.h"
#include "ui/HorizontalLine.h"
#include "ui/LinkLabel.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyleFactory>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace {

const QColor Grey(192, 192, 192);
const QColor LinkColor(0, 0, 192);

QCursor handPointer()
{
    return QCursor(QPixmap(u":/sobranie/hand.png"_s), 0, 0);
}

} // namespace

AboutDialog::AboutDialog(platform::NativePath redirectFolder, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint),
      m_redirectFolder(std::move(redirectFolder))
{
    setObjectName(u"aboutDialog"_s);
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

    addLabel(u"ideaLabel"_s, u"Идея: Ян Мирский"_s, {16, 0, 231, 20});
    addLabel(u"photoSiteCaption"_s, u"Сайт:"_s, {16, 24, 48, 20});
    m_photoLink = new LinkLabel(u"Реставрация и смена фона фото по интернету"_s, u"http://photo.example.org/"_s, this);
    m_photoLink->setObjectName(u"photoLink"_s);
    m_photoLink->setGeometry(72, 24, 402, 20);

    // Etched separators: a dark line over a light one.
    addLine(u"upperDarkLine"_s, 56, QPalette::WindowText);
    addLine(u"upperLightLine"_s, 57, QPalette::Base);

    auto *image = new QLabel(this);
    image->setObjectName(u"picture"_s);
    image->setGeometry(16, 72, 71, 126);
    image->setPixmap(QPixmap(u":/sobranie/picture.png"_s));

    addLabel(u"programmerLabel"_s, u"Программист: Лев Орлов"_s, {104, 72, 282, 20});
    addLabel(u"emailLabel"_s, u"E-mail: lo@example.org"_s, {104, 96, 242, 20});
    addLabel(u"siteCaption"_s, u"Сайт:"_s, {104, 120, 48, 20});
    m_siteLink = new LinkLabel(u"Программы для всех!"_s, u"http://www.example.org/site/"_s, this);
    m_siteLink->setObjectName(u"siteLink"_s);
    m_siteLink->setGeometry(160, 120, 183, 20);
    addLabel(u"versionLabel"_s, u"Версия: v2.0"_s, {104, 144, 105, 20});
    addLabel(u"dateLabel"_s, u"Дата: 9 октября 2008 год"_s, {104, 168, 218, 20});
    addLabel(u"secondDateLabel"_s, u"26 июля 2015 год"_s, {156, 192, 149, 20});

    addLine(u"lowerDarkLine"_s, 224, QPalette::WindowText);
    addLine(u"lowerLightLine"_s, 225, QPalette::Base);

    m_stripes = new DrawingSurface({8, 232, 80, 45}, palette().color(QPalette::HighlightedText), this);
    m_stripes->setObjectName(u"stripes"_s);

    m_ok = new QPushButton(u"OK"_s, this);
    m_ok->setObjectName(u"okButton"_s);
    m_ok->setGeometry(392, 236, 89, 33);
    m_ok->setDefault(true);
    // The button's face is the window's grey. Most styles draw their own face
    // (Fusion a light gradient) over the palette; the classic one fills it
    // with the button colour, as the button was drawn where it came from.
    if (QStyle *classic = QStyleFactory::create(u"Windows"_s)) {
        classic->setParent(m_ok);
        m_ok->setStyle(classic);
    }
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

    for (LinkLabel *link : {m_siteLink, m_photoLink}) {
        QPalette p = link->palette();
        p.setColor(QPalette::WindowText, LinkColor);
        link->setPalette(p);
        link->setCursor(handPointer());
    }
    connect(m_siteLink, &LinkLabel::clicked, this, &AboutDialog::openSite);
    connect(m_photoLink, &LinkLabel::clicked, this, &AboutDialog::openPhotoSite);

    // The button first in the tab order and focused when the window opens,
    // then the two links as they stand, from the top (from the keyboard only).
    setTabOrder(m_ok, m_photoLink);
    setTabOrder(m_photoLink, m_siteLink);
    m_ok->setFocus();
    fitTexts();
    drawStripes();
}

void AboutDialog::fitTexts()
{
    // Laid out for Arial's widths. A wider font (DejaVu Sans where there are
    // no Liberation fonts) is narrowed, all texts alike, until each fits.
    const QList<QLabel *> labels = findChildren<QLabel *>();
    const auto overflows = [&labels] {
        return std::any_of(labels.cbegin(), labels.cend(),
                           [](const QLabel *label) { return label->sizeHint().width() > label->width(); });
    };
    QFont narrowed = font();
    for (int stretch = QFont::Unstretched - 1; stretch >= QFont::UltraCondensed && overflows(); --stretch) {
        narrowed.setStretch(stretch);
        setFont(narrowed);
    }
}

void AboutDialog::addLabel(const QString &name, const QString &text, const QRect &geometry)
{
    auto *label = new QLabel(text, this);
    label->setObjectName(name);
    label->setGeometry(geometry);
}

void AboutDialog::addLine(const QString &name, int y, QPalette::ColorRole role)
{
    auto *line = new HorizontalLine(8, 480, y, role, this);
    line->setObjectName(name);
}

void AboutDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (const QScreen *s = screen())
        move(s->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    m_ok->setFocus();
}

void AboutDialog::drawStripes()
{
    m_stripes->fillBox({0, 15}, {79, 30}, QColor(0, 0, 255));
    m_stripes->fillBox({0, 31}, {79, 45}, QColor(255, 0, 0));
}

void AboutDialog::openSite()
{
    desktop::open(this, m_siteLink->target(), {}, desktop::Pointer::BusyUntilStarted);
}

void AboutDialog::openPhotoSite()
{
    // Named by the address the user asked for, not the page on the way.
    if (const auto page = redirect::writePageWherePossible(m_redirectFolder, m_photoLink->target()))
        desktop::open(this, platform::desktopTarget(*page), m_photoLink->target(), desktop::Pointer::BusyUntilStarted);
}
