#pragma once

#include <QWidget>

class GaugeDial;
class GaugeModel;
class QFrame;
class QLabel;

// "  Analog Display": one needle gauge per meter display, with its limits, value and unit.
class FrmAnagDisplay : public QWidget
{
    Q_OBJECT
  public:
    explicit FrmAnagDisplay(QWidget* parent = nullptr);

    QFrame* Frame6; // covers the window
    GaugeModel* Gauge1;
    GaugeModel* Gauge2;
    QLabel *Label25, *Label26, *Label19, *Label20; // gauge 1: lower, upper, value, unit
    QLabel *Label23, *Label24, *Label21, *Label22; // gauge 2: the same

    GaugeDial* dial(int gauge) const { return gauge == 1 ? m_dial1 : m_dial2; }
    static constexpr int kMinWidth = 240;
    static constexpr int kMinHeight = 100;

    // The meter has gone quiet: needles, values and units are shown faded, and their tool tip
    // says since when (`since` empty: live again).
    void showStale(const QString& since);

  signals:
    void unloaded(); // closed with its close box

  protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void layoutRow(int top, int height, GaugeDial* dial, QLabel* lower, QLabel* upper,
                   QLabel* value, QLabel* unit);

    GaugeDial* m_dial1;
    GaugeDial* m_dial2;
};
