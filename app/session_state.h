#pragma once

#include <QString>

#include "decoder.h"
#include "extremes.h"
#include "unit_table.h"

// The main window's variables shared by every part of the program.
struct SessionState : DecoderState, Extremes
{
    QString Sig_Str;
    UnitTable Unit_Table;
    int Save_Data = 0;
    QString Save_File_Name;
    long long Rec_Num = 0;
    bool Collecting = false;
    int Sample_Armed = 0;
    double Last_Sample_Secs = 0, Now_Secs = 0;
    int Graph_Point = 0;
    int Graph_Shown = 0;
    double Gauge1_Offset = 0, Gauge2_Offset = 0;
    int View_Open = 0;
};
