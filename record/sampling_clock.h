#pragma once

#include <QString>
#include <functional>

#include "extremes.h"

// The recording's share of the session state.
struct RecordState
{
    int Save_Data = 0; // 1: a save file is open (only 1 counts)
    QString Save_File_Name;
    long long Rec_Num = 0;   // number of the last record row; compared with the sample limit
    bool Collecting = false; // a time window has opened and the collection not yet ended
    int Sample_Armed = 0;    // 0: the next check takes its own time as the reference
    double Last_Sample_Secs = 0, Now_Secs = 0;
};

// The schedule as the collection window holds it.
struct Schedule
{
    int interval = 1;            // seconds
    int limit = 0;               // samples; 0 = no limit
    QString startTime, stopTime; // times of day as typed, compared as text

    bool hasWindow() const; // the times limit the recording to a window of the day
    // `now` (hh:mm:ss) lies inside the window; both ends are outside it.
    bool insideWindow(const QString& now) const;
};

struct TimeCheckHooks
{
    std::function<Schedule()> schedule; // read live, only when a sample may be due
    std::function<void()> takeSample;
    std::function<void()> addListLine; // Rec_Count is current
};

// One check of the sampling clock at the time of day `now` (hh:mm:ss): keeps the reference,
// and on a due tick counts it, takes the sample and lists it. `recording` is the switch St.
void timeCheck(RecordState& st, long long& recCount, const QString& now, bool recording,
               const TimeCheckHooks& hooks);

struct TakeSampleHooks
{
    std::function<void()> openCollection; // the extremes start afresh (startCollectionExtremes)
    std::function<void()> closeSaveFile;  // closing rows, then Save_Data, St and counters to 0
    std::function<void()> writeRecordRow; // row number Rec_Num
    std::function<void()> showCount;      // the sample count window shows Rec_Num
};

// One sample: applies the limit and the time window, opens and ends the collection, advances
// Rec_Num and writes the row when it counts.
void takeSample(RecordState& st, long long& recCount, const Schedule& schedule, const QString& now,
                const TakeSampleHooks& hooks);

// The extremes when a time window opens: sentinels, units that follow the unit labels of the
// two-display panel, every stamp now.
void startCollectionExtremes(Extremes& x, ExtremeLabels& labels, const QString& stamp);
