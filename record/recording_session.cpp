#include "recording_session.h"

#include "clock.h"
#include "framing.h"
#include "raw_list_line.h"
#include "record_texts.h"
#include "runtime_error.h"
#include "serial_control.h"
#include "texts.h"
#include "unit_check.h"

RecordingSession::RecordingSession(SessionCoreState& state, SerialControl& comm, const Clock& clock,
                                   SeqFiles& files, SessionControls& controls, SessionView& view)
    : m_s(state), m_comm(comm), m_clock(clock), m_controls(controls), m_view(view), m_file(files)
{
    m_captions.changed = [this](XLabel which, const QString& text) {
        m_view.captionChanged(which, text);
    };
    QObject::connect(&m_file, &SaveFile::syncFailed, &m_file,
                     [this](const QString& description) { saveFileFailed(description); });
    QObject::connect(&m_file, &SaveFile::restored, &m_file, [this](const QString& path) {
        m_view.fileWarning(QStringLiteral("The save file was deleted while it was being recorded.\n"
                                          "Every row written so far is back in\n%1\n"
                                          "and the recording goes on in that file.")
                               .arg(path));
    });
    QObject::connect(&m_file, &SaveFile::lost, &m_file, [this](const QString& description) {
        saveFileFailed(description, QStringLiteral("\nThe recording has stopped."));
    });
}

// A reason from the system ends without a full stop; the sentence after it needs one.
static QString sentence(const QString& text)
{
    return text.endsWith(u'.') ? text : text + u'.';
}

QString RecordingSession::stamp() const
{
    return texts::stampText(m_clock.date(), m_clock.time());
}

void RecordingSession::Form_Load()
{
    m_s.Collecting = false;
    m_s.Disp2_Low = QStringLiteral("99999");
    m_s.Disp2_High = QStringLiteral("-99999");
    m_s.Disp1_Low = QStringLiteral("99999");
    m_s.Disp1_High = QStringLiteral("-99999");
    fillUnitTable(m_s.Unit_Table);
    m_s.Rec_Num = 0;
    m_s.Sample_Armed = 0;
}

// ---- the port ----

void RecordingSession::openPort(int port, bool dtr)
{
    m_comm.setDTREnable(dtr);
    m_comm.setCommPort(port);
    m_comm.setSettings(QStringLiteral("9600,N,8,1"));
    m_comm.setInputLen(16);
    m_comm.setPortOpen(true);
}

void RecordingSession::releasePort()
{
    try {
        m_comm.setPortOpen(false);
    } catch (const RuntimeError&) {
    }
}

bool RecordingSession::takeInput()
{
    m_comm.setInputLen(0);
    if (m_comm.InBufferCount() == 0)
        return false;
    m_s.Sig_Str = m_comm.Input();
    return isWholePacket(m_s.Sig_Str);
}

// ---- one packet ----

bool RecordingSession::Proc_Packet(const std::function<void()>& liveView)
{
    Time_Check();
    // From here on nothing stops the next packet: an error ends this packet's work quietly.
    try {
        Proc_Sig();
        showReading();
        if (liveView)
            liveView();
    } catch (const RuntimeError&) {
        return false; // absorbed: the next packet is processed as usual
    }
    return true;
}

void RecordingSession::Proc_Sig()
{
    struct AfterDecode
    {
        SessionView& view;
        ~AfterDecode() { view.decoded(); }
    } after{m_view};
    const DecoderInputs in{m_controls.singleDisplay(), m_controls.recordingSwitch(), m_s.Save_Data,
                           &m_s.Unit_Table};
    decodePacket(m_s.Sig_Str, m_s, in, {[this] { Reset_Extremes_1(); }, [this] { addListLine(); }});
}

void RecordingSession::showReading()
{
    m_view.captionsNeeded();
    const DigitalCaptions& c = m_captions;
    // Unit check, against the captions as the previous packet left them.
    if (display1UnitCheckRuns(m_s.Sig_Digits2)) {
        const QString& unit1 = c.text(XLabel::Label5);
        if (unit1 != c.text(XLabel::Label15) || unit1 != c.text(XLabel::Label9))
            Reset_Extremes_1();
    }
    const QString& unit2 = c.text(XLabel::Label6);
    if (unit2 != c.text(XLabel::Label16) || unit2 != c.text(XLabel::Label10))
        Reset_Extremes_2();

    m_captions.setCaption(XLabel::Label2, m_s.Disp1_Value);
    m_captions.setCaption(XLabel::Label5, m_s.Disp1_Unit);
    m_captions.setCaption(XLabel::Label3, m_s.Disp2_Value);
    m_captions.setCaption(XLabel::Label6, m_s.Disp2_Unit);
    updateExtremes(m_s, {m_s.Disp1_Value, m_s.Disp1_Unit, m_s.Disp2_Value, m_s.Disp2_Unit},
                   m_captions, [this] { return stamp(); });
}

void RecordingSession::Reset_Extremes_1()
{
    m_view.captionsNeeded();
    resetExtremes1(m_s, m_captions);
    m_view.extremesReset();
}

void RecordingSession::Reset_Extremes_2()
{
    m_view.captionsNeeded();
    resetExtremes2(m_s, m_captions);
    m_view.extremesReset();
}

void RecordingSession::addListLine()
{
    m_view.captionsNeeded();
    const DigitalCaptions& c = m_captions;
    m_view.listLine(rawListLine(m_s.Rec_Count, m_controls.singleDisplay(), c.text(XLabel::Label2),
                                c.text(XLabel::Label5), c.text(XLabel::Label3),
                                c.text(XLabel::Label6), texts::timeText(m_clock.time()),
                                texts::dateText(m_clock.date())));
}

// ---- the sampling clock ----

void RecordingSession::Time_Check()
{
    timeCheck(m_s, m_s.Rec_Count, texts::timeText(m_clock.time()), m_controls.recordingSwitch(),
              {[this] { return m_controls.schedule(); }, [this] { Take_Sample(); },
               [this] { addListLine(); }});
}

void RecordingSession::Take_Sample()
{
    takeSample(m_s, m_s.Rec_Count, m_controls.schedule(), texts::timeText(m_clock.time()),
               {[this] { startCollection(); },
                [this] { Close_Save_File(m_controls.singleDisplay()); },
                [this] { writeRecordRow(); }, [this] { m_view.countChanged(m_s.Rec_Num); }});
}

void RecordingSession::startCollection()
{
    m_view.captionsNeeded();
    startCollectionExtremes(m_s, m_captions, stamp());
    m_view.collectionOpened();
}

void RecordingSession::writeRecordRow()
{
    // A row due with no file open (armed, then "Close Current File") goes nowhere.
    if (m_s.Save_Data != 1 || !m_file.isOpen())
        return;
    m_view.captionsNeeded();
    const DigitalCaptions& c = m_captions;
    const QString row =
        recordRow(m_s.Rec_Num, m_controls.singleDisplay(), c.text(XLabel::Label2),
                  c.text(XLabel::Label5), c.text(XLabel::Label3), c.text(XLabel::Label6),
                  texts::timeText(m_clock.time()), texts::dateText(m_clock.date()));
    try {
        m_file.writeLine(row);
    } catch (const RuntimeError& e) {
        saveFileFailed(e.description());
        return;
    }
    m_view.rowWritten(row);
}

// ---- the save file ----

void RecordingSession::openSaveFile(const QString& path)
{
    m_file.open(path);
}

void RecordingSession::Close_Save_File(bool oneDisplay, bool atExit)
{
    QString failure;
    if (m_file.isOpen()) { // Save_Data is 1 while the dialogs choose the file, too
        m_view.captionsNeeded();
        const auto fields = [this](const QString& value, const UnitRef& unit,
                                   const QString& stamp) {
            return ClosingFields{value, unit.resolve(m_captions), stamp};
        };
        const Extremes& x = m_s;
        try {
            for (const QString& row :
                 {closingRow(QStringLiteral("High"), oneDisplay,
                             fields(x.High1_Value, x.High1_Unit, x.High1_Time),
                             fields(x.High2_Value, x.High2_Unit, x.High2_Time)),
                  closingRow(QStringLiteral("Lo"), oneDisplay,
                             fields(x.Low1_Value, x.Low1_Unit, x.Low1_Time),
                             fields(x.Low2_Value, x.Low2_Unit, x.Low2_Time))}) {
                m_file.writeLine(row);
                m_view.rowWritten(row);
            }
        } catch (const RuntimeError& e) {
            failure = e.description();
        }
    }
    if (!atExit)
        m_s.Save_Data = 0;
    m_controls.setRecordingSwitch(false);
    m_s.Rec_Count = 0;
    m_s.Rec_Num = 0;
    // A collection closed by hand has ended too: a later window must open afresh.
    m_s.Collecting = false;
    m_view.notice(QStringLiteral("File Closed"));
    try {
        m_file.close();
    } catch (const RuntimeError& e) {
        if (failure.isEmpty())
            failure = e.description();
    }
    if (!failure.isEmpty())
        m_view.fileError(sentence(failure) + QStringLiteral("\nThe rows written before are kept."));
}

void RecordingSession::closeAtExit()
{
    if (m_s.Save_Data == 1)
        Close_Save_File(false, true);
}

void RecordingSession::dropSaveFile()
{
    m_s.Collecting = false;
    try {
        m_file.close();
    } catch (const RuntimeError& e) {
        m_view.fileError(e.description());
    }
    m_controls.setRecordingSwitch(false);
    m_s.Rec_Count = 0;
    m_s.Rec_Num = 0;
}

// A write that failed ends the collection; the file keeps every whole row written before.
void RecordingSession::saveFileFailed(const QString& description, const QString& outcome)
{
    m_file.abandon();
    m_s.Collecting = false;
    m_s.Save_Data = 0;
    m_controls.setRecordingSwitch(false);
    m_s.Rec_Count = 0;
    m_s.Rec_Num = 0;
    m_view.fileError(sentence(description) + outcome);
}
