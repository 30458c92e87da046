// Line settings text and the command-line port mapping.

#include <QTest>

#include "port_map.h"
#include "runtime_error.h"
#include "serial_control.h"

namespace {
// What "Com Port 1" to "Com Port 4" mean without --port.
#ifdef Q_OS_WIN
const QStringList kDefaultDevices{"COM1", "COM2", "COM3", "COM4"};
#else
const QStringList kDefaultDevices{"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyS2", "/dev/ttyS3"};
#endif
} // namespace

class TestPlatformSerial : public QObject
{
    Q_OBJECT
  private slots:
    void lineSettings_data();
    void lineSettings();
    void badLineSettings_data();
    void badLineSettings();
    void portArguments_data();
    void portArguments();
    void badPortArguments_data();
    void badPortArguments();
    void portNumbersOutsideOneToFour();
};

void TestPlatformSerial::lineSettings_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("baud");
    QTest::addColumn<char>("parity");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<int>("stopTenths");
    QTest::newRow("the meter's line") << "9600,N,8,1" << 9600 << 'N' << 8 << 10;
    QTest::newRow("lower-case parity") << "9600,n,8,1" << 9600 << 'N' << 8 << 10;
    QTest::newRow("blanks around fields") << " 19200 , E , 7 , 2 " << 19200 << 'E' << 7 << 20;
    QTest::newRow("odd, 5 bits, 1.5 stop") << "1200,O,5,1.5" << 1200 << 'O' << 5 << 15;
    QTest::newRow("mark") << "4800,M,8,1" << 4800 << 'M' << 8 << 10;
    QTest::newRow("space, 6 bits") << "2400,s,6,2" << 2400 << 'S' << 6 << 20;
}

void TestPlatformSerial::lineSettings()
{
    QFETCH(QString, text);
    QFETCH(int, baud);
    QFETCH(char, parity);
    QFETCH(int, dataBits);
    QFETCH(int, stopTenths);
    const LineSettings s = LineSettings::parse(text);
    QCOMPARE(s.baud, baud);
    QCOMPARE(s.parity, parity);
    QCOMPARE(s.dataBits, dataBits);
    QCOMPARE(s.stopBits, stopTenths);
}

void TestPlatformSerial::badLineSettings_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "";
    QTest::newRow("baud only") << "9600";
    QTest::newRow("three fields") << "9600,N,8";
    QTest::newRow("five fields") << "9600,N,8,1,1";
    QTest::newRow("baud not a number") << "fast,N,8,1";
    QTest::newRow("baud with a fraction") << "9600.5,N,8,1";
    QTest::newRow("baud zero") << "0,N,8,1";
    QTest::newRow("baud negative") << "-9600,N,8,1";
    QTest::newRow("unknown parity") << "9600,X,8,1";
    QTest::newRow("parity two letters") << "9600,NO,8,1";
    QTest::newRow("parity missing") << "9600,,8,1";
    QTest::newRow("9 data bits") << "9600,N,9,1";
    QTest::newRow("4 data bits") << "9600,N,4,1";
    QTest::newRow("3 stop bits") << "9600,N,8,3";
    QTest::newRow("stop bits 1.0") << "9600,N,8,1.0";
    QTest::newRow("semicolons") << "9600;N;8;1";
}

void TestPlatformSerial::badLineSettings()
{
    QFETCH(QString, text);
    try {
        LineSettings::parse(text);
        QFAIL("accepted");
    } catch (const RuntimeError& e) {
        // The description names what was wrong so the user can see it.
        QVERIFY2(e.description().contains(QLatin1Char('"') + text + QLatin1Char('"')),
                 qPrintable(e.description()));
    }
}

void TestPlatformSerial::portArguments_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("rest");
    QTest::addColumn<QStringList>("devices"); // Com Port 1 to 4; "" keeps the default
    QTest::newRow("nothing") << QStringList{} << QStringList{} << QStringList{"", "", "", ""};
    QTest::newRow("separate value") << QStringList{"--port", "1=/dev/ttyUSB0"} << QStringList{}
                                    << QStringList{"/dev/ttyUSB0", "", "", ""};
    QTest::newRow("joined value") << QStringList{"--port=2=/dev/ttyACM0"} << QStringList{}
                                  << QStringList{"", "/dev/ttyACM0", "", ""};
    QTest::newRow("several ports") << QStringList{"--port", "4=/tmp/d", "--port=3=/tmp/c"}
                                   << QStringList{} << QStringList{"", "", "/tmp/c", "/tmp/d"};
    QTest::newRow("the last mapping of a port wins")
        << QStringList{"--port", "1=/tmp/a", "--port", "1=/tmp/b"} << QStringList{}
        << QStringList{"/tmp/b", "", "", ""};
    QTest::newRow("other arguments pass through in order")
        << QStringList{"-x", "--port", "3=/tmp/m", "file", "--portable"}
        << QStringList{"-x", "file", "--portable"} << QStringList{"", "", "/tmp/m", ""};
    QTest::newRow("a path with =") << QStringList{"--port", "4=/tmp/a=b"} << QStringList{}
                                   << QStringList{"", "", "", "/tmp/a=b"};
    QTest::newRow("a relative path")
        << QStringList{"--port", "2=meter"} << QStringList{} << QStringList{"", "meter", "", ""};
}

void TestPlatformSerial::portArguments()
{
    QFETCH(QStringList, args);
    QFETCH(QStringList, rest);
    QFETCH(QStringList, devices);
    PortMap m;
    QCOMPARE(m.applyArguments(args), rest);
    for (int port = 1; port <= 4; ++port) {
        const QString want =
            devices[port - 1].isEmpty() ? kDefaultDevices[port - 1] : devices[port - 1];
        QCOMPARE(m.device(port), want);
    }
}

void TestPlatformSerial::badPortArguments_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("no value") << QStringList{"--port"};
    QTest::newRow("empty joined value") << QStringList{"--port="};
    QTest::newRow("no number") << QStringList{"--port", "/dev/ttyUSB0"};
    QTest::newRow("no device") << QStringList{"--port", "1="};
    QTest::newRow("empty number") << QStringList{"--port", "=/dev/x"};
    QTest::newRow("port 0") << QStringList{"--port", "0=/dev/x"};
    QTest::newRow("port 5") << QStringList{"--port=5=/dev/x"};
    QTest::newRow("negative port") << QStringList{"--port", "-1=/dev/x"};
    QTest::newRow("port not a number") << QStringList{"--port", "one=/dev/x"};
    QTest::newRow("an option as the value") << QStringList{"--port", "--port", "1=/dev/x"};
}

void TestPlatformSerial::badPortArguments()
{
    QFETCH(QStringList, args);
    PortMap m;
    QVERIFY_THROWS_EXCEPTION(RuntimeError, m.applyArguments(args));
}

void TestPlatformSerial::portNumbersOutsideOneToFour()
{
    PortMap m;
    m.setDevice(0, QStringLiteral("/tmp/zero"));
    m.setDevice(5, QStringLiteral("/tmp/five"));
    QVERIFY(m.device(0).isEmpty());
    QVERIFY(m.device(5).isEmpty());
    for (int port = 1; port <= 4; ++port)
        QCOMPARE(m.device(port), kDefaultDevices[port - 1]);
}

QTEST_MAIN(TestPlatformSerial)
#include "test_platform_serial.moc"
