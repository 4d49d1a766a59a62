#pragma once

#include "platform/NativePath.h"

#include <QDialog>
#include <QPalette>

class DrawingSurface;
class LinkLabel;
class QPushButton;

// The About window: credits, version and dates, two web links, a picture
// and a drawing of three stripes.
class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    // redirectFolder (ending in a separator) receives the redirect page of
    // the second link when it can be written; else the user's own folder does.
    explicit AboutDialog(platform::NativePath redirectFolder, QWidget *parent = nullptr);

    static constexpr int ClientWidth = 490;
    static constexpr int ClientHeight = 285;

    [[nodiscard]] LinkLabel *siteLink() const { return m_siteLink; }
    [[nodiscard]] LinkLabel *photoLink() const { return m_photoLink; }
    [[nodiscard]] DrawingSurface *stripes() const { return m_stripes; }
    [[nodiscard]] QPushButton *okButton() const { return m_ok; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void addLabel(const QString &name, const QString &text, const QRect &geometry);
    void addLine(const QString &name, int y, QPalette::ColorRole role);
    void fitTexts();
    void drawStripes();
    void openSite();
    void openPhotoSite();

    platform::NativePath m_redirectFolder;
    LinkLabel *m_siteLink = nullptr;
    LinkLabel *m_photoLink = nullptr;
    DrawingSurface *m_stripes = nullptr;
    QPushButton *m_ok = nullptr;
};
