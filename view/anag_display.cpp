#include "anag_display.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>

#include "gauge_model.h"

FrmAnagDisplay::FrmAnagDisplay(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("  Analog Display"));
    Frame6 = new QFrame(this);
    Gauge1 = new GaugeModel(0, 100, this);
    Gauge2 = new GaugeModel(0, 100, this);
    auto mk = [this] { return new QLabel(Frame6); };
    Label25 = mk(); Label26 = mk(); Label19 = mk(); Label20 = mk();
    Label23 = mk(); Label24 = mk(); Label21 = mk(); Label22 = mk();
}

void FrmAnagDisplay::closeEvent(QCloseEvent* event)
{
    emit unloaded();
    event->accept();
}
