// The alarm engine's actions that need no screen: the user's command with the event in its
// environment, a command that fails or hangs, the line for each event, the silence timer.

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <csignal>

#include "alarm_engine.h"
#include "fakes.h"

using namespace Qt::StringLiterals;

namespace {

AlarmSettings commandSettings(const QString& command)
{
    AlarmSettings s;
    s.limits[0].high = 40;
    s.notify = false;
    s.runCommand = true;
    s.command = command;
    return s;
}

QString readText(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

bool processGone(qint64 pid)
{
    return pid > 0 && ::kill(pid_t(pid), 0) != 0;
}

} // namespace

class TestAlarmActions : public QObject
{
    Q_OBJECT
  private slots:
    // The event reaches the command in its variables only: what the meter or a file name holds
    // is never read as shell text.
    void commandSeesTheEvent()
    {
        QTemporaryDir dir;
        const QString out = dir.filePath(u"env"_s);
        qputenv("QV_TEST_OUT", out.toLocal8Bit());
        FakeClock clock;
        AlarmEngine engine(clock);
        engine.setSettings(
            commandSettings(u"env | grep '^QUORVANE_' | LC_ALL=C sort > \"$QV_TEST_OUT\""_s));
        const QString trap = dir.filePath(u"pwned"_s);
        engine.setFile(u"/x/$(touch "_s + trap + u")'; touch "_s + trap + u"; '.CSV"_s);
        QSignalSpy posted(&engine, &AlarmEngine::posted);
        const DisplayReading r[] = {{u"+45.12"_s, u"%RH"_s}};
        engine.reading(r);
        QCOMPARE(posted.size(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(readText(out).count(u'\n') == 8, 30000);
        QTRY_COMPARE_WITH_TIMEOUT(engine.command().running(), 0, 30000);
        QCOMPARE(
            readText(out),
            u"QUORVANE_DISPLAY=1\nQUORVANE_EVENT=high\n"
            "QUORVANE_FILE=/x/$(touch %1)'; touch %1; '.CSV\nQUORVANE_LIMIT=40\n"
            "QUORVANE_TEXT=Display 1 is above its high limit: +45.12 %RH (limit 40)\n"
            "QUORVANE_TIME=2026-05-31T14:03:09\nQUORVANE_UNIT=%RH\nQUORVANE_VALUE=+45.12\n"_s.arg(
                trap));
        QVERIFY(!QFile::exists(trap));
        QCOMPARE(posted.size(), 1); // a command that succeeds is no event
    }

    // A command that fails is an event of its own; it does not run the command again.
    void commandFailures_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("told");
        QTest::newRow("exit code and its last words")
            << "echo first; echo 'no route to host' >&2; exit 3"
            << "The command for the high event ended with exit code 3: no route to host";
        QTest::newRow("killed") << "kill -9 $$"
                                << "The command for the high event was ended by a signal";
        QTest::newRow("hangs, with a child of its own")
            << "sleep 120 & echo $! > \"$QV_TEST_OUT\"; sleep 120"
            << "The command for the high event was ended after 1 s";
    }
    void commandFailures()
    {
        QFETCH(QString, command);
        QTemporaryDir dir;
        const QString out = dir.filePath(u"pid"_s);
        qputenv("QV_TEST_OUT", out.toLocal8Bit());
        FakeClock clock;
        AlarmEngine engine(clock);
        engine.command().setTimeLimitMs(1000); // the 60 s limit, shortened
        QStringList lines;
        engine.setLines([&lines](const QString& line) { lines << line; });
        engine.setSettings(commandSettings(command));
        const DisplayReading r[] = {{u"+45.12"_s, u"%RH"_s}};
        engine.reading(r);
        QTRY_COMPARE_WITH_TIMEOUT(lines.size(), 2, 30000);
        const AlarmEvent& failed = engine.events().back();
        QCOMPARE(failed.kind, AlarmKind::CommandFailed);
        QTEST(failed.text, "told");
        QCOMPARE(failed.value, u"+45.12"_s); // what it was run for
        QVERIFY(lines[1].startsWith(u"2026-05-31T14:03:09 command-failed display=1 "_s));
        QCOMPARE(engine.command().running() + engine.command().waiting(), 0);
        if (QFile::exists(out)) // everything the command started is ended with it
            QTRY_VERIFY_WITH_TIMEOUT(processGone(readText(out).trimmed().toLongLong()), 30000);
    }

    // Hung commands never hold up the next event; past a few at once, events wait their turn.
    void commandsInTheBackground()
    {
        FakeClock clock;
        AlarmEngine engine(clock);
        engine.setSettings(commandSettings(u"sleep 120"_s));
        for (int i = 0; i < EventCommand::MaxRunning + 2; ++i)
            engine.post(AlarmKind::FileOpened, u"opened"_s);
        QCOMPARE(engine.command().running(), EventCommand::MaxRunning);
        QCOMPARE(engine.command().waiting(), 2);
        engine.finish(0);
        QCOMPARE(engine.command().running(), 0);
        QCOMPARE(engine.command().waiting(), 0);
    }

    // The recorder's start line and other messages are lines, never a command or a notice.
    void outletsByKind_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("runs");
        QTest::newRow("file error") << int(AlarmKind::FileError) << true;
        QTest::newRow("device lost") << int(AlarmKind::DeviceLost) << true;
        QTest::newRow("start") << int(AlarmKind::Start) << false;
        QTest::newRow("message") << int(AlarmKind::Message) << false;
        QTest::newRow("command failed") << int(AlarmKind::CommandFailed) << false;
    }
    void outletsByKind()
    {
        QFETCH(int, kind);
        FakeClock clock;
        AlarmEngine engine(clock);
        engine.setSettings(commandSettings(u"sleep 120"_s));
        QStringList lines;
        engine.setLines([&lines](const QString& line) { lines << line; });
        engine.post(AlarmKind(kind), u"told"_s);
        QTEST(engine.command().running() == 1, "runs");
        QCOMPARE(lines.size(), 1);
        engine.finish(0);
    }

    // The silence time counts from the last reading; the timer wakes once per quiet span.
    void silenceTimer()
    {
        FakeClock clock;
        AlarmEngine engine(clock);
        AlarmSettings s;
        s.silentSeconds = 30;
        engine.setSettings(s);
        auto* timer = engine.findChild<QTimer*>(u"alarmSilenceTimer"_s);
        QVERIFY(timer);
        QVERIFY(!timer->isActive());
        engine.expectReadings();
        QCOMPARE(timer->remainingTime() > 25000, true);
        const auto wake = [&](int ms) {
            clock.advance(ms);
            timer->start(0); // what the timer does once the time has passed
            QTest::qWait(5);
        };
        const DisplayReading r[] = {{u"+20.0"_s, u"%RH"_s}};
        wake(20000);
        engine.reading(r);
        wake(20000); // 20 s after the reading: not yet
        QVERIFY(engine.events().empty());
        QVERIFY(timer->isActive());
        wake(10000);
        QCOMPARE(engine.events().size(), 1u);
        QCOMPARE(engine.events().back().text, u"No reading from the meter since 14:03:29"_s);
        QVERIFY(!timer->isActive()); // silent: nothing more to wait for
        engine.reading(r);
        QCOMPARE(engine.events().back().kind, AlarmKind::Speaking);
    }

    // A long session keeps the newest events.
    void eventsKept()
    {
        FakeClock clock;
        AlarmEngine engine(clock);
        QSignalSpy dropping(&engine, &AlarmEngine::aboutToDropOldest);
        for (int i = 0; i <= AlarmEngine::MaxEvents; ++i)
            engine.post(AlarmKind::Message, QString::number(i));
        QCOMPARE(int(engine.events().size()), AlarmEngine::MaxEvents);
        QCOMPARE(engine.events().front().text, u"1"_s);
        QCOMPARE(dropping.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestAlarmActions)
#include "test_alarm_actions.moc"
