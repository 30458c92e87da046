// The alarm rules on a fake clock: limits with and without a hold, numbers and non-numbers, a
// turned knob, a silent meter and a lost device; and the line an event becomes.

#include <QTest>

#include "alarm_rules.h"
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
//   "L" and "B": the device lost and back; "=H1=50 U1=%RH": the settings changed.
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
        } else if (step.startsWith(u'=')) {
            rules.setSettings(settingsFrom(step.mid(1)));
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
        const auto row = [](const char* tag, const char* settings, const char* script,
                            const char* events, const char* standing) {
            QTest::newRow(tag) << QString(settings) << QString(script) << QString(events)
                               << QString(standing);
        };
        row("rise and clear, no hold", "H1=40", "+39.0/%RH; +45.0/%RH; +38.0/%RH",
            "high1 high-cleared1", "");
        row("equal is inside; low", "H1=40 L1=10", "+40.0/%RH; +10.0/%RH; +5/%RH; +12/%RH",
            "low1 low-cleared1", "");
        row("rise after the hold", "H1=40 hold=5", "+45/%RH; w3; +45/%RH; w2; +45/%RH", "high1",
            "high1");
        row("a dip inside starts the hold again", "H1=40 hold=5",
            "+45/%RH; w3; +38/%RH; w3; +45/%RH; w4; +45/%RH", "", "");
        row("clear after the hold", "H1=40 hold=5",
            "+45/%RH; w5; +45/%RH; +38/%RH; w4; +38/%RH; w1; +38/%RH", "high1 high-cleared1", "");
        row("a jump across both limits", "H1=40 L1=10", "+45/%RH; +5/%RH; +45/%RH",
            "high1 high-cleared1 low1 high1 low-cleared1", "high1");
        row("a jump across both limits, with a hold", "H1=40 L1=10 hold=2",
            "+45/%RH; w2; +45/%RH; +5/%RH; w2; +5/%RH", "high1 high-cleared1 low1", "low1");
        row("not a number never fires", "H1=40 L1=10",
            "ERROR/%RH; +??.?/%RH; +1?.5/%RH; +    ./%RH; /%RH", "", "");
        row("not a number leaves an alarm standing", "H1=40", "+45/%RH; ERROR/%RH; w10; ERROR/%RH",
            "high1", "high1");
        row("no event repeated while an alarm stands", "H1=40 L1=10",
            "+45/%RH; +46/%RH; w60; +99/%RH; +41/%RH", "high1", "high1");
        row("another unit suspends the limits, once", "H1=40 U1=%RH",
            "+45/%RH; +45/ Deg F; +99/ Deg C; w5; +98/ Deg C", "high1 limit-suspended1", "");
        row("the unit back, the limits apply again", "H1=40 U1=%RH", "+45/ Deg F; +45/%RH",
            "limit-suspended1 limit-resumed1 high1", "high1");
        row("the limit takes its first reading's unit", "H1=40", "+20/%RH; +45/ Deg C; +45/%RH",
            "limit-suspended1 limit-resumed1 high1", "high1");
        row("a higher limit set: cleared by the next reading", "H1=40",
            "+45/%RH; =H1=50 U1=%RH; +45/%RH", "high1 high-cleared1", "");
        row("the limit taken away", "H1=40", "+45/%RH; =L1=0 U1=%RH; +45/%RH", "high1", "");
        row("display 2 on its own", "H2=30", "+45/%RH,+035.0/ Deg C; +45/%RH,+029.0/ Deg C",
            "high2 high-cleared2", "");
        row("both displays at once", "H1=40 L2=0", "+45/%RH,-001.0/ Deg C", "high1 low2",
            "high1 low2");
        row("silence and speaking again", "silent=10", "E; w9; S; w1; S; w30; S; +20/%RH; S",
            "silent speaking", "");
        row("silent from the last reading", "silent=5", "+20/%RH; w4; +20/%RH; w4; S; w1; S",
            "silent", "silent");
        row("not silent before readings are expected", "silent=5", "w60; S", "", "");
        row("the device lost and back, each told once", "", "B; L; L; B; B",
            "device-lost device-back", "");
        row("the device lost stands", "", "L", "device-lost", "device-lost");
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
        // One line, a field with a blank quoted, a control character from a noisy line made '?'.
        AlarmEvent noisy = e[0];
        noisy.text += u"\n\x18"_s;
        QCOMPARE(eventLine(noisy), u"2026-05-31T14:04:09 high display=2 value=+035.5 "
                                   "unit=\"Deg C\" limit=30: Display 2 is above its high limit: "
                                   "+035.5 Deg C (limit 30) ?"_s);
    }
};

QTEST_GUILESS_MAIN(TestAlarmRules)
#include "test_alarm_rules.moc"
