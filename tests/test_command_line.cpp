// The program's command line, as a terminal without a display sees it.

#include <QProcess>
#include <QTest>

class TestCommandLine : public QObject
{
    Q_OBJECT
  private slots:
    void answers_data();
    void answers();
};

void TestCommandLine::answers_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("usageOnStdout");
    QTest::addColumn<QString>("stderrStart"); // empty: nothing on standard error
    QTest::addColumn<QString>("stdoutText");  // checked when not empty
    const QString version = QStringLiteral("quorvane " QUORVANE_VERSION "\n");
    // clang-format off
    QTest::newRow("--help") << QStringList{"--help"} << 0 << true << "" << "";
    QTest::newRow("-h") << QStringList{"-h"} << 0 << true << "" << "";
    QTest::newRow("--help after a port") << QStringList{"--port", "1=/dev/null", "--help"} << 0 << true << "" << "";
    QTest::newRow("--version") << QStringList{"--version"} << 0 << false << "" << version;
    QTest::newRow("unknown option") << QStringList{"--colour"} << 2 << false << "quorvane: unknown argument \"--colour\"\n\nUsage: quorvane" << "";
    QTest::newRow("a stray word") << QStringList{"--port", "2=/dev/ttyUSB0", "ttyUSB1"} << 2 << false << "quorvane: unknown argument \"ttyUSB1\"\n\nUsage:" << "";
    QTest::newRow("--port without a value") << QStringList{"--port"} << 2 << false << "quorvane: --port needs a value" << "";
    QTest::newRow("port 5") << QStringList{"--port=5=/dev/ttyUSB0"} << 2 << false << "quorvane: Bad port mapping \"5=/dev/ttyUSB0\"" << "";
    // clang-format on
}

void TestCommandLine::answers()
{
    QFETCH(QStringList, args);
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QLatin1String(name));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(QUORVANE_PATH), args);
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QTEST(p.exitCode(), "exitCode");
    const QString out = QString::fromLocal8Bit(p.readAllStandardOutput());
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    QFETCH(bool, usageOnStdout);
    QFETCH(QString, stderrStart);
    QFETCH(QString, stdoutText);
    if (usageOnStdout) {
        QVERIFY2(out.startsWith(QLatin1String("Usage: quorvane [--port N=DEVICE]")),
                 qPrintable(out));
        QVERIFY(out.contains(QLatin1String("--version")) && out.endsWith(u'\n'));
    } else if (!stdoutText.isEmpty()) {
        QCOMPARE(out, stdoutText);
    } else {
        QCOMPARE(out, QString());
    }
    if (stderrStart.isEmpty()) {
        QCOMPARE(err, QString());
    } else {
        QVERIFY2(err.startsWith(stderrStart), qPrintable(err));
        QVERIFY2(err.contains(QLatin1String("\nUsage: quorvane [--port N=DEVICE]")),
                 qPrintable(err));
    }
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_command_line.moc"
