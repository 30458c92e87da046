#pragma once

#include <QString>

#include "decoder.h"
#include "extremes.h"
#include "sampling_clock.h"
#include "unit_table.h"

// The main window's variables shared by every part of the program.
struct SessionState : DecoderState, Extremes, RecordState
{
    QString Sig_Str;
    UnitTable Unit_Table;
    int Graph_Point = 0;
    int Graph_Shown = 0;
    double Gauge1_Offset = 0, Gauge2_Offset = 0;
    int View_Open = 0;
};
