#include "frm_main.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QRadioButton>
#include <QTimer>

#include "alarm_engine.h"
#include "alarm_window.h"
#include "anag_display.h"
#include "artwork.h"
#include "data_collect.h"
#include "data_display.h"
#include "datalog_window.h"
#include "dig_display.h"
#include "fil_disp.h"
#include "file_plot.h"
#include "gauge_model.h"
#include "graph_model.h"
#include "graph_window.h"
#include "live_rules.h"
#include "picture_box.h"
#include "port_dialogs.h"
#include "runtime_error.h"
#include "sample_count.h"
#include "silence_watch.h"
#include "small_windows.h"
#include "texts.h"
#include "twips.h"
#include "window_keys.h"

// All four menus stand in a bar as wide as the picture, none behind an overflow button: the
// items are drawn tighter, and the bar's font shrinks where the platform's is too wide.
static void fitMenuBar(QMenuBar* bar, int width)
{
    bar->setStyleSheet(
        QStringLiteral("QMenuBar::item { padding: 2px 5px; background: transparent; }"
                       "QMenuBar::item:selected, QMenuBar::item:pressed {"
                       " background: palette(highlight); color: palette(highlighted-text); }"));
    auto fits = [bar, width] {
        bar->resize(width, bar->sizeHint().height());
        for (QAction* a : bar->actions()) {
            const QRect r = bar->actionGeometry(a);
            if (r.isEmpty() || !bar->rect().contains(r))
                return false;
        }
        return true;
    };
    QFont f = bar->font();
    while (!fits() && f.pointSizeF() > 6) {
        f.setPointSizeF(f.pointSizeF() - 0.5);
        bar->setFont(f);
    }
}

FrmMain::FrmMain(Platform platform, PortMap ports, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint), m_p(std::move(platform)),
      m_ports(std::move(ports)),
      m_comSelect([this] { return new FrmComSelect(m_ports, nativeParent()); }),
      m_displayType([this] { return new frmDisplay(nativeParent()); }),
      m_msgBox([this] { return new E_MsgBox(nativeParent()); }),
      m_about([this] { return new FrmAbout(nativeParent()); })
{
    setWindowTitle(QStringLiteral("  Quorvane"));
    setWindowIcon(appIcon());

    auto* picture = new PictureBox(&mainPicture, kMainPictureSize, this);
    QPalette white = picture->palette();
    white.setColor(QPalette::Window, Qt::white);
    picture->setPalette(white);
    setCentralWidget(picture);

    Timer1 = new QTimer(this);
    Timer1->setInterval(100);
    connect(Timer1, &QTimer::timeout, this, &FrmMain::Timer1_Timer);
    m_silence = new SilenceWatch(*m_p.clock, this);
    connect(m_silence, &SilenceWatch::silent, this, &FrmMain::showStale);
    connect(m_silence, &SilenceWatch::speaking, this, [this] { showStale(QString()); });

    Comm1 = m_p.comm.get();
    Comm1->setParent(nullptr); // owned by the platform bundle
    SessionControls& controls = *this;
    SessionView& view = *this;
    m_core =
        std::make_unique<RecordingSession>(m_s, *Comm1, *m_p.clock, *m_p.files, controls, view);
    connect(Comm1, &SerialControl::OnComm, this, &FrmMain::Comm1_OnComm);
    connect(Comm1, &SerialControl::notice, this, &FrmMain::showNotice);
    Cmdialog1 = m_p.dialog.get();
    Cmdialog1->setDialogTitle(QStringLiteral("Select File For Saving"));
    Cmdialog1->setFilter(QStringLiteral("CSV|*.CSV"));
    Cmdialog1->setDefaultExt(QStringLiteral("CSV"));

    St = new QCheckBox(QStringLiteral("2"), this);
    St->hide();
    Light_Src = new QLabel(QStringLiteral("Label1"), this);
    Light_Src->hide();

    buildMenus();
    connectRecording();
    connectAlarms();
    // The client area is exactly the picture; the window cannot be resized.
    const QSize pic = kMainPictureSize;
    fitMenuBar(menuBar(), pic.width());
    openMenusWithF10(menuBar());
    setFixedSize(pic.width(), pic.height() + menuBar()->sizeHint().height());
    if (m_p.placement)
        m_p.placement->setMainWindow(this);
}

FrmMain::~FrmMain()
{
    Timer1->stop();
    if (Comm1)
        Comm1->disconnect(this);
}

void FrmMain::buildMenus()
{
    auto item = [this](QMenu* menu, QAction*& action, const char* name, const QString& caption,
                       bool checkable = false) {
        action = menu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        action->setCheckable(checkable);
        // Every item stays in its own menu, "About" included, on every platform.
        action->setMenuRole(QAction::NoRole);
    };
    File_A = menuBar()->addMenu(QStringLiteral("File"));
    File_A->setObjectName(QStringLiteral("File_A"));
    item(File_A, File_Save, "File_Save", QStringLiteral("Create Save File"));
    item(File_A, View_File, "View_File", QStringLiteral("View File"));
    item(File_A, File_Close, "File_Close", QStringLiteral("Close Current File"));
    item(File_A, Download_Datalogger, "Download_Datalogger", QStringLiteral("Download Datalogger"));
    View_Mode = menuBar()->addMenu(QStringLiteral("View Mode"));
    View_Mode->setObjectName(QStringLiteral("View_Mode"));
    item(View_Mode, Analog_On, "Analog_On", QStringLiteral("Display Analog Meter"), true);
    item(View_Mode, Digitial_On, "Digitial_On", QStringLiteral("Display Digital Meter"), true);
    item(View_Mode, Disp_File_Count, "Disp_File_Count", QStringLiteral("Display File Count"));
    item(View_Mode, Data_Display_Raw, "Data_Display_Raw", QStringLiteral("Display Data"));
    item(View_Mode, View_Alarms, "View_Alarms", QStringLiteral("Alarms"));
    Data_Graph = menuBar()->addMenu(QStringLiteral("Data Graph"));
    Data_Graph->setObjectName(QStringLiteral("Data_Graph"));
    item(Data_Graph, Graph_On, "Graph_On", QStringLiteral("Display Graph"), true);
    item(Data_Graph, Plot_File, "Plot_File", QStringLiteral("Plot File"));
    Help = menuBar()->addMenu(QStringLiteral("About"));
    Help->setObjectName(QStringLiteral("Help"));
    item(Help, About_Me, "About_Me", QStringLiteral("About"));

    // Check marks follow the handlers, not the click itself.
    for (QAction* a : {Analog_On, Digitial_On, Graph_On})
        connect(a, &QAction::triggered, a, [a](bool checked) { a->setChecked(!checked); });
    connect(About_Me, &QAction::triggered, this, &FrmMain::About_Me_Click);
    connect(Digitial_On, &QAction::triggered, this, &FrmMain::Digitial_On_Click);
    connect(Graph_On, &QAction::triggered, this, &FrmMain::Graph_On_Click);
    connect(Analog_On, &QAction::triggered, this, &FrmMain::Analog_On_Click);
    connect(Data_Display_Raw, &QAction::triggered, this, &FrmMain::Data_Display_Raw_Click);
    connect(View_File, &QAction::triggered, this, &FrmMain::View_File_Click);
    connect(Download_Datalogger, &QAction::triggered, this, &FrmMain::Download_Datalogger_Click);
    connect(Plot_File, &QAction::triggered, this, &FrmMain::Plot_File_Click);
}

// ---- windows ----

// The small windows belong to the main window and are kept above it. The start dialogs come
// before the main window shows: its native window is made first so that this holds for them too.
QWidget* FrmMain::nativeParent()
{
    create();
    return this;
}

FrmComSelect* FrmMain::comSelect()
{
    const bool fresh = !m_comSelect.loaded();
    FrmComSelect* w = m_comSelect.get();
    if (fresh)
        connect(w, &FrmComSelect::proceed, this, [this] { displayType()->show(); });
    return w;
}

frmDisplay* FrmMain::displayType()
{
    const bool fresh = !m_displayType.loaded();
    frmDisplay* w = m_displayType.get();
    if (fresh)
        connect(w, &frmDisplay::proceed, this, &FrmMain::ComSelect);
    return w;
}

FrmDigDisplay* FrmMain::digDisplay()
{
    const bool fresh = !m_digDisplay.loaded();
    FrmDigDisplay* w = m_digDisplay.get();
    if (fresh) {
        connect(w, &FrmDigDisplay::unloaded, this, [this] { Digitial_On->setChecked(false); });
        // A window made anew starts from its own captions, and so do the rows written from them.
        m_core->captions().load();
        w->showCaptions(m_core->captions());
        w->showStale(m_staleSince);
        for (int display : {1, 2})
            w->showAlarm(display, m_alarms->beyond(display));
    }
    return w;
}

FrmDataDisplay* FrmMain::dataDisplay()
{
    return m_dataDisplay.get();
}

FrmAnagDisplay* FrmMain::anagDisplay()
{
    const bool fresh = !m_anagDisplay.loaded();
    FrmAnagDisplay* w = m_anagDisplay.get();
    if (fresh) {
        connect(w, &FrmAnagDisplay::unloaded, this, [this] { Analog_On->setChecked(false); });
        w->showStale(m_staleSince);
    }
    return w;
}

E_MsgBox* FrmMain::msgBox()
{
    return m_msgBox.get();
}

FrmAbout* FrmMain::about()
{
    return m_about.get();
}

bool FrmMain::singleDisplay() const
{
    // The display-type dialog is never unloaded; before it exists the default holds.
    const frmDisplay* d = m_displayType.peek();
    return d ? d->DisplayOne->isChecked() : true;
}

// ---- start-up and closing ----

void FrmMain::startUp()
{
    // The main window first: the port dialog, shown after it, is then the window that the
    // window manager gives the keyboard to, and asks for it as well.
    show();
    Form_Load();
}

void FrmMain::Form_Load()
{
    m_core->Form_Load();
    comSelect()->show();
    GraphModel* g = graph()->Graph1;
    g->setThisPoint(99);
    g->setThisSet(1);
    g->setColorData(9);
    g->setThisSet(2);
    g->setColorData(12);
    m_s.Graph_Point = 99;
}

void FrmMain::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    Timer1->stop();
    m_core->closeAtExit();
    if (m_graph.visible())
        m_graph.peek()->close(); // its own closing runs
    // Ending at once: the serial port is released before any other window goes.
    Comm1->disconnect(this);
    m_core->releasePort();
    m_p.files->closeAll();
}

void FrmMain::closeEvent(QCloseEvent* event)
{
    if (downloadRunning()) {
        event->ignore();
        return;
    }
    Form_Unload();
    event->accept();
    // Every other window goes with the main one, without its own closing handler.
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w != this)
            w->hide();
    // A command for the last events (the file closed) gets a few seconds to finish its work.
    m_alarms->finish(5000);
    QApplication::quit();
}

void FrmMain::showNotice(const QString& text)
{
    E_MsgBox* box = msgBox();
    box->Msg->setText(text);
    box->show();
}

void FrmMain::Show_About()
{
    FrmAbout* w = about();
    w->show();
    w->raise();
}

void FrmMain::About_Me_Click()
{
    Show_About();
}

// ---- port selection and intake ----

void FrmMain::ComSelect()
{
    show();
    const int port = comSelect()->portNumber();
    try {
        m_core->openPort(port, comSelect()->Enable_DTR->checkState() != Qt::Unchecked);
        m_s.Save_Data = m_p.boxes->msgBox(QStringLiteral("Do You Want To Save The Data"),
                                          int(Mb::YesNo) | int(Mb::Question)) -
                        5;
        if (m_s.Save_Data == 1) {
            Open_Save_File();
        } else {
            m_s.Save_Data = 0;
        }
        if (m_s.Save_Data != 1)
            Timer1->start();
        Comm1->setInBufferCount(0);
        m_alarms->expectReadings();
        m_comSelect.unload();
    } catch (const RuntimeError& e) {
        m_p.boxes->msgBox(e.description(), Mb::OkOnly);
    }
}

void FrmMain::Comm1_OnComm()
{
    try {
        if (m_core->takeInput()) {
            m_silence->noteReading();
            Proc_Packet();
        }
    } catch (const RuntimeError& e) {
        // The event has no caller to hand an error to; the link reports its own losses.
        showNotice(e.description());
    }
}

// ---- a silent meter ----

void FrmMain::showStale(const QString& since)
{
    m_staleSince = since;
    if (m_digDisplay.loaded())
        m_digDisplay.peek()->showStale(since);
    if (m_anagDisplay.loaded())
        m_anagDisplay.peek()->showStale(since);
}

void FrmMain::Timer1_Timer()
{
    Time_Check();
}

// ---- per-packet pipeline ----

void FrmMain::Proc_Packet()
{
    m_core->Proc_Packet([this] {
        showLiveReading();
        alarmReading();
    });
}

void FrmMain::showLiveReading()
{
    FrmDigDisplay* d = digDisplay();
    const DigitalCaptions& c = m_core->captions();
    // A hidden gauge window gets nothing, not even its texts.
    FrmAnagDisplay* a = anagDisplay();
    if (a->isVisible()) {
        updateGauge(*a->Gauge1, m_s.Gauge1_Offset, texts::leadingNumber(c.text(XLabel::Label2)),
                    a->Label25, a->Label26);
        a->Label19->setText(c.text(XLabel::Label2));
        a->Label20->setText(c.text(XLabel::Label5));
        updateGauge(*a->Gauge2, m_s.Gauge2_Offset, texts::leadingNumber(c.text(XLabel::Label3)),
                    a->Label23, a->Label24);
        a->Label21->setText(c.text(XLabel::Label3));
        a->Label22->setText(c.text(XLabel::Label6));
    }

    FrmGraph* g = graph();
    GraphModel* plot = g->Graph1;
    const double x1 = texts::leadingNumber(c.text(XLabel::Label2));
    const double x2 = texts::leadingNumber(c.text(XLabel::Label3));
    for (const double x : {x1, x2})
        if (const auto bound = raisedGraphBound(plot->yAxisMax(), x))
            plot->setYAxisMax(*bound);
    plot->setThisSet(1);
    plot->setGraphData(x1);
    plot->setThisSet(2);
    plot->setGraphData(x2);
    m_s.Graph_Point += 1;
    if (m_s.Graph_Point == 101) {
        m_s.Graph_Point = 99;
        Scroll_Graph();
    }
    plot->setThisPoint(m_s.Graph_Point);
    plot->setDrawMode(3);
    plot->setThisSet(2);
    g->Label1->setText(m_s.Disp1_Unit);
    plot->setThisSet(1);
    g->Label2->setText(m_s.Disp2_Unit);

    // Sizes for one or two displays, every packet: a height set by hand lasts until the next.
    const bool one = singleDisplay();
    setOuterHeightTwips(a, one ? 2100 : 4020);
    d->Frame3->setVisible(!one);
    d->Label6->setVisible(!one);
    d->Label3->setVisible(!one);
    d->setFrame3Top(one ? 960 : 2760);
    setOuterHeightTwips(d, one ? 2370 : 4170);
    d->Frame1->setVisible(one);
}

void FrmMain::Proc_Sig()
{
    m_core->Proc_Sig();
}

// ---- live view ----

void FrmMain::Reset_Extremes_1()
{
    m_core->Reset_Extremes_1();
}

void FrmMain::Reset_Extremes_2()
{
    m_core->Reset_Extremes_2();
}

void FrmMain::Reset_Graph()
{
    m_s.Graph_Point = 99;
    GraphModel* plot = graph()->Graph1;
    plot->dataReset();
    plot->setThisPoint(99);
}

void FrmMain::Scroll_Graph()
{
    GraphModel* plot = graph()->Graph1;
    for (int i = 2; i <= GraphModel::Points; ++i) {
        for (int set = 1; set <= GraphModel::Sets; ++set) {
            plot->setThisSet(set);
            plot->setThisPoint(i);
            const float v = plot->graphData();
            plot->setThisPoint(i - 1);
            plot->setGraphData(v);
        }
    }
}

void FrmMain::Digitial_On_Click()
{
    if (!Digitial_On->isChecked()) {
        Digitial_On->setChecked(true);
        digDisplay()->show();
    } else {
        Digitial_On->setChecked(false);
        digDisplay()->hide();
    }
}

void FrmMain::Data_Display_Raw_Click()
{
    dataDisplay()->show();
}
