#include "extremes.h"

#include "texts.h"

using texts::leadingNumber;

void updateExtremes(Extremes& x, const ReadingTexts& r, ExtremeLabels& labels,
                    const std::function<QString()>& stamp)
{
    // Strict tests: an equal reading neither replaces an extreme nor renews its stamp.
    if (leadingNumber(x.Disp1_High) < leadingNumber(r.value1)) {
        x.Disp1_High = r.value1;
        x.High1_Value = x.Disp1_High;
        labels.setCaption(XLabel::Label9, r.unit1);
        x.High1_Unit = UnitRef::text(r.unit1);
        x.High1_Time = stamp();
    }
    if (leadingNumber(x.Disp1_Low) > leadingNumber(r.value1)) {
        x.Disp1_Low = r.value1;
        labels.setCaption(XLabel::Label15, r.unit1);
        x.Low1_Time = stamp();
        x.Low1_Value = x.Disp1_Low;
        x.Low1_Unit = UnitRef::label(XLabel::Label15);
        labels.setCaption(XLabel::Label18, x.Disp1_Low);
    }
    if (leadingNumber(x.Disp2_High) < leadingNumber(r.value2)) {
        x.Disp2_High = r.value2;
        labels.setCaption(XLabel::Label10, r.unit2);
        x.High2_Time = stamp();
        x.High2_Value = x.Disp2_High;
        x.High2_Unit = UnitRef::label(XLabel::Label10);
        // The one-display panel's units follow display 1, copied only here.
        labels.setCaption(XLabel::Label4, labels.caption(XLabel::Label9));
    }
    if (leadingNumber(x.Disp2_Low) > leadingNumber(r.value2)) {
        x.Disp2_Low = r.value2;
        labels.setCaption(XLabel::Label16, r.unit2);
        x.Low2_Time = stamp();
        x.Low2_Value = x.Disp2_Low;
        x.Low2_Unit = UnitRef::label(XLabel::Label16);
        labels.setCaption(XLabel::Label19, labels.caption(XLabel::Label15));
    }
    labels.setCaption(XLabel::Label14, x.Disp2_Low);
    labels.setCaption(XLabel::Label13, x.Disp1_Low);
    labels.setCaption(XLabel::Label18, x.Disp1_Low);
    labels.setCaption(XLabel::Label8, x.Disp2_High);
    labels.setCaption(XLabel::Label7, x.Disp1_High);
    labels.setCaption(XLabel::Label1, x.Disp1_High);
}

void resetExtremes1(Extremes& x, ExtremeLabels& labels)
{
    labels.setCaption(XLabel::Label7, QStringLiteral("-9999"));
    labels.setCaption(XLabel::Label13, QStringLiteral("99999"));
    x.Disp1_Low = QStringLiteral("99999");
    x.Disp1_High = QStringLiteral("-99999");
}

void resetExtremes2(Extremes& x, ExtremeLabels& labels)
{
    labels.setCaption(XLabel::Label8, QStringLiteral("-9999"));
    labels.setCaption(XLabel::Label14, QStringLiteral("9999"));
    x.Disp2_Low = QStringLiteral("99999");
    x.Disp2_High = QStringLiteral("-99999");
}
