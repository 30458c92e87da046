#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

// "System Info": a one-line notice shown without waiting.
class E_MsgBox : public QWidget
{
    Q_OBJECT
public:
    explicit E_MsgBox(QWidget* parent = nullptr);
    QLabel* Msg;
    QPushButton* Command1;
    void Command1_Click() { hide(); }
};

// "   About This Program": its picture carries the whole content.
class FrmAbout : public QWidget
{
    Q_OBJECT
public:
    explicit FrmAbout(QWidget* parent = nullptr);
    QPushButton* Command1;
    void Command1_Click();
};
