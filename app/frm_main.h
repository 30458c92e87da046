#pragma once

#include <QMainWindow>

#include "platform.h"
#include "port_map.h"
#include "session_state.h"
#include "window_slot.h"

class QAction;
class QCheckBox;
class QLabel;
class QTimer;
class QMenu;
class FrmComSelect;
class frmDisplay;
class FrmDigDisplay;
class FrmDataDisplay;
class FrmGraph;
class FrmAnagDisplay;
class E_MsgBox;
class FrmAbout;
class FrmDataCollect;
class FrmSampleCount;
class FrmAlarms;
class AlarmEngine;
class EventNotifier;
struct AlarmEvent;
enum class AlarmKind;

// "  Quorvane": owns the session state, the hidden controls and every window.
class FrmMain : public QMainWindow, private SessionControls, private SessionView
{
    Q_OBJECT
  public:
    explicit FrmMain(Platform platform, PortMap ports = PortMap(), QWidget* parent = nullptr);
    ~FrmMain() override;

    // Shows the window and runs Form_Load: how the program starts.
    void startUp();
    void Form_Load();
    void Form_Unload();

    // Public procedures other windows call.
    void ComSelect();
    void Proc_Sig();
    void Time_Check();

    // Handlers.
    void Comm1_OnComm();
    void Timer1_Timer();
    void About_Me_Click();
    void Digitial_On_Click();
    void Data_Display_Raw_Click();

    // Procedures of the main window.
    void Proc_Packet();
    void Show_About();
    void Reset_Extremes_1();
    void Reset_Extremes_2();
    void Reset_Graph();
    void Scroll_Graph();
    void showNotice(const QString& text);

    bool singleDisplay() const override;
    RecordingSession& core() { return *m_core; }

    // ---- graph and analog gauges (frm_main_graph.cpp) ----
    void Graph_On_Click();
    void Analog_On_Click();
    void printGraph(); // the graph's drawing mode 5: one page on the printer chosen

    SessionState& session() { return m_s; }
    const Platform& platform() const { return m_p; }

    // Windows, each created on first use.
    FrmComSelect* comSelect();
    frmDisplay* displayType();
    FrmDigDisplay* digDisplay();
    FrmDataDisplay* dataDisplay();
    FrmGraph* graph();
    FrmAnagDisplay* anagDisplay();
    E_MsgBox* msgBox();
    FrmAbout* about();
    bool comSelectLoaded() const { return m_comSelect.loaded(); }
    bool aboutLoaded() const { return m_about.loaded(); }
    bool dataDisplayLoaded() const { return m_dataDisplay.loaded(); }
    bool digDisplayLoaded() const { return m_digDisplay.loaded(); }

    // Hidden controls.
    QTimer* Timer1;
    SerialControl* Comm1;
    CommonDialog* Cmdialog1;
    QCheckBox* St;
    QLabel* Light_Src;

    // Menu bar.
    QMenu *File_A, *View_Mode, *Data_Graph, *Help;
    QAction *File_Save, *View_File, *File_Close, *Download_Datalogger;
    QAction *Analog_On, *Digitial_On, *Disp_File_Count, *Data_Display_Raw, *View_Alarms;
    QAction* Graph_On;
    QAction* About_Me;
    QAction* Plot_File; // "Data Graph" > "Plot File"

    // ---- Datalogger download and file viewer (frm_main_logger.cpp, frm_main_viewer.cpp) ----
  public:
    void Download_Datalogger_Click();
    void View_File_Click();
    // The download into the file that `chooseName` leaves in Save_File_Name.
    void downloadDatalogger(const std::function<void()>& chooseName);
    class FrmDatalogDownload* datalogDownload();
    class FrmFilDisp* filDisp();
    bool datalogDownloadLoaded() const { return m_datalogDownload.loaded(); }
    bool filDispLoaded() const { return m_filDisp.loaded(); }
    bool closingAfterDownload() const { return m_closeAfterDownload; }

private:
    bool downloadRunning(); // true: the close waits for the download's end, which it asks for
    bool m_downloading = false;
    bool m_closeAfterDownload = false;
    WindowSlot<class FrmDatalogDownload> m_datalogDownload;
    WindowSlot<class FrmFilDisp> m_filDisp;
    // ---- end of datalogger download and file viewer ----

    // ---- Alarms (frm_main_alarms.cpp) ----
  public:
    void View_Alarms_Click();
    FrmAlarms* alarms();
    bool alarmsLoaded() const { return m_alarmsWindow.loaded(); }
    AlarmEngine& alarmEngine() { return *m_alarms; }
    // What reaches the desktop outside the windows: main.cpp hands in the notification service
    // and the system bell; without them there are no notifications and the bell is Qt's.
    void setAlarmOutlets(std::shared_ptr<EventNotifier> notifier, std::function<void()> bell);
    QTimer* bellTimer() const { return m_bell; } // rings again every 10 s while an alarm stands

  private:
    void connectAlarms();
    void alarmReading();
    void showAlarmColours();
    void alarmPosted(const AlarmEvent& event);
    void ringAgain();
    void fileEvent(AlarmKind kind, const QString& text); // names the file the session holds
    std::unique_ptr<AlarmEngine> m_alarms;
    QTimer* m_bell = nullptr;
    std::function<void()> m_ring;
    FrmAlarms* makeAlarms();
    WindowSlot<FrmAlarms> m_alarmsWindow{[this] { return makeAlarms(); }};
    // ---- end of alarms ----

    // ---- plot of a file (frm_main_plot.cpp) ----
  public:
    void Plot_File_Click();
    void plotFile(const QString& path);
    class FrmFilePlot* filePlot();
    bool filePlotLoaded() const { return m_filePlot.loaded(); }

  private:
    class FrmFilePlot* makeFilePlot();
    WindowSlot<class FrmFilePlot> m_filePlot{[this] { return makeFilePlot(); }};
    // ---- end of plot of a file ----

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildMenus();
    QWidget* nativeParent();
    void hideGraph(FrmGraph* g);
    void showLiveReading(); // the per-packet work of the live windows

    // A silent meter's live values are shown faded until the next packet.
    void showStale(const QString& since);
    class SilenceWatch* m_silence = nullptr;
    QString m_staleSince; // the faded values' tool tip; empty while readings come

    // What the recording session reads and has shown (frm_main_record.cpp).
    bool recordingSwitch() const override;
    void setRecordingSwitch(bool on) override;
    Schedule schedule() override;
    void captionsNeeded() override;
    void captionChanged(XLabel which, const QString& text) override;
    void decoded() override;
    void listLine(const QString& line) override;
    void extremesReset() override;
    void collectionOpened() override;
    void countChanged(long long recNum) override;
    void notice(const QString& text) override;
    void fileError(const QString& text) override;
    void fileWarning(const QString& text) override;

    Platform m_p;
    PortMap m_ports;
    SessionState m_s;
    std::unique_ptr<RecordingSession> m_core;
    bool m_unloaded = false;

    WindowSlot<FrmComSelect> m_comSelect;
    WindowSlot<frmDisplay> m_displayType;
    WindowSlot<FrmDigDisplay> m_digDisplay;
    WindowSlot<FrmDataDisplay> m_dataDisplay;
    WindowSlot<FrmGraph> m_graph;
    WindowSlot<FrmAnagDisplay> m_anagDisplay;
    WindowSlot<E_MsgBox> m_msgBox;
    WindowSlot<FrmAbout> m_about;

    // ---- Recording: save file, collection window, sampling clock (frm_main_record.cpp) ----
  public:
    void FILE_SAVE_NAME(); // proposes a name, asks for one, leaves it in Save_File_Name
    void File_Save_Click();
    void File_Close_Click();
    void Disp_File_Count_Click();
    FrmDataCollect* dataCollect();
    FrmSampleCount* sampleCount();
    bool dataCollectLoaded() const { return m_dataCollect.loaded(); }
    bool sampleCountLoaded() const { return m_sampleCount.loaded(); }

  private:
    void connectRecording();
    void Open_Save_File();
    void Take_Sample();
    void Close_Save_File(bool oneDisplay, bool atExit = false);
    void tellFileError(const QString& text, int icon = Mb::Critical);
    FrmDataCollect* makeDataCollect();
    FrmSampleCount* makeSampleCount();

    WindowSlot<FrmDataCollect> m_dataCollect{[this] { return makeDataCollect(); }};
    WindowSlot<FrmSampleCount> m_sampleCount{[this] { return makeSampleCount(); }};
};
