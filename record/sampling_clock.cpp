#include "sampling_clock.h"

#include <cmath>

#include "texts.h"

namespace {

// The value of a field of the time text: two digits, as the clock always gives them, are read
// straight off; anything else as any number text is read.
double fieldValue(QStringView field)
{
    const auto digit = [&field](int i) { return field[i] >= u'0' && field[i] <= u'9'; };
    if (field.size() == 2 && digit(0) && digit(1))
        return (field[0].unicode() - u'0') * 10 + (field[1].unicode() - u'0');
    return texts::leadingNumber(field.toString());
}

} // namespace

void timeCheck(RecordState& st, long long& recCount, const QString& now, bool recording,
               const TimeCheckHooks& hooks)
{
    const QStringView t(now);
    st.Now_Secs =
        fieldValue(t.left(2)) * 3600 + fieldValue(t.mid(3, 2)) * 60 + fieldValue(t.right(2));
    if (st.Sample_Armed == 0) {
        st.Last_Sample_Secs = st.Now_Secs;
        st.Sample_Armed = 1;
    }
    // After midnight the difference is large, so the first check of the day is always due.
    if (!recording ||
        !(std::abs(st.Now_Secs - st.Last_Sample_Secs) + 1 > hooks.schedule().interval))
        return;
    recCount += 1;
    hooks.takeSample();
    st.Sample_Armed = 0;
    hooks.addListLine();
}

bool Schedule::hasWindow() const
{
    // An empty start time is never above "00:00": empty times mean no window.
    return stopTime < QLatin1String("24:59") && startTime > QLatin1String("00:00");
}

bool Schedule::insideWindow(const QString& now) const
{
    const QString& start = startTime;
    const QString& stop = stopTime;
    if (now < stop && now > start && start < stop)
        return true;
    return (now < stop || now > start) && start > stop; // across midnight
}

void takeSample(RecordState& st, long long& recCount, const Schedule& sc, const QString& now,
                const TakeSampleHooks& hooks)
{
    bool due = false;
    if (st.Save_Data == 1 && sc.limit == 0)
        due = true;
    if (sc.limit > 0 && st.Rec_Num < sc.limit)
        due = true;
    if (sc.hasWindow()) {
        due = sc.insideWindow(now);
        if (!st.Collecting && due) {
            st.Collecting = true;
            st.Rec_Num = 0;
            recCount = 0;
            hooks.openCollection();
        }
    }
    if ((st.Collecting && !due && st.Rec_Num > 0) || (sc.limit > 0 && st.Rec_Num >= sc.limit)) {
        st.Collecting = false;
        if (st.Save_Data == 1) {
            hooks.closeSaveFile();
            due = false;
        }
    }
    // Also right after an ending, so a collection that ended leaves 1.
    st.Rec_Num += 1;
    if (due)
        hooks.writeRecordRow();
    hooks.showCount();
}

void startCollectionExtremes(Extremes& x, ExtremeLabels& labels, const QString& stamp)
{
    const QString high = QStringLiteral("-99999");
    const QString low = QStringLiteral("99999");
    x.Disp1_Low = x.Disp2_Low = low;
    x.Disp1_High = x.Disp2_High = high;
    x.High1_Value = x.High2_Value = high;
    x.Low1_Value = x.Low2_Value = low;
    // The closing rows write what these labels show when the file is closed.
    x.High1_Unit = UnitRef::label(XLabel::Label9);
    x.High2_Unit = UnitRef::label(XLabel::Label10);
    x.Low1_Unit = UnitRef::label(XLabel::Label15);
    x.Low2_Unit = UnitRef::label(XLabel::Label16);
    labels.setCaption(XLabel::Label1, high);
    labels.setCaption(XLabel::Label18, low);
    labels.setCaption(XLabel::Label4, labels.caption(XLabel::Label9));
    labels.setCaption(XLabel::Label19, labels.caption(XLabel::Label15));
    x.High1_Time = x.High2_Time = x.Low1_Time = x.Low2_Time = stamp;
}
