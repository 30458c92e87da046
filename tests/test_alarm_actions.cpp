// The user's command for an event: one that fails or hangs, many at once, the kinds that run
// none. (The command's variables are checked end to end in test_record_tool.)

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
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
    // The start line, other messages and a failed command run none.
    void commandsInTheBackground()
    {
        FakeClock clock;
        AlarmEngine engine(clock);
        engine.setSettings(commandSettings(u"sleep 120"_s));
        for (AlarmKind kind : {AlarmKind::Start, AlarmKind::Message, AlarmKind::CommandFailed})
            engine.post(kind, u"told"_s);
        QCOMPARE(engine.command().running(), 0);
        for (int i = 0; i < EventCommand::MaxRunning + 2; ++i)
            engine.post(AlarmKind::FileOpened, u"opened"_s);
        QCOMPARE(engine.command().running(), EventCommand::MaxRunning);
        QCOMPARE(engine.command().waiting(), 2);
        engine.finish(0);
        QCOMPARE(engine.command().running(), 0);
        QCOMPARE(engine.command().waiting(), 0);
    }
};

QTEST_GUILESS_MAIN(TestAlarmActions)
#include "test_alarm_actions.moc"
