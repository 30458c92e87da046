#pragma once

#include <QWidget>

class GaugeModel;
class QFrame;
class QLabel;

// "  Analog Display": one needle gauge per meter display.
class FrmAnagDisplay : public QWidget
{
    Q_OBJECT
public:
    explicit FrmAnagDisplay(QWidget* parent = nullptr);

    QFrame* Frame6;
    GaugeModel* Gauge1;
    GaugeModel* Gauge2;
    QLabel *Label25, *Label26, *Label19, *Label20;
    QLabel *Label23, *Label24, *Label21, *Label22;

signals:
    void unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;
};
