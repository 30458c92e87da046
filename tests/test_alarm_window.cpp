// The alarms on the desktop: the alarm window and its list, the digital display's alarm colour,
// the bell until "Acknowledge", the link's and the save file's events, the settings kept.

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "alarm_engine.h"
#include "alarm_window.h"
#include "desktop_notifier.h"
#include "dig_display.h"
#include "live_label.h"
#include "test_main_window.h"

using namespace Qt::StringLiterals;

namespace {

// A two-display %RH and Deg C packet: display 1 `d1` (two places), display 2 `d2` (one place).
QByteArray packet(const char* d1, const char* d2 = "0235")
{
    return QByteArray("\x02") + "01041" + "2" + d2 + d1 + '\r';
}

class FakeNotifier : public EventNotifier
{
  public:
    void notify(const AlarmEvent& e) override { told << kindName(e.kind); }
    QStringList told;
};

QStringList kinds(const AlarmEngine& engine)
{
    QStringList out;
    for (const AlarmEvent& e : engine.events())
        out << kindName(e.kind);
    return out;
}

void typeInto(QLineEdit* edit, const QString& text)
{
    edit->setText(text);
    edit->setModified(true);
    emit edit->editingFinished();
}

} // namespace

class TestAlarmWindow : public QObject
{
    Q_OBJECT
  private slots:
    // The list shows the newest first, follows the engine's list as it drops its oldest, and
    // the window says which alarms stand.
    void listAndStanding()
    {
        FakeClock clock;
        AlarmEngine engine(clock);
        FakeCommonDialog dialog;
        FakeMessageBoxes boxes;
        FrmAlarms w(engine, dialog, boxes);
        AlarmSettings s;
        s.limits[0].high = 40;
        engine.setSettings(s);
        QCOMPARE(w.Standing->text(), u"No alarm stands now."_s);
        const DisplayReading r[] = {{u"+45.12"_s, u"%RH"_s}};
        engine.reading(r);
        clock.advance(1000);
        engine.deviceLost(u"Com Port 1 was disconnected."_s);
        QAbstractItemModel* m = w.List->model();
        QCOMPARE(m->rowCount(), 2);
        QCOMPARE(m->index(0, AlarmEventModel::Event).data().toString(), u"device-lost"_s);
        QCOMPARE(m->index(1, AlarmEventModel::Time).data().toString(), u"2026-05-31 14:03:09"_s);
        QCOMPARE(m->index(1, AlarmEventModel::Value).data().toString(), u"+45.12"_s);
        QCOMPARE(m->index(1, AlarmEventModel::Limit).data().toString(), u"40"_s);
        QCOMPARE(w.Standing->text(),
                 u"Since 14:03:09: Display 1 is above its high limit: +45.12 %RH (limit 40)\n"
                 "Since 14:03:10: Com Port 1 was disconnected."_s);
        for (int i = 0; i < AlarmEngine::MaxEvents; ++i)
            engine.post(AlarmKind::Message, QString::number(i));
        QCOMPARE(m->rowCount(), AlarmEngine::MaxEvents);
        QCOMPARE(m->index(0, AlarmEventModel::Text).data().toString(),
                 QString::number(AlarmEngine::MaxEvents - 1));
    }

    // What is typed reaches the engine when it makes sense, and only then.
    void settingsTyped_data()
    {
        QTest::addColumn<QString>("high");
        QTest::addColumn<QString>("low");
        QTest::addColumn<QString>("problem");
        QTest::addColumn<double>("taken");
        QTest::newRow("not a number") << "forty"
                                      << ""
                                      << "\"forty\" is not a number" << 30.0;
        QTest::newRow("high below low")
            << "10"
            << "20"
            << "Display 1: the high limit must be above the low limit" << 30.0;
    }
    void settingsTyped()
    {
        QFETCH(QString, high);
        QFETCH(QString, low);
        FakeClock clock;
        AlarmEngine engine(clock);
        AlarmSettings s;
        s.limits[0].high = 30;
        engine.setSettings(s);
        FakeCommonDialog dialog;
        FakeMessageBoxes boxes;
        FrmAlarms w(engine, dialog, boxes);
        QCOMPARE(w.High1->text(), u"30"_s);
        w.Low1->setText(low);
        typeInto(w.High1, high);
        QTEST(w.Problem->text(), "problem");
        QTEST(*engine.settings().limits[0].high, "taken");
    }

    // Saved oldest first, never over the file being recorded, an existing file only on Yes;
    // the shared dialog is left as it was found.
    void saveList_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("written");
        QTest::newRow("new file") << "events.csv" << 0 << true;
        QTest::newRow("cancelled") << "" << 0 << false;
        QTest::newRow("the recording") << "NIGHT.CSV" << 0 << false;
        QTest::newRow("existing, No") << "old.csv" << int(Mb::No) << false;
        QTest::newRow("existing, Yes") << "old.csv" << int(Mb::Yes) << true;
    }
    void saveList()
    {
        QFETCH(QString, name);
        QFETCH(int, answer);
        QTemporaryDir dir;
        const QString path = name.isEmpty() ? QString() : dir.filePath(name);
        QFile old(dir.filePath(u"old.csv"_s));
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("kept\n") == 5);
        old.close();
        FakeClock clock;
        AlarmEngine engine(clock);
        engine.setFile(dir.filePath(u"NIGHT.CSV"_s));
        engine.post(AlarmKind::FileOpened, u"first"_s);
        engine.post(AlarmKind::FileClosed, u"second, last"_s);
        FakeCommonDialog dialog;
        dialog.setDialogTitle(u"Select File For Saving"_s);
        dialog.setFileName(u"TMP.CSV"_s);
        dialog.choices.push_back(path);
        FakeMessageBoxes boxes;
        if (answer)
            boxes.answers.push_back(answer);
        FrmAlarms w(engine, dialog, boxes);
        w.SaveList->click();
        QFETCH(bool, written);
        if (written)
            QCOMPARE(readAll(path), "Time,Event,Display,Value,Unit,Limit,Text\r\n"
                                    "2026-05-31T14:03:09,file-opened,,,,,first\r\n"
                                    "2026-05-31T14:03:09,file-closed,,,,,\"second, last\"\r\n");
        else if (!path.isEmpty())
            QVERIFY(readAll(path) == "kept\n" || !QFile::exists(path));
        QCOMPARE(boxes.shown.size(), name == u"NIGHT.CSV" || answer ? 1 : 0);
        QCOMPARE(dialog.dialogTitle(), u"Select File For Saving"_s);
        QCOMPARE(dialog.fileName(), u"TMP.CSV"_s);
    }

    // The main window: a value beyond its limit in the alarm colour (faded too when the meter
    // falls silent), the bell every 10 s until acknowledged, the events notified.
    void desktopFace()
    {
        MainWithFakes m;
        auto notifier = std::make_shared<FakeNotifier>();
        int rings = 0;
        m->setAlarmOutlets(notifier, [&rings] { ++rings; });
        AlarmSettings s;
        s.limits[1].high = 30;
        m->alarmEngine().setSettings(s);
        m.startLinked(1, false);
        m.comm->fire(packet("4512"));
        auto* value2 = static_cast<LiveLabel*>(m->digDisplay()->Label3);
        QVERIFY(!value2->alarm() && rings == 0);
        m.comm->fire(packet("4512", "0351")); // display 2: 35.1 Deg C
        QVERIFY(value2->alarm());
        QVERIFY(!static_cast<LiveLabel*>(m->digDisplay()->Label2)->alarm());
        QCOMPARE(m->alarmEngine().settings().limits[1].unit, u"Deg C"_s);
        QCOMPARE(rings, 1);
        QVERIFY(m->bellTimer()->isActive());
        QCOMPARE(m->bellTimer()->interval(), 10000);
        QVERIFY(QMetaObject::invokeMethod(m->bellTimer(), "timeout")); // 10 s later
        QCOMPARE(rings, 2);
        m->alarms()->Acknowledge->click();
        QVERIFY(!m->bellTimer()->isActive());

        m->digDisplay()->showStale(u"No reading since 14:03:09"_s); // faded and in alarm
        QVERIFY(value2->alarm() && value2->dimmed());
        m->digDisplay()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m.comm->fire(packet("4512", "0352")); // a window made anew shows it too
        QVERIFY(static_cast<LiveLabel*>(m->digDisplay()->Label3)->alarm());
        m.comm->fire(packet("4512", "0250"));
        QVERIFY(!static_cast<LiveLabel*>(m->digDisplay()->Label3)->alarm());

        m.comm->loseDevice();
        m.comm->bringDeviceBack();
        QCOMPARE(rings, 3); // the lost device rose, and rang
        QCOMPARE(kinds(m->alarmEngine()),
                 (QStringList{u"high"_s, u"high-cleared"_s, u"device-lost"_s, u"device-back"_s}));
        QCOMPARE(notifier->told, kinds(m->alarmEngine()));
        QVERIFY(!m->bellTimer()->isActive()); // nothing stands
    }

    // Kept with the window places: a new run starts with what the last one left.
    void settingsKept()
    {
        QTemporaryDir dir;
        const QString conf = dir.filePath(u"Quorvane.conf"_s);
        const auto run = [&conf](const std::function<void(FrmMain&)>& what) {
            Platform p{std::make_unique<FakeSerialControl>(),
                       std::make_shared<FakeClock>(),
                       std::make_shared<FakeMessageBoxes>(),
                       std::make_shared<FakeCommonDialog>(),
                       std::make_shared<SeqFiles>(),
                       std::make_shared<WindowPlacement>(
                           std::make_unique<QSettings>(conf, QSettings::IniFormat))};
            FrmMain w(std::move(p));
            what(w);
        };
        run([](FrmMain& w) {
            FrmAlarms* a = w.alarms();
            typeInto(a->Low2, u"-10"_s);
            a->Hold->setValue(90);
            a->Sound->setChecked(false);
        });
        run([](FrmMain& w) {
            const AlarmSettings& s = w.alarmEngine().settings();
            QCOMPARE(s.limits[1].low, std::optional<double>(-10));
            QCOMPARE(s.holdSeconds, 90);
            QVERIFY(!s.sound && s.notify);
            QCOMPARE(w.alarms()->Low2->text(), u"-10"_s);
        });
        QSettings q(conf, QSettings::IniFormat);
        QCOMPARE(q.value(u"alarms/hold"_s).toInt(), 90);
    }
};

QTEST_MAIN(TestAlarmWindow)
#include "test_alarm_window.moc"
