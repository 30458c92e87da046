#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>

#include "alarm_engine.h"
#include "recording_session.h"

// What quorvane-record is asked to record.
struct RecordOptions
{
    QString device;
    bool single = false; // --single; --dual otherwise
    bool dtr = false;
    Schedule schedule;
    QString file; // empty: the day's proposed name in the current folder
    bool quiet = false;
    bool daily = false; // every day's window, not only the first
    // --high, --low, --hold, --silent and --on-event; no notification, no bell
    AlarmSettings alarms = noScreenAlarms();
    static AlarmSettings noScreenAlarms();
};

struct RecordArguments
{
    enum class Action
    {
        Record,
        Help,
        Version,
        Bad, // `error` names what is wrong, or `timeMessages` hold the time checks' messages
    };
    Action action = Action::Record;
    RecordOptions options;
    QString error;
    QStringList timeMessages;
    QStringList warnings; // accepted, but worth a word on standard error
};

// The command line without the program's name.
RecordArguments parseRecordArguments(const QStringList& args);
QString recordUsage(); // the two usage lines
QString recordHelp();  // --help: the usage and what each option does

// quorvane-record's face of the recording session: the choices come from the command line, rows
// go to `out`, and every event and message to `err` as an alarm event's line. It answers as a user
// at the desktop program would: the port, "Yes", the file, Start with the given settings, all at
// once.
class Recorder : public QObject, private SessionControls, private SessionView
{
    Q_OBJECT
  public:
    using Lines = std::function<void(const QString&)>;
    Recorder(RecordOptions options, SerialControl& comm, const Clock& clock, SeqFiles& files,
             Lines out, Lines err, QObject* parent = nullptr);
    ~Recorder() override;

    static constexpr int WaitToldMs = 60000; // "waiting for the meter", again while none comes

    // Port and file; false, with the reason told, when either cannot be opened. The collection
    // is armed at the first reading, so that no row goes out before there is one to write;
    // with --daily the file is opened when each day's window opens.
    bool start();
    void Comm1_OnComm();
    void Timer1_Timer();
    // As the main window's closing: the closing rows of both displays, the port released.
    void close();

    RecordingSession& core() { return *m_core; }
    AlarmEngine& alarms() { return m_alarms; }
    // At exit: the commands for the last events get up to `ms` to finish.
    void finishCommands(int ms) { m_alarms.finish(ms); }
    const QString& fileName() const { return m_path; } // absolute, once started
    QTimer& timer1() { return m_timer1; }

  signals:
    void finished(int exitCode); // from the event loop, once

  private:
    bool singleDisplay() const override { return m_o.single; }
    bool recordingSwitch() const override { return m_st; }
    void setRecordingSwitch(bool on) override { m_st = on; }
    Schedule schedule() override { return m_o.schedule; }
    void rowWritten(const QString& row) override;
    void notice(const QString& text) override;
    void fileError(const QString& text) override;
    void fileWarning(const QString& text) override;

    void tell(const QString& text) { tell(AlarmKind::Message, text); }
    void tell(AlarmKind kind, const QString& text); // an event; the device as the path tried
    QString portNamed(const QString& text) const;
    void finish(int code);
    QString startLine() const;
    bool openFile(); // "Yes", the save dialog with the proposal or the name given
    // Start, once the meter has spoken and, with --daily, a new window has opened.
    void armWhenReady();

    RecordOptions m_o;
    SerialControl& m_comm;
    const Clock& m_clock;
    Lines m_out, m_err;
    SessionCoreState m_s;
    QString m_path;
    bool m_st = false;
    bool m_heard = false;     // a reading has come
    qint64 m_waitToldMs = 0;  // when "waiting for the meter" was said last
    bool m_leftWindow = true; // --daily: outside the window since its collection ended
    std::unique_ptr<RecordingSession> m_core;
    QTimer m_timer1;
    AlarmEngine m_alarms;
    bool m_closing = false;
    bool m_ended = false;
    int m_exitCode = 0;
};
