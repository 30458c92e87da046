#include "sample_count.h"

#include <QLabel>
#include <QVBoxLayout>

FrmSampleCount::FrmSampleCount(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("  Sample Count"));
    Label1 = new QLabel(QStringLiteral("Total number of Samples"), this);
    Label2 = new QLabel(QStringLiteral("Label2"), this);
    QFont big = Label2->font();
    big.setPointSizeF(big.pointSizeF() * 2);
    big.setBold(true);
    Label2->setFont(big);
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(Label1, 0, Qt::AlignHCenter);
    lay->addWidget(Label2, 0, Qt::AlignHCenter);
    setMinimumWidth(220);
}
