#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <map>

#include "anag_display.h"
#include "data_collect.h"
#include "data_display.h"
#include "dig_display.h"
#include "fil_disp.h"
#include "file_plot.h"
#include "graph_model.h"
#include "graph_window.h"
#include "port_dialogs.h"
#include "sample_count.h"
#include "small_windows.h"
#include "alarm_window.h"
#include "test_main_window.h"

namespace {

// A packet the meter could send: code 2, signs "+ +", no display 2 unit, unit code 01,
// one decimal place each, digits 0123 and 0456.
const QByteArray kPacket("\x02"
                         "00011"
                         "1"
                         "0123"
                         "0456"
                         "0");

template <class W> int visibleTopLevels()
{
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<W*>(w) && w->isVisible())
            ++n;
    return n;
}

template <class W> int loadedTopLevels()
{
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<W*>(w))
            ++n;
    return n;
}

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QRadioButton* option(FrmComSelect* cs, int port)
{
    QRadioButton* opts[] = {cs->Option1, cs->Option2, cs->Option3, cs->Option4};
    return opts[port - 1];
}

} // namespace

class TestApp : public QObject
{
    Q_OBJECT

  private slots:
    void cleanup()
    {
        flushDeletes();
        QCOMPARE(loadedTopLevels<QWidget>(), 0); // every window goes with its main window
    }

    // ---- start-up ----

    void startupValues()
    {
        MainWithFakes m;
        m->session().Rec_Num = 5;
        m->session().Graph_Point = 3;
        m->session().Sample_Armed = 1;
        m->session().Collecting = true;
        m->Form_Load();
        const SessionState& s = m->session();
        QCOMPARE(s.Collecting, false);
        QCOMPARE(s.Disp1_High, QStringLiteral("-99999"));
        QCOMPARE(s.Disp2_High, QStringLiteral("-99999"));
        QCOMPARE(s.Disp1_Low, QStringLiteral("99999"));
        QCOMPARE(s.Disp2_Low, QStringLiteral("99999"));
        QCOMPARE(s.Rec_Num, 0);
        QCOMPARE(s.Graph_Point, 99);
        QCOMPARE(s.Sample_Armed, 0);
        QVERIFY(s.Sig_Str.isEmpty());
        QVERIFY(s.Disp1_Value.isEmpty());
        QVERIFY(s.Disp1_Unit.isEmpty());

        GraphModel* g = m->graph()->Graph1;
        QCOMPARE(g->thisPoint(), 99);
        QCOMPARE(g->thisSet(), 2);
        QCOMPARE(g->colorData(1), 9);
        QCOMPARE(g->colorData(2), 12);
        QVERIFY(!m->graph()->isVisible());

        QVERIFY(m->comSelectLoaded());
        QVERIFY(m->comSelect()->isVisible());
        // Nothing is opened or started before the user has chosen.
        QVERIFY(!m->Timer1->isActive());
        QVERIFY(!m.comm->PortOpen());
        QVERIFY(m.comm->log.isEmpty());
        QVERIFY(m.boxes->shown.isEmpty());
        QVERIFY(!m->St->isChecked());
    }

    void unitTable_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        const std::map<int, QString> filled{
            {1, "Deg C"},      {2, "Deg F"},       {3, "%"},        {4, "%RH"},
            {5, "%PH"},        {6, "%O2"},         {7, "mG/liter"}, {8, "Meters/sec"},
            {9, "Knots"},      {10, "Km/Hr"},      {11, "Ft/min"},  {12, "MPH"},
            {13, "uS"},        {14, "mS"},         {17, "dB"},      {18, "mV"},
            {19, "ppm"},       {22, "Bar"},        {23, "PSI"},     {24, "MM/hg"},
            {25, "In/H2O"},    {26, "Atmosphere"}, {77, "Kg/cm^2"}, {78, "mm/Hg"},
            {79, "meter/H2O"}, {80, "inch/Hg"},    {84, "CMM"},     {85, "CFM"},
            {86, "mbar"}};
        QList<int> empty{0, 15, 16, 20, 21};
        for (int c = 27; c <= 76; ++c)
            empty << c;
        for (int c = 81; c <= 83; ++c)
            empty << c;
        for (int c = 87; c <= 100; ++c)
            empty << c;
        QCOMPARE(int(filled.size()) + empty.size(), 101);
        for (const auto& [code, text] : filled)
            QTest::addRow("code %d", code) << code << text;
        for (int code : empty)
            QTest::addRow("code %d empty", code) << code << QString();
    }
    void unitTable()
    {
        QFETCH(int, code);
        QFETCH(QString, text);
        MainWithFakes m;
        m->Form_Load();
        const QString got = m->session().Unit_Table.at(code);
        QCOMPARE(got, text);
        QCOMPARE(got.isNull(), text.isNull());
    }

    // ---- port selection ----

    void dialogsBeforeOpening()
    {
        MainWithFakes m;
        m->Form_Load();
        FrmComSelect* cs = m->comSelect();
        QCOMPARE(cs->windowTitle(), QStringLiteral("  Com Select"));
        QCOMPARE(cs->Label17->text(), QStringLiteral("Please Select Your Communications Port"));
        for (int p = 1; p <= 4; ++p) {
            QCOMPARE(option(cs, p)->text(), QStringLiteral("Com Port %1").arg(p));
            QVERIFY(!option(cs, p)->isChecked());
        }
        QCOMPARE(cs->Enable_DTR->text(), QStringLiteral("SLM Enabled"));
        QCOMPARE(cs->Enable_DTR->checkState(), Qt::Unchecked);
        QCOMPARE(cs->Command2->text(), QStringLiteral("OK"));
        QCOMPARE(cs->portNumber(), 0);
        // Its own window, kept above the main window that appears after it.
        QVERIFY(cs->isWindow());
        QCOMPARE(cs->parentWidget(), static_cast<QWidget*>(m.w.get()));

        cs->Command2_Click();
        QVERIFY(m->comSelectLoaded());
        QVERIFY(!cs->isVisible());
        frmDisplay* d = m->displayType();
        QVERIFY(d->isVisible());
        QCOMPARE(d->windowTitle(), QStringLiteral("  Display Type"));
        QCOMPARE(d->Label17->text(), QStringLiteral("Does your meter have 1 or 2 Displays ?"));
        QCOMPARE(d->DisplayOne->text(), QStringLiteral("Single Display"));
        QCOMPARE(d->DisplayTwo->text(), QStringLiteral("Dual Display"));
        QVERIFY(d->DisplayOne->isChecked());
        QVERIFY(!d->DisplayTwo->isChecked());
        QVERIFY(m->singleDisplay());
        QVERIFY(d->isWindow());
        QCOMPARE(d->parentWidget(), static_cast<QWidget*>(m.w.get()));
        // Choosing does not touch the port: only the display dialog's OK does.
        QVERIFY(m.comm->log.isEmpty());
    }

    void optionOneFirstInTabOrder()
    {
        MainWithFakes m;
        m->Form_Load();
        FrmComSelect* cs = m->comSelect();
        cs->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(cs));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(cs->Option1));
    }

    void comSelectOpensThePort_data()
    {
        QTest::addColumn<int>("port");
        QTest::addColumn<bool>("dtr");
        QTest::addColumn<bool>("single");
        for (int p = 1; p <= 4; ++p)
            for (bool dtr : {false, true})
                QTest::addRow("port %d dtr %d", p, int(dtr)) << p << dtr << (p % 2 == 1);
    }
    void comSelectOpensThePort()
    {
        QFETCH(int, port);
        QFETCH(bool, dtr);
        QFETCH(bool, single);
        MainWithFakes m;
        m->Form_Load();
        FrmComSelect* cs = m->comSelect();
        option(cs, port)->setChecked(true);
        cs->Enable_DTR->setChecked(dtr);
        cs->Command2_Click();
        frmDisplay* d = m->displayType();
        (single ? d->DisplayOne : d->DisplayTwo)->setChecked(true);
        m.comm->push("left over from the meter");
        m.boxes->answers.push_back(Mb::No);
        d->Command2_Click();

        const QStringList expected{QStringLiteral("DTREnable=%1").arg(dtr),
                                   QStringLiteral("CommPort=%1").arg(port),
                                   QStringLiteral("Settings=9600,N,8,1"),
                                   QStringLiteral("PortOpen=1"), QStringLiteral("InBufferCount=0")};
        QCOMPARE(m.comm->log, expected);
        QVERIFY(m.comm->PortOpen());
        QCOMPARE(m.comm->InputLen(), 16);
        QCOMPARE(m.comm->waiting(), 0);
        QCOMPARE(m.boxes->shown, QStringList{QStringLiteral("Do You Want To Save The Data")});
        QCOMPARE(m.boxes->shownFlags, QList<int>{int(Mb::YesNo) | int(Mb::Question)});
        QVERIFY(!d->isVisible());
        QVERIFY(!m->comSelectLoaded());
        QVERIFY(m->isVisible());
        QCOMPARE(m->singleDisplay(), single);
    }

    void partlyCheckedDtrDrivesTheLine()
    {
        MainWithFakes m;
        m->Form_Load();
        FrmComSelect* cs = m->comSelect();
        cs->Enable_DTR->setTristate(true);
        cs->Enable_DTR->setCheckState(Qt::PartiallyChecked);
        cs->Option2->setChecked(true);
        m->ComSelect();
        QCOMPARE(m.comm->log.value(0), QStringLiteral("DTREnable=1"));
    }

    void answerNoStartsTheTimer()
    {
        MainWithFakes m;
        m.startLinked(1, false, Mb::No);
        QCOMPARE(m->session().Save_Data, 0);
        QVERIFY(m->Timer1->isActive());
        QCOMPARE(m->Timer1->interval(), 100);
    }

    void answerYesLeavesTheTimer()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString keep = QDir::currentPath();
        QDir::setCurrent(dir.path());
        {
            MainWithFakes m;
            m.dialog->choices.push_back(dir.filePath(QStringLiteral("SAVE.CSV")));
            m.startLinked(2, false, Mb::Yes);
            QCOMPARE(m.boxes->shown.value(0), QStringLiteral("Do You Want To Save The Data"));
            QCOMPARE(m->session().Save_Data, 1);
            QVERIFY(!m->Timer1->isActive());
            QCOMPARE(m.comm->log.last(), QStringLiteral("InBufferCount=0"));
            QVERIFY(!m->comSelectLoaded());
        }
        QDir::setCurrent(keep);
    }

    void failedOpening_data()
    {
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("failOpen");
        QTest::addColumn<QString>("message");
        QTest::newRow("no port chosen")
            << 0 << QString() << QStringLiteral("Invalid port number 0");
        QTest::newRow("port cannot open")
            << 3 << QStringLiteral("Port COM3 is in use by another program")
            << QStringLiteral("Port COM3 is in use by another program");
    }
    void failedOpening()
    {
        QFETCH(int, port);
        QFETCH(QString, failOpen);
        QFETCH(QString, message);
        MainWithFakes m;
        m.comm->failOpen = failOpen;
        m->session().Save_Data = 7;
        m.startLinked(port, false, Mb::Yes);
        QCOMPARE(m.boxes->shown, QStringList{message});
        QCOMPARE(m.boxes->shownFlags, QList<int>{int(Mb::OkOnly)});
        QCOMPARE(m->session().Save_Data, 7);
        QVERIFY(!m->Timer1->isActive());
        QVERIFY(!m.comm->PortOpen());
        QVERIFY(!m.comm->log.contains(QStringLiteral("InBufferCount=0")));
        QVERIFY(m->comSelectLoaded());
        QVERIFY(!m->comSelect()->isVisible());
        QVERIFY(m->isVisible());
        QVERIFY(m.dialog->shown.isEmpty());
    }

    // ---- keys on the port dialog's OK button ----

    void portKeys_data()
    {
        QTest::addColumn<char>("key");
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("after");
        for (int p = 1; p <= 4; ++p) {
            QTest::addRow("'%d' with none", p) << char('0' + p) << 0 << p;
            QTest::addRow("'%d' over 4", p) << char('0' + p) << 4 << p;
        }
        QTest::newRow("'0'") << '0' << 0 << 0;
        QTest::newRow("'5'") << '5' << 2 << 2;
        QTest::newRow("'9'") << '9' << 0 << 0;
        QTest::newRow("'a'") << 'a' << 3 << 3;
        QTest::newRow("'!'") << '!' << 1 << 1;
    }
    void portKeys()
    {
        QFETCH(char, key);
        QFETCH(int, before);
        QFETCH(int, after);
        MainWithFakes m;
        m->Form_Load();
        FrmComSelect* cs = m->comSelect();
        if (before)
            option(cs, before)->setChecked(true);
        cs->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(cs));
        cs->Command2->setFocus();
        QTest::keyClick(cs->Command2, key);
        QCOMPARE(cs->portNumber(), after);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(cs->Command2));
        QVERIFY(cs->isVisible()); // a digit does not press OK
    }

    void portKeyThenOkOpensThatPort()
    {
        MainWithFakes m;
        m->Form_Load();
        FrmComSelect* cs = m->comSelect();
        cs->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(cs));
        cs->Command2->setFocus();
        QTest::keyClick(cs->Command2, '3');
        // The key is passed on: the button still takes Space as a press.
        QTest::keyClick(cs->Command2, Qt::Key_Space);
        QVERIFY(!cs->isVisible());
        frmDisplay* d = m->displayType();
        QVERIFY(d->isVisible());
        QTest::mouseClick(d->Command2, Qt::LeftButton);
        QVERIFY(m.comm->log.contains(QStringLiteral("CommPort=3")));
        QVERIFY(m.comm->PortOpen());
    }

    void portToolTipsNameTheDevices()
    {
        PortMap ports;
        ports.setDevice(2, QStringLiteral("/dev/ttyUSB7"));
        MainWithFakes m(ports);
        m->Form_Load();
        FrmComSelect* cs = m->comSelect();
        for (int p = 1; p <= 4; ++p) {
            QVERIFY(!option(cs, p)->toolTip().isEmpty());
            QCOMPARE(option(cs, p)->toolTip(), ports.device(p));
        }
        QCOMPARE(cs->Option2->toolTip(), QStringLiteral("/dev/ttyUSB7"));
    }

    // ---- the start from the keyboard ----

    // As the program starts the port dialog, not the main window, has the keys; Enter presses
    // OK from a radio button in both dialogs; the collection window that follows has the keys.
    void keyboardAloneThroughStartUp()
    {
        QTemporaryDir dir;
        MainWithFakes m;
        m.boxes->answers = {Mb::Yes, Mb::Ok};
        m.dialog->choices.push_back(dir.filePath(QStringLiteral("KEYS.CSV")));
        m->startUp();
        FrmComSelect* cs = m->comSelect();
        QVERIFY(m->isVisible() && cs->Command2->isDefault());
        QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeWindow(), static_cast<QWidget*>(cs), 20000);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(cs->Option1));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space); // "Com Port 1"
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        frmDisplay* d = m->displayType();
        QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeWindow(), static_cast<QWidget*>(d), 20000);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter);
        QVERIFY(m.comm->PortOpen() && m.comm->log.contains(QStringLiteral("CommPort=1")));
        QWidget* collect = m->dataCollect();
        QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeWindow(), collect, 20000);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(m->dataCollect()->HScroll1));
    }

    // F10 opens the first menu of a window with a menu bar; the menus have no access keys.
    void f10OpensTheFirstMenu()
    {
        MainWithFakes m;
        m->show();
        for (QWidget* window :
             {static_cast<QWidget*>(m.w.get()), static_cast<QWidget*>(m->graph())}) {
            window->show();
            window->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(window));
            QTest::keyClick(window, Qt::Key_F10);
            QMenu* first = window == m.w.get() ? m->File_A : m->graph()->Graph;
            QTRY_VERIFY_WITH_TIMEOUT(first->isVisible(), 20000);
            first->hide();
        }
    }

    // ---- serial intake ----

    void framing_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("16 starting with code 2") << kPacket << true;
        QTest::newRow("16 with a byte above 127") << kPacket.left(15) + "\xb0" << true;
        QTest::newRow("15") << kPacket.left(15) << false;
        QTest::newRow("17") << kPacket + "0" << false;
        QTest::newRow("32: two packets") << kPacket + kPacket << false;
        QTest::newRow("packet and a half") << kPacket + kPacket.left(8) << false;
        QTest::newRow("16 starting with a digit, code 2 inside") << "0" + kPacket.left(15) << false;
        QTest::newRow("16 starting with a blank") << " " + kPacket.mid(1) << false;
        QTest::newRow("16 starting with code 3") << "\x03" + kPacket.mid(1) << false;
        QTest::newRow("1: code 2 alone") << QByteArray("\x02") << false;
    }
    void framing()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, accepted);
        MainWithFakes m;
        m.startLinked(1, false, Mb::No);
        const long long before = m->session().Rec_Count;
        m.comm->setInputLen(16);
        m.comm->fire(bytes);
        QCOMPARE(m.comm->InputLen(), 0);
        QCOMPARE(m.comm->waiting(), 0); // read whole, whether kept or not
        QCOMPARE(m->session().Sig_Str, QString::fromLatin1(bytes));
        QCOMPARE(m->session().Rec_Count, before + (accepted ? 1 : 0));
    }

    void eventWithNothingWaitingKeepsSigStr()
    {
        MainWithFakes m;
        m.startLinked(1, false, Mb::No);
        m->session().Sig_Str = QStringLiteral("previous");
        const long long before = m->session().Rec_Count;
        m.comm->fire(QByteArray());
        QCOMPARE(m->session().Sig_Str, QStringLiteral("previous"));
        QCOMPARE(m->session().Rec_Count, before);
    }

    void packetsFlowOneAfterAnother()
    {
        MainWithFakes m;
        m.startLinked(1, false, Mb::No);
        const long long before = m->session().Rec_Count;
        m.comm->fire(kPacket);
        m.comm->fire(kPacket + kPacket); // lost together
        m.comm->fire(kPacket);
        QCOMPARE(m->session().Rec_Count, before + 2);
    }

    // ---- About and notice windows ----

    void aboutIsOneWindow()
    {
        MainWithFakes m;
        m->Show_About();
        m->Show_About();
        QCOMPARE(visibleTopLevels<FrmAbout>(), 1);
        QCOMPARE(loadedTopLevels<FrmAbout>(), 1);
        FrmAbout* a = m->about();
        QCOMPARE(a->windowTitle(), QStringLiteral("   About This Program"));
        QCOMPARE(a->Command1->text(), QStringLiteral("OK"));
        QCOMPARE(a->minimumSize(), QSize(285, 194));
        QCOMPARE(a->maximumSize(), QSize(285, 194));
        QVERIFY(a->rect().contains(a->Command1->geometry()));
        QVERIFY(a->isWindow());
        QCOMPARE(a->parentWidget(), static_cast<QWidget*>(m.w.get()));

        QTest::mouseClick(a->Command1, Qt::LeftButton);
        QCOMPARE(visibleTopLevels<FrmAbout>(), 0);
        flushDeletes();
        QVERIFY(!m->aboutLoaded());
        QCOMPARE(loadedTopLevels<FrmAbout>(), 0);

        m->About_Me->trigger();
        QVERIFY(m->aboutLoaded());
        QCOMPARE(visibleTopLevels<FrmAbout>(), 1);
        QCOMPARE(loadedTopLevels<FrmAbout>(), 1);
    }

    void noticeWindow()
    {
        MainWithFakes m;
        m->showNotice(QStringLiteral("File Closed"));
        E_MsgBox* box = m->msgBox();
        QCOMPARE(box->windowTitle(), QStringLiteral("System Info"));
        QVERIFY(box->isVisible());
        QCOMPARE(box->Msg->text(), QStringLiteral("File Closed"));
        QCOMPARE(box->Command1->text(), QStringLiteral("OK"));
        QVERIFY(!box->isModal());
        QVERIFY(box->isWindow());
        QCOMPARE(box->parentWidget(), static_cast<QWidget*>(m.w.get()));

        QTest::mouseClick(box->Command1, Qt::LeftButton);
        flushDeletes();
        QVERIFY(!box->isVisible());
        QCOMPARE(m->msgBox(), box); // stays loaded
        QCOMPARE(box->Msg->text(), QStringLiteral("File Closed"));

        m->showNotice(QStringLiteral("Second notice"));
        QCOMPARE(m->msgBox(), box);
        QVERIFY(box->isVisible());
        QCOMPARE(box->Msg->text(), QStringLiteral("Second notice"));
        m->showNotice(QStringLiteral("Third"));
        QCOMPARE(box->Msg->text(), QStringLiteral("Third"));
        QCOMPARE(loadedTopLevels<E_MsgBox>(), 1);
        QVERIFY(m.boxes->shown.isEmpty()); // not a modal message box
    }

    // ---- closing ----

    void closingWithoutRecording()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString keep = QDir::currentPath();
        QDir::setCurrent(dir.path());
        {
            MainWithFakes m;
            m.startLinked(1, false, Mb::No);
            m->graph()->show();
            m->Digitial_On_Click();
            QPointer<QWidget> graph = m->graph();
            QPointer<QWidget> dig = m->digDisplay();
            QVERIFY(dig->isVisible());
            m.comm->log.clear();
            const int boxesBefore = m.boxes->shown.size();

            QVERIFY(m->close());
            QVERIFY(m.comm->log.contains(QStringLiteral("PortOpen=0")));
            QVERIFY(!m.comm->PortOpen());
            QVERIFY(!m->Timer1->isActive());
            QCOMPARE(m.boxes->shown.size(), boxesBefore);
            QCOMPARE(visibleTopLevels<E_MsgBox>(), 0);
            QCOMPARE(loadedTopLevels<E_MsgBox>(), 0);
            QVERIFY(graph.isNull() || !graph->isVisible());
            QVERIFY(dig.isNull() || !dig->isVisible());
            QVERIFY(!m.files->isOpen(1));

            // Nothing of the session goes on after the close.
            const long long count = m->session().Rec_Count;
            m.comm->fire(kPacket);
            QCOMPARE(m->session().Rec_Count, count);
        }
        QDir::setCurrent(keep);
        QVERIFY(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
    }

    void closingTwiceIsHarmless()
    {
        MainWithFakes m;
        m.startLinked(1, false, Mb::No);
        m->Form_Unload();
        m.comm->log.clear();
        m->Form_Unload();
        QVERIFY(m.comm->log.isEmpty());
    }

    // ---- main window and menus ----

    void mainWindow()
    {
        MainWithFakes m;
        m->Form_Load();
        m->show();
        QVERIFY(QTest::qWaitForWindowExposed(m.w.get()));
        QCOMPARE(m->windowTitle(), QStringLiteral("  Quorvane"));
        QCOMPARE(m->minimumSize(), m->maximumSize());
        // The client area under the menu bar is exactly the picture.
        QCOMPARE(m->centralWidget()->size(), QSize(241, 54));
        QCOMPARE(m->menuBar()->geometry().bottom() + 1, m->centralWidget()->geometry().top());
        QCOMPARE(m->height(), m->menuBar()->height() + 54);
        QCOMPARE(m->width(), 241);
        // All four menus stand in the bar itself, none behind an overflow button.
        for (QAction* a : m->menuBar()->actions()) {
            const QRect r = m->menuBar()->actionGeometry(a);
            QVERIFY2(!r.isEmpty() && m->menuBar()->rect().contains(r), qPrintable(a->text()));
        }
        auto* ext = m->menuBar()->findChild<QWidget*>(QStringLiteral("qt_menubar_ext_button"));
        QVERIFY(!ext || !ext->isVisible());

        QCOMPARE(m->Timer1->interval(), 100);
        QVERIFY(!m->Timer1->isActive());
        QCOMPARE(m->St->text(), QStringLiteral("2"));
        QVERIFY(!m->St->isVisible());
        QVERIFY(!m->St->isChecked());
        QCOMPARE(m->Light_Src->text(), QStringLiteral("Label1"));
        QVERIFY(!m->Light_Src->isVisible());
        QCOMPARE(m->Cmdialog1->dialogTitle(), QStringLiteral("Select File For Saving"));
        QCOMPARE(m->Cmdialog1->filter(), QStringLiteral("CSV|*.CSV"));
        QCOMPARE(m->Cmdialog1->defaultExt(), QStringLiteral("CSV"));
    }

    void menuBar()
    {
        MainWithFakes m;
        QStringList titles;
        QStringList names;
        for (QAction* a : m->menuBar()->actions()) {
            titles << a->text();
            names << (a->menu() ? a->menu()->objectName() : QString());
        }
        QCOMPARE(titles, (QStringList{"File", "View Mode", "Data Graph", "About"}));
        QCOMPARE(names, (QStringList{"File_A", "View_Mode", "Data_Graph", "Help"}));
        QCOMPARE(m->File_A->actions().size(), 4);
        QCOMPARE(m->View_Mode->actions().size(), 5); // the four items, then "Alarms"
        QCOMPARE(m->Data_Graph->actions().size(), 2); // "Display Graph", then "Plot File"
        QCOMPARE(m->Help->actions().size(), 1);
    }

    void menuItems_data()
    {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        const struct
        {
            const char *menu, *name, *caption;
            int index;
        } rows[] = {{"File_A", "File_Save", "Create Save File", 0},
                    {"File_A", "View_File", "View File", 1},
                    {"File_A", "File_Close", "Close Current File", 2},
                    {"File_A", "Download_Datalogger", "Download Datalogger", 3},
                    {"View_Mode", "Analog_On", "Display Analog Meter", 0},
                    {"View_Mode", "Digitial_On", "Display Digital Meter", 1},
                    {"View_Mode", "Disp_File_Count", "Display File Count", 2},
                    {"View_Mode", "Data_Display_Raw", "Display Data", 3},
                    {"View_Mode", "View_Alarms", "Alarms", 4},
                    {"Data_Graph", "Graph_On", "Display Graph", 0},
                    {"Data_Graph", "Plot_File", "Plot File", 1},
                    {"Help", "About_Me", "About", 0}};
        for (const auto& r : rows)
            QTest::newRow(r.name) << QString::fromLatin1(r.menu) << r.index
                                  << QString::fromLatin1(r.name) << QString::fromLatin1(r.caption);
    }
    void menuItems()
    {
        QFETCH(QString, menu);
        QFETCH(int, index);
        QFETCH(QString, name);
        QFETCH(QString, caption);
        MainWithFakes m;
        m->Form_Load();
        auto* mn = m->menuBar()->findChild<QMenu*>(menu);
        QVERIFY(mn);
        QAction* a = mn->actions().value(index);
        QVERIFY(a);
        QCOMPARE(a->objectName(), name);
        QCOMPARE(a->text(), caption);
        QVERIFY(!a->isChecked());
        QVERIFY(a->isEnabled());
        QVERIFY(a->isVisible());
        QVERIFY(a->shortcut().isEmpty());
        QVERIFY(a->shortcuts().isEmpty());
        QVERIFY(!a->text().contains(u'&'));
        QVERIFY(!mn->title().contains(u'&'));
        // Platforms that move "About" items elsewhere must leave this one in its menu.
        QCOMPARE(a->menuRole(), QAction::NoRole);
    }

    // Every menu item through its action, as a click or a key in the menu sends it: each does
    // what its item says.
    void everyMenuItemActs_data()
    {
        QTest::addColumn<QString>("name");
        for (const char* name :
             {"File_Save", "View_File", "File_Close", "Download_Datalogger", "Analog_On",
              "Digitial_On", "Disp_File_Count", "Data_Display_Raw", "View_Alarms", "Graph_On",
              "Plot_File",
              "About_Me"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void everyMenuItemActs()
    {
        QFETCH(QString, name);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("MENU.CSV"));
        MainWithFakes m;
        m.startLinked(1, false);
        m.comm->onWait = [&m](int ms) { m.clock->advance(ms); }; // a download that hears nothing
        if (name == u"File_Close") {                             // something to close
            m.dialog->choices.push_back(file);
            m->File_Save->trigger();
            QCOMPARE(m->session().Save_Data, 1);
        }
        m.boxes->shown.clear();
        m.dialog->shown.clear();
        m.dialog->choices.push_back(file);
        QAction* a = m->menuBar()->findChild<QAction*>(name);
        QVERIFY(a);
        a->trigger();
        if (name == u"File_Save") {
            QCOMPARE(m.dialog->shown, QStringList{QStringLiteral("save")});
            QVERIFY(m->dataCollect()->isVisible() && m.files->isOpen(1));
        } else if (name == u"View_File") {
            QCOMPARE(m.dialog->shown, QStringList{QStringLiteral("open")});
            QVERIFY(m->filDisp()->isVisible());
        } else if (name == u"File_Close") {
            QVERIFY(m->session().Save_Data == 0 && !m.files->isOpen(1));
            QCOMPARE(m->msgBox()->Msg->text(), QStringLiteral("File Closed"));
        } else if (name == u"Download_Datalogger") {
            QCOMPARE(
                m.boxes->shown.value(2),
                QStringLiteral("Press 'RESET>' On Datalogger To Send Data\r\nAfter Pressing 'OK'"));
            QCOMPARE(m.boxes->shown.last(), QStringLiteral("Finished Downloading Data"));
        } else if (name == u"Analog_On") {
            QVERIFY(a->isChecked() && m->anagDisplay()->isVisible());
        } else if (name == u"Digitial_On") {
            QVERIFY(a->isChecked() && m->digDisplay()->isVisible());
        } else if (name == u"Disp_File_Count") {
            QVERIFY(m->sampleCount()->isVisible());
            QCOMPARE(m->sampleCount()->windowTitle(), QStringLiteral("  Sample Count"));
        } else if (name == u"Data_Display_Raw") {
            QVERIFY(m->dataDisplay()->isVisible());
        } else if (name == u"View_Alarms") {
            QVERIFY(m->alarms()->isVisible());
            QCOMPARE(m->alarms()->windowTitle(), QStringLiteral("Alarms"));
        } else if (name == u"Graph_On") {
            QVERIFY(a->isChecked() && m->graph()->isVisible());
        } else if (name == u"Plot_File") {
            QCOMPARE(m.dialog->shown, QStringList{QStringLiteral("open")});
            QVERIFY(m->filePlot()->isVisible());
            QCOMPARE(m->filePlot()->windowTitle(), QStringLiteral("MENU.CSV"));
        } else if (name == u"About_Me") {
            QVERIFY(m->about()->isVisible());
        }
    }
};

QTEST_MAIN(TestApp)
#include "test_app.moc"
