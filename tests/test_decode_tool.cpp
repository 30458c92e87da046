#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QByteArray kExample = QByteArray("\x02") + "01041202354512x";

struct Result
{
    int exitCode = -1;
    QByteArray out, err;
};

Result runTool(const QStringList& args, const QByteArray& input = QByteArray())
{
    QProcess p;
    p.start(QStringLiteral(QUORVANE_DECODE_PATH), args);
    if (!p.waitForStarted())
        return {};
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(60000);
    Result r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

} // namespace

class TestDecodeTool : public QObject
{
    Q_OBJECT
  private slots:
    void decodes_data();
    void decodes();
    void readsFile();
    void informs_data();
    void informs();
    void badUse_data();
    void badUse();
};

void TestDecodeTool::decodes_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("output");
    QTest::newRow("dual") << QStringList{} << kExample
                          << QByteArray("+45.12\t%RH\t+023.5\t Deg C\n");
    QTest::newRow("single") << QStringList{"--single"} << kExample
                            << QByteArray("23545.12\t%RH\t+023.5\t Deg C\n");
    QTest::newRow("trailing piece ignored") << QStringList{} << kExample + kExample.left(15)
                                            << QByteArray("+45.12\t%RH\t+023.5\t Deg C\n");
    QTest::newRow("nothing") << QStringList{} << QByteArray() << QByteArray();
    QTest::newRow("escapes") << QStringList{}
                             << QByteArray("\x02"
                                           "0104"
                                           "23"
                                           "\x01\\\xe9\t"
                                           "\x1f\x00\xff\x7f"
                                           "z",
                                           16)
                             << QByteArray(
                                    "+\\x1f.\\x00\xff\\x7f\t%RH\t+\\x01\\x5c.\xe9\\x09\t Deg C\n");
    QTest::newRow("state carried: sign code 7 keeps signs")
        << QStringList{}
        << QByteArray("\x02"
                      "30041202354512x") +
               QByteArray("\x02"
                          "70041202354512x")
        << QByteArray("-45.12\t%RH\t-023.5\t\n-45.12\t%RH\t-023.5\t\n");
    QTest::newRow("error lines") << QStringList{}
                                 << QByteArray("\x02"
                                               "00-11202354512x") +
                                        QByteArray("\x02"
                                                   "00049202354512x") +
                                        kExample
                                 << QByteArray("error\tUnit code -1 out of range\n"
                                               "error\tDecimal places 9 out of range\n"
                                               "+45.12\t%RH\t+023.5\t Deg C\n");
}

void TestDecodeTool::decodes()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, output);
    const Result r = runTool(args, input);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, output);
    QCOMPARE(r.err, QByteArray());
}

void TestDecodeTool::readsFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QFile f(dir.filePath(QStringLiteral("packets.bin")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(kExample + kExample);
    f.close();
    const Result r = runTool({QStringLiteral("--single"), f.fileName()}, "ignored stdin........");
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QByteArray("23545.12\t%RH\t+023.5\t Deg C\n").repeated(2));
}

void TestDecodeTool::informs_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("start");
    QTest::newRow("help") << QStringList{"--help"} << QByteArray("Usage: quorvane-decode [");
    QTest::newRow("help wins over a file") << QStringList{"/nonexistent/packets.bin", "--help"}
                                           << QByteArray("Usage: quorvane-decode [");
    QTest::newRow("version") << QStringList{"--version"}
                             << QByteArray("quorvane-decode " QUORVANE_VERSION "\n");
}

// Neither reads standard input: both answer at once with nothing to decode.
void TestDecodeTool::informs()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, start);
    const Result r = runTool(args, kExample);
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.out.startsWith(start), r.out.constData());
    QVERIFY(!r.out.contains("%RH"));
    QCOMPARE(r.err, QByteArray());
}

void TestDecodeTool::badUse_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("unknown option") << QStringList{"--dual"};
    QTest::newRow("short option") << QStringList{"-s"};
    QTest::newRow("missing file") << QStringList{"/nonexistent/quorvane/packets.bin"};
    QTest::newRow("two files") << QStringList{"a.bin", "b.bin"};
    QTest::newRow("directory") << QStringList{"/"};
    QTest::newRow("after --, an option is a file name") << QStringList{"--", "--version"};
}

void TestDecodeTool::badUse()
{
    QFETCH(QStringList, args);
    const Result r = runTool(args, kExample);
    QCOMPARE(r.exitCode, 2);
    QCOMPARE(r.out, QByteArray());
    QVERIFY(!r.err.isEmpty());
}

QTEST_GUILESS_MAIN(TestDecodeTool)
#include "test_decode_tool.moc"
