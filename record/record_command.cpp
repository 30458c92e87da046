#include "record_command.h"

#include <QDir>
#include <QFileInfo>

#include "clock.h"
#include "record_texts.h"
#include "runtime_error.h"
#include "serial_control.h"
#include "texts.h"

namespace {

// A whole number in [low, high], or nothing.
std::optional<int> numberIn(const QString& text, int low, int high)
{
    bool ok = false;
    const int n = text.toInt(&ok);
    if (!ok || n < low || n > high)
        return std::nullopt;
    return n;
}

} // namespace

AlarmSettings RecordOptions::noScreenAlarms()
{
    AlarmSettings a;
    a.notify = false;
    a.sound = false;
    return a;
}

QString recordUsage()
{
    return QStringLiteral(
        "Usage: quorvane-record --port DEVICE (--single | --dual) [--dtr] [--interval SECONDS]\n"
        "                       [--samples N] [--start HH:MM:SS --stop HH:MM:SS [--daily]]\n"
        "                       [--high D=VALUE] [--low D=VALUE] [--hold SECONDS]\n"
        "                       [--silent SECONDS] [--on-event CMD] [--quiet] [FILE]\n"
        "       quorvane-record --help | --version\n");
}

QString recordHelp()
{
    return recordUsage() + QStringLiteral(R"(
Records the meter on DEVICE into the save file FILE (appended to; default TMPmmddy.CSV, today's
name, in the current folder), with no window: the same rows as the desktop program writes.

  --port DEVICE       the meter's serial device, for example /dev/ttyUSB0 (9600,N,8,1); a
                      name without a slash is looked up under /dev
  --single, --dual    the meter has one display or two (one of them is required)
  --dtr               drive the DTR line while the port is open
  --interval SECONDS  seconds between samples, 1 to 3600 (default 1)
  --samples N         end after N samples, 0 to 10000 (default 0: no limit)
  --start HH:MM:SS    record only between these times of day (both or neither; a start
  --stop HH:MM:SS     after the stop is a window across midnight)
  --daily             record every day's window, each into that day's TMPmmddy.CSV (or
                      appended to FILE), and run on between windows
  --quiet             do not print the rows on standard output

Alarms (each event is one line on standard error: TIME KIND [display=D] [value=V] [unit=U]
[limit=L]: TEXT):
  --high D=VALUE      an alarm when display D (1 or 2) reads above VALUE; a unit may follow
                      the number ("1=75%RH", "2=30 Deg C"), else the first reading's unit is
                      the limit's; in another unit the limit is suspended
  --low D=VALUE       the same below VALUE
  --hold SECONDS      beyond the limit this long before the alarm rises, back inside this long
                      before it clears, 0 to 3600 (default 0)
  --silent SECONDS    no reading this long is an event, 5 to 86400 (default 5)
  --on-event CMD      run /bin/sh -c CMD in the background for each event, with QUORVANE_EVENT,
                      QUORVANE_DISPLAY, QUORVANE_VALUE, QUORVANE_UNIT, QUORVANE_LIMIT,
                      QUORVANE_TIME, QUORVANE_FILE and QUORVANE_TEXT set; ended after 60 s; a
                      command that fails is an event itself

The collection starts with the meter's first reading. It ends with its closing rows when the
limit is reached or the time window is left (exit 0; with --daily it waits for the next
window), or on SIGTERM, SIGINT or SIGHUP (exit 0; a second signal ends at once, as killed by
it). Messages go to standard error. Exit 1: the port or the file cannot be opened or written;
exit 2: bad arguments.
)");
}

RecordArguments parseRecordArguments(const QStringList& args)
{
    RecordArguments r;
    RecordOptions& o = r.options;
    bool single = false, dual = false, start = false, stop = false;
    const auto bad = [&r](const QString& error) {
        if (r.error.isEmpty())
            r.error = error;
    };
    for (int i = 0; i < args.size(); ++i) {
        QString name = args[i];
        std::optional<QString> inlineValue;
        if (name.startsWith(QLatin1String("--")) && name.contains(u'=')) {
            inlineValue = name.mid(name.indexOf(u'=') + 1); // a value may hold "=" itself
            name = name.section(u'=', 0, 0);
        }
        const auto value = [&]() -> std::optional<QString> {
            if (inlineValue)
                return inlineValue;
            if (i + 1 < args.size())
                return args[++i];
            bad(QStringLiteral("%1 needs a value").arg(name));
            return std::nullopt;
        };
        const auto flag = [&] {
            if (inlineValue)
                bad(QStringLiteral("%1 takes no value").arg(name));
        };
        if (name == u"--help") {
            r.action = RecordArguments::Action::Help;
            return r;
        } else if (name == u"--version") {
            r.action = RecordArguments::Action::Version;
            return r;
        } else if (name == u"--port") {
            if (const auto v = value())
                o.device = *v;
        } else if (name == u"--single") {
            flag(), single = true;
        } else if (name == u"--dual") {
            flag(), dual = true;
        } else if (name == u"--dtr") {
            flag(), o.dtr = true;
        } else if (name == u"--quiet") {
            flag(), o.quiet = true;
        } else if (name == u"--daily") {
            flag(), o.daily = true;
        } else if (name == u"--interval") {
            if (const auto v = value()) {
                if (const auto n = numberIn(*v, 1, 3600))
                    o.schedule.interval = *n;
                else
                    bad(QStringLiteral("--interval takes 1 to 3600 seconds, not \"%1\"").arg(*v));
            }
        } else if (name == u"--samples") {
            if (const auto v = value()) {
                if (const auto n = numberIn(*v, 0, 10000))
                    o.schedule.limit = *n;
                else
                    bad(QStringLiteral("--samples takes 0 to 10000, not \"%1\"").arg(*v));
            }
        } else if (name == u"--high" || name == u"--low") {
            if (const auto v = value()) {
                const std::optional<LimitArgument> a = parseLimitArgument(*v);
                if (!a) {
                    bad(QStringLiteral("%1 takes D=VALUE, D 1 or 2 and VALUE a number, not "
                                       "\"%2\"")
                            .arg(name, *v));
                } else {
                    DisplayLimits& lim = o.alarms.limits[a->display - 1];
                    (name == u"--high" ? lim.high : lim.low) = a->value;
                    if (!a->unit.isEmpty() && !lim.unit.isEmpty() && a->unit != lim.unit)
                        bad(QStringLiteral("the limits of display %1 are in two units, \"%2\" "
                                           "and \"%3\"")
                                .arg(a->display)
                                .arg(lim.unit, a->unit));
                    if (!a->unit.isEmpty())
                        lim.unit = a->unit;
                }
            }
        } else if (name == u"--hold") {
            if (const auto v = value()) {
                if (const auto n = numberIn(*v, 0, AlarmSettings::MaxHoldSeconds))
                    o.alarms.holdSeconds = *n;
                else
                    bad(QStringLiteral("--hold takes 0 to %1 seconds, not \"%2\"")
                            .arg(AlarmSettings::MaxHoldSeconds)
                            .arg(*v));
            }
        } else if (name == u"--silent") {
            if (const auto v = value()) {
                if (const auto n = numberIn(*v, AlarmSettings::MinSilentSeconds,
                                            AlarmSettings::MaxSilentSeconds))
                    o.alarms.silentSeconds = *n;
                else
                    bad(QStringLiteral("--silent takes %1 to %2 seconds, not \"%3\"")
                            .arg(AlarmSettings::MinSilentSeconds)
                            .arg(AlarmSettings::MaxSilentSeconds)
                            .arg(*v));
            }
        } else if (name == u"--on-event") {
            if (const auto v = value()) {
                if (v->trimmed().isEmpty())
                    bad(QStringLiteral("--on-event needs a command"));
                o.alarms.command = *v;
                o.alarms.runCommand = true;
            }
        } else if (name == u"--start") {
            if (const auto v = value())
                o.schedule.startTime = *v, start = true;
        } else if (name == u"--stop") {
            if (const auto v = value())
                o.schedule.stopTime = *v, stop = true;
        } else if (name.startsWith(u'-') && name.size() > 1) {
            bad(QStringLiteral("unknown option \"%1\"").arg(args[i]));
        } else if (o.file.isEmpty()) {
            o.file = name;
        } else {
            bad(QStringLiteral("one FILE only, not also \"%1\"").arg(name));
        }
    }
    if (o.device.isEmpty())
        bad(QStringLiteral("--port DEVICE is required"));
    if (single == dual)
        bad(single ? QStringLiteral("--single and --dual exclude each other")
                   : QStringLiteral("--single or --dual is required: a dual meter read as "
                                    "single gives believable, false numbers"));
    if (o.daily && !(start && stop))
        bad(QStringLiteral("--daily needs --start and --stop"));
    for (int d = 0; d < 2; ++d) {
        const DisplayLimits& lim = o.alarms.limits[d];
        if (lim.high && lim.low && *lim.high <= *lim.low)
            bad(QStringLiteral("--high %1 must be above --low %1").arg(d + 1));
    }
    if (single && o.alarms.limits[1].any())
        bad(QStringLiteral("--single: a meter with one display has no display 2 to limit"));
    if (r.error.isEmpty() && (start || stop))
        r.timeMessages = checkTimes(o.schedule.startTime, o.schedule.stopTime);
    if (start && o.schedule.startTime == o.schedule.stopTime)
        r.warnings << QStringLiteral("quorvane-record: the window from %1 to %1 is empty: no "
                                     "time lies after its start and before its stop, so nothing "
                                     "will be recorded")
                          .arg(o.schedule.startTime);
    if (!r.error.isEmpty() || !r.timeMessages.isEmpty())
        r.action = RecordArguments::Action::Bad;
    o.single = single;
    return r;
}

// ---- the recorder ----

Recorder::Recorder(RecordOptions options, SerialControl& comm, const Clock& clock, SeqFiles& files,
                   Lines out, Lines err, QObject* parent)
    : QObject(parent), m_o(std::move(options)), m_comm(comm), m_clock(clock), m_out(std::move(out)),
      m_err(std::move(err)), m_alarms(clock)
{
    AlarmSettings alarms = m_o.alarms;
    alarms.notify = alarms.sound = false; // no screen, no one at the bell
    m_alarms.setSettings(alarms);
    m_alarms.setLines(m_err);
    m_alarms.setEventsKept(100); // no one reads the list here: months of events need no memory
    SessionControls& controls = *this;
    SessionView& view = *this;
    m_core = std::make_unique<RecordingSession>(m_s, comm, clock, files, controls, view);
    m_timer1.setSingleShot(true);
    m_timer1.setTimerType(Qt::PreciseTimer); // it must not fire before the second begins
    connect(&m_timer1, &QTimer::timeout, this, &Recorder::Timer1_Timer);
    connect(&m_comm, &SerialControl::OnComm, this, &Recorder::Comm1_OnComm);
    // The serial control's notices are these two; the engine tells them, and the silences.
    connect(&m_comm, &SerialControl::deviceLost, this,
            [this](const QString& text) { m_alarms.deviceLost(portNamed(text)); });
    connect(&m_comm, &SerialControl::deviceBack, this,
            [this](const QString& text) { m_alarms.deviceBack(portNamed(text)); });
}

Recorder::~Recorder()
{
    m_comm.disconnect(this);
}

bool Recorder::start()
{
    m_core->Form_Load();
    try {
        m_core->openPort(1, m_o.dtr);
    } catch (const RuntimeError& e) {
        tell(QStringLiteral("Cannot open the port: ") + e.description());
        return false;
    }
    const bool fileNow = !m_o.daily || m_o.schedule.insideWindow(texts::timeText(m_clock.time()));
    if (fileNow && !openFile())
        return false;
    m_comm.setInBufferCount(0);
    tell(AlarmKind::Start, startLine());
    m_waitToldMs = m_clock.monotonicMs();
    tell(QStringLiteral("Waiting for the meter on %1: the recording starts with its first reading")
             .arg(m_o.device));
    Timer1_Timer();
    return true;
}

bool Recorder::openFile()
{
    m_s.Save_Data = 1;
    m_s.Save_File_Name = m_o.file.isEmpty() ? saveNameProposal(m_clock.date()) : m_o.file;
    m_path = QFileInfo(m_s.Save_File_Name).absoluteFilePath();
    try {
        m_core->openSaveFile(m_s.Save_File_Name);
    } catch (const RuntimeError& e) {
        m_s.Save_Data = 0;
        m_core->releasePort();
        tell(e.description());
        return false;
    }
    m_alarms.setFile(m_path);
    tell(AlarmKind::FileOpened, QStringLiteral("%1 is open").arg(m_path));
    return true;
}

QString Recorder::startLine() const
{
    const Schedule& s = m_o.schedule;
    const QString into =
        !m_path.isEmpty() ? m_path
        : m_o.file.isEmpty()
            ? QStringLiteral("each day's TMPmmddy.CSV in %1").arg(QDir::currentPath())
            : QFileInfo(m_o.file).absoluteFilePath();
    QString line =
        QStringLiteral("recording %1 from %2, every %3 s").arg(into, m_o.device).arg(s.interval);
    line += s.limit > 0 ? QStringLiteral(", %1 samples").arg(s.limit)
                        : QStringLiteral(", no sample limit");
    if (!s.startTime.isEmpty())
        line += QStringLiteral(", from %1 to %2").arg(s.startTime, s.stopTime);
    if (m_o.daily)
        line += QStringLiteral(" every day");
    line += m_o.single ? QStringLiteral(", single display") : QStringLiteral(", dual display");
    return line;
}

void Recorder::Comm1_OnComm()
{
    try {
        if (m_core->takeInput()) {
            // Each reading the session took, to the alarms, display 1 first.
            const auto alarms = [this] {
                const DisplayReading r[] = {{m_s.Disp1_Value, m_s.Disp1_Unit},
                                            {m_s.Disp2_Value, m_s.Disp2_Unit}};
                m_alarms.reading(std::span(r, m_o.single ? 1 : 2));
            };
            if (m_core->Proc_Packet(alarms) && !m_heard) {
                m_heard = true;
                tell(QStringLiteral("The meter is sending readings"));
                armWhenReady();
            }
        }
    } catch (const RuntimeError& e) {
        tell(e.description());
    }
}

void Recorder::armWhenReady()
{
    if (m_st || !m_heard || m_ended)
        return;
    if (m_o.daily) {
        const bool inside = m_o.schedule.insideWindow(texts::timeText(m_clock.time()));
        m_leftWindow = m_leftWindow || !inside;
        if (!inside || !m_leftWindow)
            return;
        if (!m_core->saveFileOpen()) {
            if (!openFile())
                return finish(1);
            tell(AlarmKind::Start, startLine());
        }
    }
    // Start, as pressed when the program began: the clock has kept its reference since then.
    m_st = true;
}

// The window's 100 ms timer makes about ten checks a second, but the clock reads whole seconds:
// only the first check of a second can find a sample due, and the one after a sample takes the
// new reference. Two checks just after each second begins do the same with one wake-up, which
// a recorder left running for months on a small box is glad of.
void Recorder::Timer1_Timer()
{
    if (!m_heard && m_clock.monotonicMs() - m_waitToldMs >= WaitToldMs) {
        m_waitToldMs = m_clock.monotonicMs();
        tell(QStringLiteral("Still waiting for the meter on %1").arg(m_o.device));
    }
    armWhenReady();
    m_core->Time_Check();
    if (m_s.Sample_Armed == 0)
        m_core->Time_Check(); // the next tick's new reference, in the same second
    if (!m_ended)
        m_timer1.start(1000 - m_clock.time().msec() + 2);
}

void Recorder::close()
{
    if (m_closing)
        return;
    m_closing = true;
    m_timer1.stop();
    const bool open = m_core->saveFileOpen();
    m_core->closeAtExit();
    m_comm.disconnect(this);
    m_core->releasePort();
    if (!m_ended) {
        if (open)
            tell(AlarmKind::FileClosed,
                 QStringLiteral("Stopped by a signal; %1 is closed").arg(m_path));
        else
            tell(QStringLiteral("Stopped by a signal; no file was open"));
    }
    m_alarms.setFile(QString());
    finish(0);
}

void Recorder::rowWritten(const QString& row)
{
    if (!m_o.quiet && m_out)
        m_out(row);
}

void Recorder::notice(const QString& text)
{
    Q_UNUSED(text); // "File Closed"
    if (m_closing)
        return;
    // The sampling clock ended the collection: the limit, or the time window left.
    tell(AlarmKind::FileClosed,
         QStringLiteral("The collection has ended; %1 is closed").arg(m_path));
    m_alarms.setFile(QString());
    if (!m_o.daily)
        return finish(0);
    // The next collection waits for the window to be left, should a limit have ended this one.
    m_leftWindow = false;
    m_path.clear();
    tell(QStringLiteral("Waiting for the next window, from %1 to %2")
             .arg(m_o.schedule.startTime, m_o.schedule.stopTime));
}

void Recorder::fileError(const QString& text)
{
    tell(AlarmKind::FileError, text);
    m_alarms.setFile(QString());
    finish(1);
}

void Recorder::fileWarning(const QString& text)
{
    if (m_core->saveFileOpen())
        m_alarms.setFile(m_core->saveFilePath()); // where it goes on now
    tell(AlarmKind::FileRestored, text);
}

void Recorder::tell(AlarmKind kind, const QString& text)
{
    m_alarms.post(kind, portNamed(text));
}

QString Recorder::portNamed(const QString& text) const
{
    // The serial control names its port as the window's "Com Port 1 (path)"; here it is the
    // path. (No regular expression: its compiler wants memory that is writable and executable,
    // which the service unit forbids.)
    QString line = QString(text).replace(u'\n', u' ');
    const QString window = QStringLiteral("Com Port 1 (");
    for (qsizetype at = line.indexOf(window); at >= 0; at = line.indexOf(window, at)) {
        const qsizetype end = line.indexOf(u')', at);
        if (end < 0)
            break;
        line.remove(end, 1).remove(at, window.size());
    }
    return line;
}

void Recorder::finish(int code)
{
    m_exitCode = std::max(m_exitCode, code);
    if (m_ended)
        return;
    m_ended = true;
    m_timer1.stop();
    QTimer::singleShot(0, this, [this] { emit finished(m_exitCode); });
}
