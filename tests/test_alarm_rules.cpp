// The alarm rules on a fake clock: limits with and without a hold, numbers and non-numbers, a
// turned knob, a silent meter and a lost device; and the texts an event becomes.

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "alarm_rules.h"
#include "alarm_store.h"
#include "fakes.h"

using namespace Qt::StringLiterals;

namespace {

// "H1=40 L1=10 U1=%RH H2=30 hold=5 silent=10"
AlarmSettings settingsFrom(const QString& text)
{
    AlarmSettings s;
    for (const QString& item : text.split(u' ', Qt::SkipEmptyParts)) {
        const QString key = item.section(u'=', 0, 0), value = item.section(u'=', 1);
        const int d = key.right(1).toInt() - 1;
        if (key.startsWith(u'H'))
            s.limits[d].high = value.toDouble();
        else if (key.startsWith(u'L'))
            s.limits[d].low = value.toDouble();
        else if (key.startsWith(u'U'))
            s.limits[d].unit = value;
        else if (key == u"hold")
            s.holdSeconds = value.toInt();
        else if (key == u"silent")
            s.silentSeconds = value.toInt();
    }
    return s;
}

QString shortName(const AlarmEvent& e)
{
    return kindName(e.kind) + (e.display ? QString::number(e.display) : QString());
}

// Steps, separated by ";":
//   "+45.1/%RH" or "+45.1/%RH,+20.0/Deg C": a reading of one or two displays;
//   "w5": 5 seconds pass; "S": the silence check; "E": readings expected from now;
//   "L" and "B": the device lost and back.
QString run(AlarmRules& rules, FakeClock& clock, const QString& script)
{
    QStringList told;
    const auto add = [&](const std::optional<AlarmEvent>& e) {
        if (e)
            told << shortName(*e);
    };
    for (const QString& raw : script.split(u';', Qt::SkipEmptyParts)) {
        const QString step = raw.trimmed();
        if (step.startsWith(u'w') && step.size() > 1 && step[1].isDigit()) {
            clock.advance(step.mid(1).toLongLong() * 1000);
        } else if (step == u"S") {
            add(rules.silenceCheck());
        } else if (step == u"E") {
            rules.expectReadings();
        } else if (step == u"L") {
            add(rules.deviceLost(u"gone"_s));
        } else if (step == u"B") {
            add(rules.deviceBack(u"back"_s));
        } else {
            std::vector<DisplayReading> displays;
            for (const QString& d : step.split(u','))
                displays.push_back({d.section(u'/', 0, 0), d.section(u'/', 1)});
            for (const AlarmEvent& e : rules.reading(displays))
                told << shortName(e);
        }
    }
    return told.join(u' ');
}

} // namespace

class TestAlarmRules : public QObject
{
    Q_OBJECT
  private slots:
    void rules_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("events");
        QTest::addColumn<QString>("standing");

        QTest::newRow("rise and clear, no hold") << "H1=40"
                                                 << "+39.0/%RH; +45.0/%RH; +38.0/%RH"
                                                 << "high1 high-cleared1"
                                                 << "";
        QTest::newRow("equal to the limit is inside") << "H1=40 L1=10"
                                                      << "+40.0/%RH; +10.0/%RH"
                                                      << ""
                                                      << "";
        QTest::newRow("low, no hold") << "L1=10"
                                      << "+5.0/%RH; +12/%RH"
                                      << "low1 low-cleared1"
                                      << "";
        QTest::newRow("rise after the hold") << "H1=40 hold=5"
                                             << "+45/%RH; w3; +45/%RH; w2; +45/%RH"
                                             << "high1"
                                             << "high1";
        QTest::newRow("a dip inside starts the hold again")
            << "H1=40 hold=5"
            << "+45/%RH; w3; +38/%RH; w3; +45/%RH; w4; +45/%RH"
            << ""
            << "";
        QTest::newRow("clear after the hold")
            << "H1=40 hold=5"
            << "+45/%RH; w5; +45/%RH; +38/%RH; w4; +38/%RH; w1; +38/%RH"
            << "high1 high-cleared1"
            << "";
        QTest::newRow("a jump across both limits") << "H1=40 L1=10"
                                                   << "+45/%RH; +5/%RH; +45/%RH"
                                                   << "high1 high-cleared1 low1 high1 low-cleared1"
                                                   << "high1";
        QTest::newRow("a jump across both limits, with a hold")
            << "H1=40 L1=10 hold=2"
            << "+45/%RH; w2; +45/%RH; +5/%RH; w2; +5/%RH"
            << "high1 high-cleared1 low1"
            << "low1";
        QTest::newRow("not a number never fires")
            << "H1=40 L1=10"
            << "ERROR/%RH; +??.?/%RH; +1?.5/%RH; +    ./%RH; /%RH"
            << ""
            << "";
        QTest::newRow("not a number leaves a standing alarm standing")
            << "H1=40"
            << "+45/%RH; ERROR/%RH; w10; ERROR/%RH"
            << "high1"
            << "high1";
        QTest::newRow("no event repeated while an alarm stands")
            << "H1=40 L1=10"
            << "+45/%RH; +46/%RH; w60; +99/%RH; +41/%RH"
            << "high1"
            << "high1";
        QTest::newRow("another unit suspends the limits, once")
            << "H1=40 U1=%RH"
            << "+45/%RH; +45/ Deg F; +99/ Deg C; w5; +98/ Deg C"
            << "high1 limit-suspended1"
            << "";
        QTest::newRow("the unit back, the limits apply again")
            << "H1=40 U1=%RH"
            << "+45/ Deg F; +45/%RH"
            << "limit-suspended1 limit-resumed1 high1"
            << "high1";
        QTest::newRow("the limit takes its first reading's unit")
            << "H1=40"
            << "+20/%RH; +45/ Deg C; +45/%RH"
            << "limit-suspended1 limit-resumed1 high1"
            << "high1";
        QTest::newRow("display 2 on its own") << "H2=30"
                                              << "+45/%RH,+035.0/ Deg C; +45/%RH,+029.0/ Deg C"
                                              << "high2 high-cleared2"
                                              << "";
        QTest::newRow("both displays at once") << "H1=40 L2=0"
                                               << "+45/%RH,-001.0/ Deg C"
                                               << "high1 low2"
                                               << "high1 low2";
        QTest::newRow("silence and speaking again") << "silent=10"
                                                    << "E; w9; S; w1; S; w30; S; +20/%RH; S"
                                                    << "silent speaking"
                                                    << "";
        QTest::newRow("silent from the last reading") << "silent=5"
                                                      << "+20/%RH; w4; +20/%RH; w4; S; w1; S"
                                                      << "silent"
                                                      << "silent";
        QTest::newRow("not silent before readings are expected") << "silent=5"
                                                                 << "w60; S"
                                                                 << ""
                                                                 << "";
        QTest::newRow("the device lost and back, each told once") << ""
                                                                  << "B; L; L; B; B"
                                                                  << "device-lost device-back"
                                                                  << "";
        QTest::newRow("the device lost stands") << ""
                                                << "L"
                                                << "device-lost"
                                                << "device-lost";
    }
    void rules()
    {
        QFETCH(QString, settings);
        QFETCH(QString, script);
        FakeClock clock;
        AlarmRules rules(clock);
        rules.setSettings(settingsFrom(settings));
        QTEST(run(rules, clock, script), "events");
        QStringList standing;
        for (const AlarmEvent& e : rules.standing())
            standing << shortName(e);
        QTEST(standing.join(u' '), "standing");
    }

    // What an event carries, and the colour's question: is the value beyond, hold or not.
    void limitEventFields()
    {
        FakeClock clock;
        AlarmRules rules(clock);
        rules.setSettings(settingsFrom(u"H2=30 hold=60"_s));
        const DisplayReading r[] = {{u"+45.12"_s, u"%RH"_s}, {u"+035.5"_s, u" Deg C"_s}};
        QVERIFY(rules.reading(r).empty());
        QVERIFY(rules.beyond(2) && !rules.beyond(1)); // shown at once, raised after the hold
        clock.advance(60000);
        const std::vector<AlarmEvent> e = rules.reading(r);
        QCOMPARE(e.size(), 1u);
        QCOMPARE(e[0].value, u"+035.5"_s);
        QCOMPARE(e[0].unit, u"Deg C"_s);
        QCOMPARE(e[0].limit, u"30"_s);
        QCOMPARE(e[0].time, QTime(14, 4, 9));
        QCOMPARE(e[0].text, u"Display 2 is above its high limit: +035.5 Deg C (limit 30)"_s);
        QCOMPARE(rules.settings().limits[1].unit, u"Deg C"_s); // the unit it took
    }

    void changedSettings_data()
    {
        QTest::addColumn<QString>("next");
        QTest::addColumn<QString>("standing");
        QTest::newRow("a higher limit: cleared by the next reading") << "H1=50"
                                                                     << "";
        QTest::newRow("the same limits: still standing") << "H1=40"
                                                         << "high1";
        QTest::newRow("the limit taken away") << "L1=0"
                                              << "";
        QTest::newRow("another unit") << "H1=40 U1=Deg F"
                                      << "";
    }
    void changedSettings()
    {
        QFETCH(QString, next);
        FakeClock clock;
        AlarmRules rules(clock);
        rules.setSettings(settingsFrom(u"H1=40"_s));
        run(rules, clock, u"+45/%RH"_s);
        AlarmSettings s = settingsFrom(next);
        if (s.limits[0].unit.isEmpty())
            s.limits[0].unit = rules.settings().limits[0].unit;
        rules.setSettings(s);
        run(rules, clock, u"+45/%RH"_s);
        QStringList standing;
        for (const AlarmEvent& e : rules.standing())
            standing << shortName(e);
        QTEST(standing.join(u' '), "standing");
    }

    void readingNumbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("number");
        QTest::addColumn<double>("value");
        QTest::newRow("signed") << "+45.12" << true << 45.12;
        QTest::newRow("closing point") << "-1234." << true << -1234.0;
        QTest::newRow("eight digits") << "23545.12" << true << 23545.12;
        QTest::newRow("no zero before the point") << "-.05" << true << -0.05;
        QTest::newRow("blank digits") << "+ 12.3" << true << 12.3;
        QTest::newRow("error") << "ERROR" << false << 0.0;
        QTest::newRow("over range") << "+??.??" << false << 0.0;
        QTest::newRow("partly over range") << "+1?.34" << false << 0.0;
        QTest::newRow("sign and point only") << "+." << false << 0.0;
        QTest::newRow("empty") << "" << false << 0.0;
    }
    void readingNumbers()
    {
        QFETCH(QString, text);
        QFETCH(bool, number);
        const std::optional<double> x = readingNumber(text);
        QCOMPARE(x.has_value(), number);
        if (number)
            QTEST(*x, "value");
    }

    void limitArguments_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("display");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("unit");
        QTest::newRow("plain") << "1=40" << 1 << 40.0 << "";
        QTest::newRow("negative, fraction") << "2=-5.5" << 2 << -5.5 << "";
        QTest::newRow("point first") << "1=.25" << 1 << 0.25 << "";
        QTest::newRow("unit joined") << "1=75%RH" << 1 << 75.0 << "%RH";
        QTest::newRow("unit with blanks") << "2=30 Deg C" << 2 << 30.0 << "Deg C";
        QTest::newRow("display 3") << "3=40" << 0 << 0.0 << "";
        QTest::newRow("no value") << "1=" << 0 << 0.0 << "";
        QTest::newRow("no display") << "40" << 0 << 0.0 << "";
        QTest::newRow("words") << "1=high" << 0 << 0.0 << "";
    }
    void limitArguments()
    {
        QFETCH(QString, text);
        QFETCH(int, display);
        const std::optional<LimitArgument> a = parseLimitArgument(text);
        QCOMPARE(a.has_value(), display != 0);
        if (!a)
            return;
        QCOMPARE(a->display, display);
        QTEST(a->value, "value");
        QTEST(a->unit, "unit");
    }

    // One line each, fields only where the event has them; a field with blanks is quoted.
    void lines_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("display");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("line");
        QTest::newRow("high") << int(AlarmKind::High) << 1 << "+45.12"
                              << "%RH"
                              << "above"
                              << "2026-05-31T14:03:09 high display=1 value=+45.12 unit=%RH "
                                 "limit=40: above";
        QTest::newRow("a unit with a blank")
            << int(AlarmKind::LowCleared) << 2 << "+1.0"
            << "Deg C"
            << "ok"
            << "2026-05-31T14:03:09 low-cleared display=2 value=+1.0 unit=\"Deg C\" limit=40: ok";
        QTest::newRow("no reading")
            << int(AlarmKind::DeviceLost) << 0 << ""
            << ""
            << "/dev/ttyUSB0 was\ndisconnected."
            << "2026-05-31T14:03:09 device-lost limit=40: /dev/ttyUSB0 was disconnected.";
        QTest::newRow("control characters and quotes")
            << int(AlarmKind::LimitSuspended) << 1 << "+1\x18"
            << "a\"b"
            << "x"
            << "2026-05-31T14:03:09 limit-suspended display=1 value=+1? unit=\"a\\\"b\" "
               "limit=40: x";
    }
    void lines()
    {
        QFETCH(int, kind);
        AlarmEvent e;
        e.date = QDate(2026, 5, 31);
        e.time = QTime(14, 3, 9);
        e.kind = AlarmKind(kind);
        QFETCH(int, display);
        e.display = display;
        QFETCH(QString, value);
        e.value = value;
        QFETCH(QString, unit);
        e.unit = unit;
        e.limit = u"40"_s;
        QFETCH(QString, text);
        e.text = text;
        QTEST(eventLine(e), "line");
    }

    void environmentAndCsv()
    {
        AlarmEvent e;
        e.date = QDate(2026, 5, 31);
        e.time = QTime(9, 3, 9);
        e.kind = AlarmKind::Low;
        e.display = 2;
        e.value = u"-001.5"_s;
        e.unit = u"Deg C"_s;
        e.limit = u"0"_s;
        e.text = u"cold, \"very\""_s;
        e.file = u"/data/NIGHT.CSV"_s;
        QMap<QString, QString> env;
        for (const auto& [name, value] : eventEnvironment(e))
            env.insert(name, value);
        QCOMPARE(env, (QMap<QString, QString>{{u"QUORVANE_EVENT"_s, u"low"_s},
                                              {u"QUORVANE_DISPLAY"_s, u"2"_s},
                                              {u"QUORVANE_VALUE"_s, u"-001.5"_s},
                                              {u"QUORVANE_UNIT"_s, u"Deg C"_s},
                                              {u"QUORVANE_LIMIT"_s, u"0"_s},
                                              {u"QUORVANE_TIME"_s, u"2026-05-31T09:03:09"_s},
                                              {u"QUORVANE_FILE"_s, u"/data/NIGHT.CSV"_s},
                                              {u"QUORVANE_TEXT"_s, u"cold, \"very\""_s}}));
        QCOMPARE(eventCsvLine(e),
                 u"2026-05-31T09:03:09,low,2,-001.5,Deg C,0,\"cold, \"\"very\"\"\"\r\n"_s);
    }

    // Kept among the program's settings: what is saved comes back; nonsense comes back in range.
    void settingsKept()
    {
        QTemporaryDir dir;
        QSettings q(dir.filePath(u"q.conf"_s), QSettings::IniFormat);
        AlarmSettings a = settingsFrom(u"H1=40.5 L1=-3 U1=%RH L2=0 hold=30 silent=600"_s);
        a.notify = false;
        a.runCommand = true;
        a.command = u"mail -s \"$QUORVANE_EVENT\" me"_s;
        saveAlarmSettings(q, a);
        QCOMPARE(loadAlarmSettings(q), a);
        q.setValue(u"alarms/hold"_s, 99999);
        q.setValue(u"alarms/silent"_s, 1);
        q.setValue(u"alarms/display1/high"_s, u"lots"_s);
        const AlarmSettings b = loadAlarmSettings(q);
        QCOMPARE(b.holdSeconds, AlarmSettings::MaxHoldSeconds);
        QCOMPARE(b.silentSeconds, AlarmSettings::MinSilentSeconds);
        QVERIFY(!b.limits[0].high);
    }
};

QTEST_GUILESS_MAIN(TestAlarmRules)
#include "test_alarm_rules.moc"
