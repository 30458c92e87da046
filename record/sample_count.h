#pragma once

#include <QWidget>

class QLabel;

// "  Sample Count": the number of the last sample taken.
class FrmSampleCount : public QWidget
{
    Q_OBJECT
  public:
    explicit FrmSampleCount(QWidget* parent = nullptr);
    QLabel* Label1;
    QLabel* Label2;
};
