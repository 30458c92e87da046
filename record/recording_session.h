#pragma once

#include <QString>
#include <functional>

#include "captions.h"
#include "decoder.h"
#include "extremes.h"
#include "sampling_clock.h"
#include "save_file.h"
#include "unit_table.h"

class Clock;
class SeqFiles;
class SerialControl;

// The session's variables that the recording path reads and writes.
struct SessionCoreState : DecoderState, Extremes, RecordState
{
    QString Sig_Str;
    UnitTable Unit_Table;
};

// The user's choices as the session reads them, each time they count.
class SessionControls
{
  public:
    virtual ~SessionControls() = default;
    virtual bool singleDisplay() const = 0;   // DisplayOne
    virtual bool recordingSwitch() const = 0; // St
    virtual void setRecordingSwitch(bool on) = 0;
    virtual Schedule schedule() = 0; // the collection window's settings, read live
};

// What a face shows of the session; a face leaves alone what it does not show.
class SessionView
{
  public:
    virtual ~SessionView() = default;
    // The digital display's captions are about to be used: a closed window is made anew now,
    // and its captions start again (DigitalCaptions::load).
    virtual void captionsNeeded() {}
    virtual void captionChanged(XLabel, const QString&) {}
    virtual void decoded() {} // after every decode, a rejected packet's too
    virtual void listLine(const QString&) {}
    virtual void extremesReset() {}
    virtual void collectionOpened() {}
    virtual void countChanged(long long /*recNum*/) {}
    virtual void rowWritten(const QString&) {} // a record or closing row, as the file has it
    virtual void notice(const QString&) {}     // "File Closed"
    virtual void fileError(const QString&) {}
    virtual void fileWarning(const QString&) {} // a mishap mended: the recording goes on
};

// The recording path: packets and clock ticks in, the save file out. The main window and
// quorvane-record both run it; their procedures of the same names call these.
class RecordingSession
{
  public:
    RecordingSession(SessionCoreState& state, SerialControl& comm, const Clock& clock,
                     SeqFiles& files, SessionControls& controls, SessionView& view);

    SessionCoreState& state() { return m_s; }
    DigitalCaptions& captions() { return m_captions; }

    void Form_Load(); // the session's start values and the unit table

    // The port opened with the program's settings; raises RuntimeError.
    void openPort(int port, bool dtr);
    void releasePort(); // quietly
    // Everything waiting into Sig_Str; true when it is exactly one packet.
    bool takeInput();

    // Time_Check, then, absorbing any error, the decode, the reading shown and `liveView`;
    // true when all of that went through.
    bool Proc_Packet(const std::function<void()>& liveView = {});
    void Proc_Sig();
    void showReading(); // the unit check, the reading's captions, the extremes
    void Reset_Extremes_1();
    void Reset_Extremes_2();

    void Time_Check();
    void Take_Sample();

    void openSaveFile(const QString& path); // raises RuntimeError
    bool saveFileOpen() const { return m_file.isOpen(); }
    QString saveFilePath() const { return m_file.path(); } // empty when none is open
    void Close_Save_File(bool oneDisplay, bool atExit = false);
    void closeAtExit(); // closing rows of both displays, whatever the mode
    // Closed without closing rows, the collection disarmed: one save file at a time.
    void dropSaveFile();

  private:
    void startCollection();
    void writeRecordRow();
    void addListLine();
    void saveFileFailed(const QString& description,
                        const QString& outcome = QStringLiteral(
                            "\nThe recording has stopped. The rows written before are kept."));
    QString stamp() const;

    SessionCoreState& m_s;
    SerialControl& m_comm;
    const Clock& m_clock;
    SessionControls& m_controls;
    SessionView& m_view;
    DigitalCaptions m_captions;
    SaveFile m_file;
};
