#pragma once

#include <QWidget>

class QGroupBox;
class QLabel;

// "   Digital Display": current values and units, recorded highs and lows.
class FrmDigDisplay : public QWidget
{
    Q_OBJECT
public:
    explicit FrmDigDisplay(QWidget* parent = nullptr);

    QLabel *Label2, *Label5, *Label3, *Label6;
    QGroupBox* Frame2;
    QLabel *Label11, *Label7, *Label9, *Label8, *Label10;
    QGroupBox* Frame3;
    QLabel *Label12, *Label13, *Label15, *Label14, *Label16;
    QGroupBox* Frame1;
    QLabel *Label17, *Label1, *Label4, *Label20, *Label18, *Label19;

signals:
    void unloaded(); // closed with its close box

protected:
    void closeEvent(QCloseEvent* event) override;
};
