// The program's command line, as a terminal without a display sees it.

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestCommandLine : public QObject
{
    Q_OBJECT
  private slots:
    void answers_data();
    void answers();
    void plotExport_data();
    void plotExport();

  private:
    QTemporaryDir m_dir;
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

// `--plot FILE --export OUT` as cron runs it: no display, one line on a failure, the exit code
// telling a bad file (1) from a bad argument (2). "DIR/" stands for a folder of the test's.
void TestCommandLine::plotExport_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("stderrText"); // the start of its one line; empty: nothing
    QTest::addColumn<QString>("written");    // the picture that must exist afterwards
    // clang-format off
    QTest::newRow("a PNG") << QStringList{"--plot", "DIR/SAVE.CSV", "--export", "DIR/a.png"} << 0 << "" << "DIR/a.png";
    QTest::newRow("an SVG of a span, sized") << QStringList{"--plot=DIR/SAVE.CSV", "--export=DIR/a.svg", "--size", "640x480", "--from", "09:30:01", "--to", "-0s"} << 0 << "" << "DIR/a.svg";
    QTest::newRow("a PDF") << QStringList{"--export", "DIR/a.pdf", "--plot", "DIR/SAVE.CSV"} << 0 << "" << "DIR/a.pdf";
    QTest::newRow("no such file") << QStringList{"--plot", "DIR/NONE.CSV", "--export", "DIR/b.png"} << 1 << "quorvane: DIR/NONE.CSV cannot be read" << "";
    QTest::newRow("nothing to plot") << QStringList{"--plot", "DIR/EMPTY.CSV", "--export", "DIR/b.png"} << 1 << "quorvane: DIR/EMPTY.CSV holds nothing to plot" << "";
    QTest::newRow("a folder that does not exist") << QStringList{"--plot", "DIR/SAVE.CSV", "--export", "DIR/no/b.png"} << 1 << "quorvane: DIR/no/b.png cannot be written" << "";
    QTest::newRow("another picture kind") << QStringList{"--plot", "DIR/SAVE.CSV", "--export", "DIR/b.gif"} << 2 << "quorvane: --export \"DIR/b.gif\"" << "";
    QTest::newRow("a bad size") << QStringList{"--plot", "DIR/SAVE.CSV", "--export", "DIR/b.png", "--size", "0x0"} << 2 << "quorvane: --size \"0x0\"" << "";
    QTest::newRow("not a time") << QStringList{"--plot", "DIR/SAVE.CSV", "--export", "DIR/b.png", "--from", "yesterday"} << 2 << "quorvane: --from \"yesterday\"" << "";
    QTest::newRow("a span ending before it starts") << QStringList{"--plot", "DIR/SAVE.CSV", "--export", "DIR/b.png", "--from", "09:30:02", "--to", "2026-12-07 09:30:01"} << 2 << "quorvane: the span ends before it starts" << "";
    QTest::newRow("export without a file") << QStringList{"--export", "DIR/b.png"} << 2 << "quorvane: --export, --size, --from and --to go with --plot FILE" << "";
    QTest::newRow("the plot alone, of no file") << QStringList{"--plot", "DIR/NONE.CSV"} << 1 << "quorvane: DIR/NONE.CSV: no such file" << "";
    QTest::newRow("the plot alone, of a folder") << QStringList{"--plot", "DIR/"} << 1 << "quorvane: DIR/: not a file that can be plotted" << "";
    QTest::newRow("an unknown argument") << QStringList{"--plot", "DIR/SAVE.CSV", "--export", "DIR/b.png", "--colour"} << 2 << "quorvane: unknown argument \"--colour\"" << "";
    // clang-format on
}

void TestCommandLine::plotExport()
{
    QFETCH(QStringList, args);
    QFETCH(QString, stderrText);
    QFETCH(QString, written);
    QVERIFY(m_dir.isValid());
    const QString dir = m_dir.path() + u'/';
    QFile save(dir + QStringLiteral("SAVE.CSV"));
    QVERIFY(save.open(QIODevice::WriteOnly | QIODevice::Truncate));
    save.write(" 1 ,+45.1,%RH,+21.0,Deg C,09:30:00,12-07-2026\r\n"
               " 2 ,+45.3,%RH,+21.1,Deg C,09:30:01,12-07-2026\r\n"
               " 3 ,+45.2,%RH,+21.3,Deg C,09:30:02,12-07-2026\r\n");
    save.close();
    QFile empty(dir + QStringLiteral("EMPTY.CSV"));
    QVERIFY(empty.open(QIODevice::WriteOnly | QIODevice::Truncate));
    empty.close();
    for (QString& a : args)
        a.replace(QLatin1String("DIR/"), dir);
    stderrText.replace(QLatin1String("DIR/"), dir);
    written.replace(QLatin1String("DIR/"), dir);
    for (const char* name : {"a.png", "a.svg", "a.pdf", "b.png"})
        QFile::remove(dir + QLatin1String(name));

    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_RUNTIME_DIR"})
        env.remove(QLatin1String(name));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(QUORVANE_PATH), args);
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    QTEST(p.exitCode(), "exitCode");
    QCOMPARE(QString::fromLocal8Bit(p.readAllStandardOutput()), QString());
    if (stderrText.isEmpty()) {
        QCOMPARE(err, QString());
    } else {
        QVERIFY2(err.startsWith(stderrText), qPrintable(err));
        QCOMPARE(err.count(u'\n'), 1);
        QVERIFY(err.endsWith(u'\n'));
    }
    if (!written.isEmpty()) {
        QFile out(written);
        QVERIFY(out.open(QIODevice::ReadOnly));
        const QByteArray head = out.read(8);
        QVERIFY2(head.startsWith("\x89PNG") || head.startsWith("<?xml") || head.startsWith("%PDF"),
                 head.constData());
    }
    QVERIFY(!QFile::exists(dir + QStringLiteral("b.png")));
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_command_line.moc"
