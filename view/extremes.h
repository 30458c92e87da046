#pragma once

#include <QString>
#include <functional>

// The digital display's labels whose captions the recording reads and writes.
enum class XLabel
{
    Label2,  // display 1's value
    Label5,  // display 1's unit
    Label3,  // display 2's value
    Label6,  // display 2's unit
    Label1,  // one-display panel: display 1's high
    Label4,  // one-display panel: unit beside it
    Label7,  // display 1's high
    Label8,  // display 2's high
    Label9,  // unit beside display 1's high
    Label10, // unit beside display 2's high
    Label13, // display 1's low
    Label14, // display 2's low
    Label15, // unit beside display 1's low
    Label16, // unit beside display 2's low
    Label18, // one-display panel: display 1's low
    Label19, // one-display panel: unit beside it
};
constexpr int XLabelCount = int(XLabel::Label19) + 1;

// Captions by label; the digital display implements it, tests use a plain map.
class ExtremeLabels
{
  public:
    virtual ~ExtremeLabels() = default;
    virtual QString caption(XLabel label) const = 0;
    virtual void setCaption(XLabel label, const QString& text) = 0;
};

// A closing-row unit: either a text taken at the time, or a label whose caption counts when the
// row is written.
class UnitRef
{
  public:
    UnitRef() = default;
    static UnitRef text(const QString& t) { return UnitRef(t, false, XLabel::Label9); }
    static UnitRef label(XLabel l) { return UnitRef(QString(), true, l); }

    bool isLabel() const { return m_isLabel; }
    XLabel labelRef() const { return m_label; }
    const QString& storedText() const { return m_text; }
    // The unit as the closing row writes it now.
    QString resolve(const ExtremeLabels& labels) const
    {
        return m_isLabel ? labels.caption(m_label) : m_text;
    }
    bool operator==(const UnitRef& o) const
    {
        return m_isLabel == o.m_isLabel && (m_isLabel ? m_label == o.m_label : m_text == o.m_text);
    }

  private:
    UnitRef(const QString& t, bool isLabel, XLabel l) : m_text(t), m_isLabel(isLabel), m_label(l) {}
    QString m_text;
    bool m_isLabel = false;
    XLabel m_label = XLabel::Label9;
};

// Recorded extremes of both displays and the copies the save file's closing rows use.
struct Extremes
{
    QString Disp1_High = QStringLiteral("-99999"), Disp2_High = QStringLiteral("-99999");
    QString Disp1_Low = QStringLiteral("99999"), Disp2_Low = QStringLiteral("99999");
    QString High1_Value, High1_Time, High2_Value, High2_Time;
    QString Low1_Value, Low1_Time, Low2_Value, Low2_Time;
    UnitRef High1_Unit, High2_Unit, Low1_Unit, Low2_Unit;
};

// One packet's values and units as the decoder left them.
struct ReadingTexts
{
    const QString& value1;
    const QString& unit1;
    const QString& value2;
    const QString& unit2;
};

// New highs and lows of both displays, then every extreme label rewritten. `stamp` gives the
// date-time text of now and is asked only when an extreme is taken.
void updateExtremes(Extremes& x, const ReadingTexts& r, ExtremeLabels& labels,
                    const std::function<QString()>& stamp);

// Sentinels back for one display; the unit labels and the closing-row copies stay.
void resetExtremes1(Extremes& x, ExtremeLabels& labels);
void resetExtremes2(Extremes& x, ExtremeLabels& labels);
