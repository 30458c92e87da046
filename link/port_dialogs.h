#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;
class PortMap;

// "  Com Select": which port the meter is on, and whether DTR is driven.
class FrmComSelect : public QWidget
{
    Q_OBJECT
public:
    explicit FrmComSelect(const PortMap& ports, QWidget* parent = nullptr);

    // The chosen port, 1 to 4, or 0 when no option is selected.
    int portNumber() const;

    QLabel* Label17;
    QRadioButton* Option1;
    QRadioButton* Option2;
    QRadioButton* Option3;
    QRadioButton* Option4;
    QCheckBox* Enable_DTR;
    QPushButton* Command2;

    void Command2_Click();
    // Keys "1" to "4" on the focused OK button pick the port; true when the key was used.
    bool Command2_KeyPress(int key);

signals:
    void proceed(); // OK: the display-type dialog comes next

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

// "  Display Type": one or two displays; read for the whole session through DisplayOne.
class frmDisplay : public QWidget
{
    Q_OBJECT
public:
    explicit frmDisplay(QWidget* parent = nullptr);

    QLabel* Label17;
    QRadioButton* DisplayOne;
    QRadioButton* DisplayTwo;
    QPushButton* Command2;

    void Command2_Click();

signals:
    void proceed(); // OK: the main window opens the port

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
