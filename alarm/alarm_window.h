#pragma once

#include <QAbstractTableModel>
#include <QWidget>

#include "alarm_engine.h"

class CommonDialog;
class MessageBoxes;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableView;

// The session's events, newest first, straight from the engine's list.
class AlarmEventModel : public QAbstractTableModel
{
    Q_OBJECT
  public:
    enum Column
    {
        Time,
        Event,
        Display,
        Value,
        Unit,
        Limit,
        Text,
        Columns
    };
    explicit AlarmEventModel(const AlarmEngine& engine, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

  private:
    const AlarmEngine& m_engine;
    bool m_removing = false;
};

// "Alarms": the limits, the hold and silence times, the actions and the command; which alarms
// stand now, the event list, "Acknowledge" for the bell and the list saved as CSV. Every change
// goes to the engine at once.
class FrmAlarms : public QWidget
{
    Q_OBJECT
  public:
    FrmAlarms(AlarmEngine& engine, CommonDialog& dialog, MessageBoxes& boxes,
              QWidget* parent = nullptr);

    QLineEdit *High1, *Low1, *Unit1, *High2, *Low2, *Unit2;
    QSpinBox *Hold, *Silent;
    QCheckBox *Notify, *Sound, *RunCommand;
    QLineEdit* Command;
    QLabel* Problem;  // why the last change was not taken
    QLabel* Standing; // the alarms that stand now
    QPushButton *Acknowledge, *SaveList;
    QTableView* List;

    void Acknowledge_Click();
    void SaveList_Click();
    void apply(); // the controls into the engine, when they make sense

  signals:
    void acknowledged();
    void unloaded(); // closed with its close box

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void showSettings();
    void showStanding();

    AlarmEngine& m_engine;
    CommonDialog& m_dialog;
    MessageBoxes& m_boxes;
};
