#include "dig_display.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>

FrmDigDisplay::FrmDigDisplay(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("   Digital Display"));
    auto mk = [this](const QString& text = QString()) { return new QLabel(text, this); };
    Label2 = mk(); Label5 = mk(); Label3 = mk(); Label6 = mk();
    Frame2 = new QGroupBox(this);
    Label11 = mk(QStringLiteral("Recorded Highs")); Label7 = mk(); Label9 = mk(); Label8 = mk(); Label10 = mk();
    Frame3 = new QGroupBox(this);
    Label12 = mk(QStringLiteral(" Recorded   Lows")); Label13 = mk(); Label15 = mk(); Label14 = mk(); Label16 = mk();
    Frame1 = new QGroupBox(QStringLiteral("Frame1"), this);
    Label17 = mk(QStringLiteral("Recorded High")); Label1 = mk(QStringLiteral("Label1"));
    Label4 = mk(QStringLiteral("Label4")); Label20 = mk(QStringLiteral("Recorded Low"));
    Label18 = mk(QStringLiteral("Label18")); Label19 = mk(QStringLiteral("Label19"));
    // Load handler: sentinel texts in the extreme labels.
    Label14->setText(QStringLiteral("99999"));
    Label13->setText(QStringLiteral("99999"));
    Label8->setText(QStringLiteral("-99999"));
    Label7->setText(QStringLiteral("-99999"));
}

void FrmDigDisplay::closeEvent(QCloseEvent* event)
{
    emit unloaded();
    event->accept();
}
