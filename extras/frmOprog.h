#pragma once

#include <QDialog>
#include <QPalette>

class LinkLabel;
class PictureBox;
class QPushButton;

// The About window: credits, version and dates, two web links, a picture
// and a drawing of three stripes.
class frmOprog : public QDialog
{
    Q_OBJECT

public:
    explicit frmOprog(QWidget *parent = nullptr);

    static constexpr int ClientWidth = 490;
    static constexpr int ClientHeight = 285;

    [[nodiscard]] LinkLabel *Label1() const { return m_label1; }
    [[nodiscard]] LinkLabel *Label3() const { return m_label3; }
    [[nodiscard]] PictureBox *Picture1() const { return m_picture1; }
    [[nodiscard]] QPushButton *OK() const { return m_ok; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    QWidget *addLabel(int index, const QString &text, const QRect &geometry);
    void addLine(const QString &name, int y, QPalette::ColorRole role);
    void Form_Load();
    void Label1_Click();
    void Label3_Click();

    LinkLabel *m_label1 = nullptr;
    LinkLabel *m_label3 = nullptr;
    PictureBox *m_picture1 = nullptr;
    QPushButton *m_ok = nullptr;
};
