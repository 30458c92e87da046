#pragma once

#include <QObject>

// A needle gauge's three properties: 16-bit whole-number limits and the needle value.
class GaugeModel : public QObject
{
    Q_OBJECT
  public:
    explicit GaugeModel(int minValue = 0, int maxValue = 100, QObject* parent = nullptr);

    // Throw RuntimeError for a value outside the 16-bit range.
    void setMinValue(double v);
    void setMaxValue(double v);
    void setValue(double v);
    short minValue() const { return m_min; }
    short maxValue() const { return m_max; }
    double value() const { return m_value; }

  signals:
    void changed(); // a limit or the value now differs

  private:
    short m_min;
    short m_max;
    double m_value = 0;
};
