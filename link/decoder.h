#pragma once

#include <QString>
#include <functional>

#include "unit_table.h"

// What the decoder writes and carries from one packet to the next.
struct DecoderState
{
    QString Disp1_Value, Disp1_Unit, Disp2_Value, Disp2_Unit;
    double Sig_Head = 0, Sig_Sign = 0, Sig_Unit2 = 0, Sig_Unit1 = 0, Sig_Dp2 = 0, Sig_Dp1 = 0;
    QString Sig_Digits1, Sig_Digits2, Sig_Digits8;
    QString Sign1, Sign2;
    double Uv_Last_Dp = 0;
    QString Alt1_Value, Alt1_Unit, Alt2_Value, Alt2_Unit;
    int Download_End = 0;
    long long Rec_Count = 0;
    long long Listed_Count = 0;
    // The light meter's unit: a source letter and at most one range text.
    QString Light_Letter, Light_Range;
    QString lightCaption() const { return Light_Letter + Light_Range; }
};

// What the decoder reads from the rest of the program.
struct DecoderInputs
{
    bool singleDisplay = false; // DisplayOne selected
    bool recording = false;     // St checked
    int saveData = 0;           // Save_Data
    const UnitTable* units = nullptr;
};

// Where the decoder reaches out; both may be empty.
struct DecoderHooks
{
    std::function<void()> resetExtremes1; // display 1's recorded extremes start again
    std::function<void()> addListLine;    // a raw-list line is due (Rec_Count is current)
};

// Decodes one packet into `st`. A rejected packet raises RuntimeError after the side effects
// that come before its failing step; the steps after it do not run.
void decodePacket(const QString& packet, DecoderState& st, const DecoderInputs& in,
                  const DecoderHooks& hooks);
