#pragma once

#include <QWidget>

#include "sampling_clock.h"

class MessageBoxes;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;

// "   Data Collection Window": the schedule of a recording. The sampling clock reads it live.
class FrmDataCollect : public QWidget
{
    Q_OBJECT
  public:
    explicit FrmDataCollect(MessageBoxes& boxes, QWidget* parent = nullptr);

    QLabel* Label1;
    QScrollBar* HScroll1; // interval, seconds
    QLabel* Label4;
    QLabel* Label27;
    QScrollBar* HScroll2; // sample limit, 0 = none
    QLabel* Label28;
    QLineEdit* Start_Time;
    QLabel* Label29;
    QLineEdit* Stop_Time;
    QPushButton* Command1; // "Start"
    int Times_Valid = 0;

    void HScroll1_Change();
    void HScroll2_Change();
    void Check_Times();
    void Command1_Click();
    void Form_Unload();
    Schedule schedule() const;

  signals:
    void armed(); // the main window sets St and starts Timer1

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    MessageBoxes& m_boxes;
};
