#pragma once

#include "recording_session.h"

// The main window's variables shared by every part of the program.
struct SessionState : SessionCoreState
{
    int Graph_Point = 0;
    int Graph_Shown = 0;
    double Gauge1_Offset = 0, Gauge2_Offset = 0;
    int View_Open = 0;
};
