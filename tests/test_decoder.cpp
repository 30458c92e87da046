#include <QLabel>
#include <QRandomGenerator>
#include <QtTest>

#include "data_display.h"
#include "decoder.h"
#include "raw_list_line.h"
#include "runtime_error.h"
#include "test_main_window.h"
#include "texts.h"
#include "unit_table.h"

namespace {

const QChar kStx(2);
const QString kCan4 = QString(QChar(24)).repeated(4);
const QString kEsc4 = QString(QChar(27)).repeated(4);

// sign code, display 2 unit, display 1 unit (two characters), display 2 and display 1 decimal
// places, display 2 digits, display 1 digits; then the unread last character.
QString pk(const QString& sign, const QString& unit2, const QString& unit1, const QString& dp2,
           const QString& dp1, const QString& d2, const QString& d1)
{
    return kStx + sign + unit2 + unit1 + dp2 + dp1 + d2 + d1 + u'x';
}

// The same packet for the 8-digit reading.
QString pk8(const QString& sign, const QString& unit2, const QString& unit1, const QString& dp2,
            const QString& dp1, const QString& d8)
{
    return pk(sign, unit2, unit1, dp2, dp1, d8.left(4), d8.mid(4));
}

const QString kExample = pk("0", "1", "04", "1", "2", "0235", "4512");

// A decoder with its inputs and hooks as the main window wires them, counting hook calls.
struct Decoder
{
    DecoderState st;
    UnitTable units;
    DecoderInputs in;
    DecoderHooks hooks;
    int resets = 0;
    QList<long long> lineCounts; // Rec_Count at each list line
    QList<long long> listedSeen; // Listed_Count at each list line

    explicit Decoder(bool single = false, int saveData = 0, bool recording = false)
    {
        fillUnitTable(units);
        in = DecoderInputs{single, recording, saveData, &units};
        hooks.resetExtremes1 = [this] { ++resets; };
        hooks.addListLine = [this] {
            lineCounts << st.Rec_Count;
            listedSeen << st.Listed_Count;
        };
    }
    Decoder(const Decoder&) = delete;

    void feed(const QString& p) { decodePacket(p, st, in, hooks); }
    // Feeds a packet that must be rejected; returns the description.
    QString reject(const QString& p)
    {
        try {
            feed(p);
        } catch (const RuntimeError& e) {
            return e.description();
        }
        return QString();
    }
};

} // namespace

class TestDecoder : public QObject
{
    Q_OBJECT
  private slots:
    void workedExample_data();
    void workedExample();
    void signs_data();
    void signs();
    void firstPacketWithoutSigns();
    void unitCodes_data();
    void unitCodes();
    void display2Units_data();
    void display2Units();
    void uvUnits_data();
    void uvUnits();
    void uvResets_data();
    void uvResets();
    void lightUnits_data();
    void lightUnits();
    void lightCaptionMended_data();
    void lightCaptionMended();
    void lightCaptionStaysBounded();
    void digitTexts_data();
    void digitTexts();
    void singleDisplay_data();
    void singleDisplay();
    void singleMatchesSharedNumberText();
    void signCode4Pairs_data();
    void signCode4Pairs();
    void errorPattern_data();
    void errorPattern();
    void endOfData();
    void rejected_data();
    void rejected();
    void rejectedUvPacketStillResets();
    void listLines_data();
    void listLines();
    void everyByteAnywhere();
    void rawListLine_data();
    void rawListLine();
    void throughMainWindow();
    void mainWindowLightSource();
};

void TestDecoder::workedExample_data()
{
    QTest::addColumn<bool>("single");
    QTest::addColumn<QString>("d1v");
    QTest::addColumn<QString>("d1u");
    QTest::addColumn<QString>("d2v");
    QTest::addColumn<QString>("d2u");
    QTest::newRow("dual") << false << "+45.12"
                          << "%RH"
                          << "+023.5"
                          << " Deg C";
    QTest::newRow("single") << true << "23545.12"
                            << "%RH"
                            << "+023.5"
                            << " Deg C";
}

void TestDecoder::workedExample()
{
    QFETCH(bool, single);
    Decoder d(single);
    d.feed(kExample);
    QFETCH(QString, d1v);
    QFETCH(QString, d1u);
    QFETCH(QString, d2v);
    QFETCH(QString, d2u);
    QCOMPARE(d.st.Disp1_Value, d1v);
    QCOMPARE(d.st.Disp1_Unit, d1u);
    QCOMPARE(d.st.Disp2_Value, d2v);
    QCOMPARE(d.st.Disp2_Unit, d2u);
    QCOMPARE(d.st.Sig_Unit1, 4.0);
    QCOMPARE(d.st.Sig_Dp2, 1.0);
    QCOMPARE(d.st.Sig_Dp1, 2.0);
    QCOMPARE(d.st.Sig_Digits2, QStringLiteral("0235"));
    QCOMPARE(d.st.Sig_Digits1, QStringLiteral("4512"));
    QCOMPARE(d.st.Sig_Digits8, QStringLiteral("02354512"));
    QCOMPARE(d.st.Download_End, 0);
}

void TestDecoder::signs_data()
{
    QTest::addColumn<QString>("before"); // sign code of the packet before
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("d1v");
    QTest::addColumn<QString>("d2v");
    QTest::newRow("0") << "3"
                       << "0"
                       << "+12.34"
                       << "+5.678";
    QTest::newRow("1") << "0"
                       << "1"
                       << "-12.34"
                       << "+5.678";
    QTest::newRow("2") << "0"
                       << "2"
                       << "+12.34"
                       << "-5.678";
    QTest::newRow("3") << "0"
                       << "3"
                       << "-12.34"
                       << "-5.678";
    QTest::newRow("7 after 3") << "3"
                               << "7"
                               << "-12.34"
                               << "-5.678";
    QTest::newRow("7 after 1") << "1"
                               << "7"
                               << "-12.34"
                               << "+5.678";
    QTest::newRow("7 after 2") << "2"
                               << "7"
                               << "+12.34"
                               << "-5.678";
    QTest::newRow("5 after 2") << "2"
                               << "5"
                               << "+12.34"
                               << "-5.678";
    QTest::newRow("9 after 1") << "1"
                               << "9"
                               << "-12.34"
                               << "+5.678";
    // Not a digit: its value is 0.
    QTest::newRow("? is 0") << "3"
                            << "?"
                            << "+12.34"
                            << "+5.678";
    QTest::newRow("blank is 0") << "3"
                                << " "
                                << "+12.34"
                                << "+5.678";
}

void TestDecoder::signs()
{
    QFETCH(QString, before);
    QFETCH(QString, code);
    QFETCH(QString, d1v);
    QFETCH(QString, d2v);
    Decoder d;
    d.feed(pk(before, "0", "04", "3", "2", "9999", "9999"));
    d.feed(pk(code, "0", "04", "3", "2", "5678", "1234"));
    QCOMPARE(d.st.Disp1_Value, d1v);
    QCOMPARE(d.st.Disp2_Value, d2v);
    QCOMPARE(d.st.Sign1, d1v.left(1));
    QCOMPARE(d.st.Sign2, d2v.left(1));
}

void TestDecoder::firstPacketWithoutSigns()
{
    Decoder d;
    d.feed(pk("7", "0", "04", "1", "2", "0235", "4512"));
    QCOMPARE(d.st.Disp1_Value, QStringLiteral("45.12"));
    QCOMPARE(d.st.Disp2_Value, QStringLiteral("023.5"));
}

void TestDecoder::unitCodes_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<double>("value");
    QTest::newRow("01") << "01"
                        << "Deg C" << 1.0;
    QTest::newRow("04") << "04"
                        << "%RH" << 4.0;
    QTest::newRow("14") << "14"
                        << "mS" << 14.0;
    QTest::newRow("17") << "17"
                        << "dB" << 17.0;
    QTest::newRow("26") << "26"
                        << "Atmosphere" << 26.0;
    QTest::newRow("77") << "77"
                        << "Kg/cm^2" << 77.0;
    QTest::newRow("86") << "86"
                        << "mbar" << 86.0;
    QTest::newRow("20 unfilled") << "20"
                                 << "" << 20.0;
    QTest::newRow("21 unfilled") << "21"
                                 << "" << 21.0;
    QTest::newRow("99 unfilled") << "99"
                                 << "" << 99.0;
    QTest::newRow("blank 4") << " 4"
                             << "%RH" << 4.0;
    QTest::newRow("4 blank") << "4 "
                             << "%RH" << 4.0;
    QTest::newRow("1 then ?") << "1?"
                              << "Deg C" << 1.0;
    QTest::newRow("2 point") << "2."
                             << "Deg F" << 2.0;
    QTest::newRow("plus 6") << "+6"
                            << "%O2" << 6.0;
    // Half a unit code rounds to table entry 0, which is empty; it is not the uW code.
    QTest::newRow(".5") << ".5"
                        << "" << 0.5;
    QTest::newRow("? then 1 is 0") << "?1"
                                   << "uW/cm2" << 0.0;
    QTest::newRow("blanks are 0") << "  "
                                  << "uW/cm2" << 0.0;
    QTest::newRow("minus zero") << "-0"
                                << "uW/cm2" << 0.0;
    QTest::newRow("minus alone") << "- "
                                 << "uW/cm2" << 0.0;
}

void TestDecoder::unitCodes()
{
    QFETCH(QString, code);
    QFETCH(QString, unit);
    QFETCH(double, value);
    Decoder d;
    d.feed(pk("0", "0", code, "1", "1", "0000", "0000"));
    QCOMPARE(d.st.Disp1_Unit, unit);
    QCOMPARE(d.st.Sig_Unit1, value);
}

void TestDecoder::display2Units_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("unit");
    QTest::newRow("0") << "0"
                       << "";
    QTest::newRow("1") << "1"
                       << " Deg C";
    QTest::newRow("2") << "2"
                       << " Deg F";
    QTest::newRow("3") << "3"
                       << "";
    QTest::newRow("9") << "9"
                       << "";
    QTest::newRow("?") << "?"
                       << "";
}

void TestDecoder::display2Units()
{
    QFETCH(QString, code);
    QFETCH(QString, unit);
    Decoder d;
    d.feed(pk("0", "1", "04", "1", "1", "0000", "0000")); // a unit that must not linger
    d.feed(pk("0", code, "04", "1", "1", "0000", "0000"));
    QCOMPARE(d.st.Disp2_Unit, unit);
}

void TestDecoder::uvUnits_data()
{
    QTest::addColumn<QString>("dp1");
    QTest::addColumn<QString>("d2");
    QTest::addColumn<QString>("d1");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("d1v");
    QTest::newRow("0 places") << "0"
                              << "0000"
                              << "1234"
                              << "uW/cm2"
                              << "+1234.";
    QTest::newRow("1 place") << "1"
                             << "0000"
                             << "1234"
                             << "uW/cm2"
                             << "+123.4";
    QTest::newRow("2 places") << "2"
                              << "0000"
                              << "1234"
                              << "mW/cm2"
                              << "+12.34";
    QTest::newRow("3 places") << "3"
                              << "0000"
                              << "1234"
                              << "mW/cm2"
                              << "+1.234";
    QTest::newRow("vib") << "1"
                         << "????"
                         << "1234"
                         << "Vib"
                         << "+123.4";
    QTest::newRow("vib over mW") << "3"
                                 << "????"
                                 << "1234"
                                 << "Vib"
                                 << "+1.234";
    QTest::newRow("three ? no vib") << "1"
                                    << "???0"
                                    << "1234"
                                    << "uW/cm2"
                                    << "+123.4";
    QTest::newRow("?123") << "3"
                          << "0000"
                          << "?123"
                          << "mW/cm2"
                          << "+0.123";
    QTest::newRow("?? keeps second") << "1"
                                     << "0000"
                                     << "??23"
                                     << "uW/cm2"
                                     << "+0?2.3";
    QTest::newRow("1?23 unchanged") << "1"
                                    << "0000"
                                    << "1?23"
                                    << "uW/cm2"
                                    << "+1?2.3";
}

void TestDecoder::uvUnits()
{
    QFETCH(QString, dp1);
    QFETCH(QString, d2);
    QFETCH(QString, d1);
    QFETCH(QString, unit);
    QFETCH(QString, d1v);
    Decoder d;
    d.feed(pk("0", "0", "00", "0", dp1, d2, d1));
    QCOMPARE(d.st.Disp1_Unit, unit);
    QCOMPARE(d.st.Disp1_Value, d1v);
    QCOMPARE(d.st.Uv_Last_Dp, dp1.toDouble());
}

void TestDecoder::uvResets_data()
{
    // Each packet as unit code and display 1 decimal places; resets counted after each one.
    QTest::addColumn<QStringList>("packets");
    QTest::addColumn<QList<int>>("resets");
    QTest::newRow("1,1,2") << QStringList{"00/1", "00/1", "00/2"} << QList<int>{1, 1, 2};
    QTest::newRow("first with 0") << QStringList{"00/0", "00/0"} << QList<int>{0, 0};
    QTest::newRow("0,1,1,0") << QStringList{"00/0", "00/1", "00/1", "00/0"}
                             << QList<int>{0, 1, 1, 2};
    QTest::newRow("other codes between")
        << QStringList{"00/1", "04/2", "15/3", "00/1"} << QList<int>{1, 1, 1, 1};
    QTest::newRow("other codes never") << QStringList{"04/2", "01/3"} << QList<int>{0, 0};
}

void TestDecoder::uvResets()
{
    QFETCH(QStringList, packets);
    QFETCH(QList<int>, resets);
    Decoder d;
    for (int i = 0; i < packets.size(); ++i) {
        const QStringList f = packets[i].split(u'/');
        d.feed(pk("0", "0", f[0], "0", f[1], "0000", "1234"));
        QCOMPARE(d.resets, resets[i]);
    }
}

void TestDecoder::lightUnits_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("dp1");
    QTest::addColumn<QString>("d2");
    QTest::addColumn<QString>("unit");
    const struct
    {
        char source;
        const char* letter;
    } sources[] = {{'8', "L"}, {'9', "F"}, {'1', "S"}, {'4', "C"}, {'0', "L"}};
    const struct
    {
        const char* code;
        const char* dp1;
        const char* range;
        const char* text;
    } ranges[] = {
        {"15", "0", "??", " 2K LUX"}, {"15", "1", "?0", " 20K LUX"}, {"15", "2", "00", " 50K LUX"},
        {"16", "1", "??", " 200 fc"}, {"16", "0", "??", " 2K fc"},   {"16", "3", "?0", " 5K fc"},
        {"16", "2", "??", ""},        {"16", "0", "00", ""},         {"15", "0", "12", ""},
        {"15", "0", "0?", ""},
    };
    for (const auto& s : sources)
        for (const auto& r : ranges)
            QTest::addRow("%s %c %s dp%s", r.code, s.source, r.range, r.dp1)
                << r.code << r.dp1 << (QChar(s.source) + QStringLiteral("x") + r.range)
                << (QString::fromLatin1(s.letter) + r.text);
}

void TestDecoder::lightUnits()
{
    QFETCH(QString, code);
    QFETCH(QString, dp1);
    QFETCH(QString, d2);
    QFETCH(QString, unit);
    Decoder d;
    d.feed(pk("2", "0", code, "2", dp1, d2, "1234"));
    QCOMPARE(d.st.Disp1_Unit, unit);
    QCOMPARE(d.st.lightCaption(), unit);
    // Display 2 is blanked to its sign and point.
    QCOMPARE(d.st.Sig_Digits2, QString());
    QCOMPARE(d.st.Disp2_Value, QStringLiteral("-."));
}

void TestDecoder::lightCaptionMended_data()
{
    // Light-meter packets as unit code and display 2 digits (display 1 places 0), with the unit
    // after each.
    QTest::addColumn<QStringList>("packets");
    QTest::addColumn<QStringList>("units");
    QTest::newRow("unknown source keeps the letter, range replaced")
        << QStringList{"15 8x??", "15 7x?0", "15 7x00"}
        << QStringList{"L 2K LUX", "L 20K LUX", "L 50K LUX"};
    QTest::newRow("no range keeps the range") << QStringList{"15 9x?0", "15 7x12", "16 7x12"}
                                              << QStringList{"F 20K LUX", "F 20K LUX", "F 20K LUX"};
    QTest::newRow("known source clears the range")
        << QStringList{"15 8x??", "15 1x12", "16 4x?0"} << QStringList{"L 2K LUX", "S", "C 5K fc"};
    QTest::newRow("no letter before a known source")
        << QStringList{"15 7x??", "15 7x12", "15 0x12"} << QStringList{" 2K LUX", " 2K LUX", "L"};
    QTest::newRow("nothing known yet") << QStringList{"16 ax12"} << QStringList{""};
    QTest::newRow("other codes leave it") << QStringList{"15 8x??", "04 7x?0", "16 7x12"}
                                          << QStringList{"L 2K LUX", "%RH", "L 2K LUX"};
}

void TestDecoder::lightCaptionMended()
{
    QFETCH(QStringList, packets);
    QFETCH(QStringList, units);
    Decoder d;
    for (int i = 0; i < packets.size(); ++i) {
        const QStringList f = packets[i].split(u' ');
        d.feed(pk("0", "0", f[0], "0", "0", f[1], "1234"));
        QCOMPARE(d.st.Disp1_Unit, units[i]);
    }
}

void TestDecoder::lightCaptionStaysBounded()
{
    Decoder d;
    d.feed(pk("0", "0", "15", "0", "0", "8x??", "1234"));
    for (int i = 0; i < 1000; ++i) {
        d.feed(pk("0", "0", "15", "0", "0", "7x??", "1234"));
        d.feed(pk("0", "0", "16", "0", "0", "7x?0", "1234"));
    }
    QCOMPARE(d.st.Disp1_Unit, QStringLiteral("L 5K fc"));
}

void TestDecoder::digitTexts_data()
{
    QTest::addColumn<QString>("dp2");
    QTest::addColumn<QString>("dp1");
    QTest::addColumn<QString>("d2");
    QTest::addColumn<QString>("d1");
    QTest::addColumn<QString>("d1v");
    QTest::addColumn<QString>("d2v");
    QTest::newRow("0 places ends with point") << "0"
                                              << "0"
                                              << "1234"
                                              << "1234"
                                              << "+1234."
                                              << "+1234.";
    QTest::newRow("4 places") << "4"
                              << "4"
                              << "1234"
                              << "0012"
                              << "+.0012"
                              << "+.1234";
    QTest::newRow("over range") << "2"
                                << "1"
                                << "????"
                                << "?1?3"
                                << "+?1?.3"
                                << "+??.??";
    QTest::newRow("blanks") << "1"
                            << "2"
                            << "  12"
                            << " 1 2"
                            << "+ 1. 2"
                            << "+  1.2";
    QTest::newRow("control characters")
        << "3"
        << "2" << QString(QChar(1)) + QChar(0x7f) + QChar(0xff) + u'\\'
        << QStringLiteral("\t\r\n") + QChar(0) << QStringLiteral("+\t\r.\n") + QChar(0)
        << QStringLiteral("+") + QChar(1) + u'.' + QChar(0x7f) + QChar(0xff) + u'\\';
}

void TestDecoder::digitTexts()
{
    QFETCH(QString, dp2);
    QFETCH(QString, dp1);
    QFETCH(QString, d2);
    QFETCH(QString, d1);
    QFETCH(QString, d1v);
    QFETCH(QString, d2v);
    Decoder d;
    d.feed(pk("0", "0", "04", dp2, dp1, d2, d1));
    QCOMPARE(d.st.Disp1_Value, d1v);
    QCOMPARE(d.st.Disp2_Value, d2v);
}

void TestDecoder::singleDisplay_data()
{
    QTest::addColumn<QString>("sign");
    QTest::addColumn<QString>("dp2");
    QTest::addColumn<QString>("dp1");
    QTest::addColumn<QString>("d8");
    QTest::addColumn<QString>("d1v");
    QTest::addColumn<QString>("digits8"); // as left for the next steps
    QTest::newRow("example") << "0"
                             << "1"
                             << "2"
                             << "02354512"
                             << "23545.12"
                             << "02354512";
    QTest::newRow("equal places") << "0"
                                  << "2"
                                  << "2"
                                  << "12345678"
                                  << "56.78"
                                  << "00005678";
    QTest::newRow("????") << "0"
                          << "1"
                          << "2"
                          << "????5678"
                          << "56.78"
                          << "00005678";
    QTest::newRow("x???") << "0"
                          << "1"
                          << "2"
                          << "1???5678"
                          << "56.78"
                          << "00005678";
    QTest::newRow("?x?? kept") << "0"
                               << "1"
                               << "2"
                               << "?1??5678"
                               << "0"
                               << "?1??5678";
    QTest::newRow("negative below 1") << "1"
                                      << "0"
                                      << "2"
                                      << "00000005"
                                      << "-.05"
                                      << "00000005";
    QTest::newRow("negative zero") << "1"
                                   << "0"
                                   << "3"
                                   << "00000000"
                                   << "0"
                                   << "00000000";
    QTest::newRow("display 2 sign ignored") << "2"
                                            << "0"
                                            << "1"
                                            << "00012340"
                                            << "1234"
                                            << "00012340";
    QTest::newRow("0 places") << "0"
                              << "1"
                              << "0"
                              << "12345678"
                              << "12345678"
                              << "12345678";
    QTest::newRow("4 places") << "0"
                              << "0"
                              << "4"
                              << "12345678"
                              << "1234.5678"
                              << "12345678";
    QTest::newRow("trailing zeros") << "0"
                                    << "1"
                                    << "4"
                                    << "00120000"
                                    << "12"
                                    << "00120000";
    QTest::newRow("blanks skipped") << "0"
                                    << "1"
                                    << "0"
                                    << "1 2 3 4 "
                                    << "1234"
                                    << "1 2 3 4 ";
    QTest::newRow("stops at other") << "0"
                                    << "1"
                                    << "2"
                                    << "12a45678"
                                    << "12"
                                    << "12a45678";
}

void TestDecoder::singleDisplay()
{
    QFETCH(QString, sign);
    QFETCH(QString, dp2);
    QFETCH(QString, dp1);
    QFETCH(QString, d8);
    QFETCH(QString, d1v);
    QFETCH(QString, digits8);
    Decoder d(true);
    d.feed(pk8(sign, "0", "04", dp2, dp1, d8));
    QCOMPARE(d.st.Disp1_Value, d1v);
    QCOMPARE(d.st.Sig_Digits8, digits8);
    QCOMPARE(d.st.Disp1_Unit, QStringLiteral("%RH"));
}

// The 8-digit reading's text must be what the shared number helpers give for the same text.
void TestDecoder::singleMatchesSharedNumberText()
{
    const QString alphabet = QStringLiteral("0123456789999000 .?-+");
    QRandomGenerator rng(20261208);
    Decoder d(true);
    for (int i = 0; i < 20000; ++i) {
        QString d8;
        for (int k = 0; k < 8; ++k)
            d8 += alphabet[rng.bounded(int(alphabet.size()))];
        const int sign = rng.bounded(4);
        const int dp1 = rng.bounded(5);
        const int dp2 = rng.bounded(5);
        d.feed(
            pk8(QString::number(sign), "0", "04", QString::number(dp2), QString::number(dp1), d8));
        const QString s = d.st.Sig_Digits8;
        const QString text = d.st.Sign1 + s.left(8 - dp1) + u'.' + s.right(dp1);
        const QString want = texts::shortestNumber(texts::leadingNumber(text));
        if (d.st.Disp1_Value != want)
            QFAIL(qPrintable(QStringLiteral("%1: %2, want %3").arg(text, d.st.Disp1_Value, want)));
    }
}

void TestDecoder::signCode4Pairs_data()
{
    // Packets: "1" is display 1's reading (45.12 %RH), "2" display 2's (23.5, unit code 01),
    // "1b" another reading for display 1 (7 in unit code 06).
    QTest::addColumn<bool>("single");
    QTest::addColumn<QStringList>("order");
    QTest::addColumn<QStringList>("d1v");
    QTest::addColumn<QStringList>("d1u");
    QTest::addColumn<QStringList>("d2v");
    QTest::addColumn<QStringList>("d2u");
    for (bool single : {false, true}) {
        const char* mode = single ? "single" : "dual";
        QTest::addRow("%s 1,2,1b", mode)
            << single << QStringList{"1", "2", "1b"} << QStringList{"-45.12", "-45.12", "-7"}
            << QStringList{"%RH", "%RH", "%O2"} << QStringList{"", "-23.5", "-23.5"}
            << QStringList{"", "Deg C", "Deg C"};
        QTest::addRow("%s 2,1,2", mode)
            << single << QStringList{"2", "1", "2"} << QStringList{"", "-45.12", "-45.12"}
            << QStringList{"", "%RH", "%RH"} << QStringList{"-23.5", "-23.5", "-23.5"}
            << QStringList{"Deg C", "Deg C", "Deg C"};
    }
}

void TestDecoder::signCode4Pairs()
{
    QFETCH(bool, single);
    QFETCH(QStringList, order);
    QFETCH(QStringList, d1v);
    QFETCH(QStringList, d1u);
    QFETCH(QStringList, d2v);
    QFETCH(QStringList, d2u);
    const QHash<QString, QString> packets{
        {"1", pk8("4", "1", "04", "0", "2", "00004512")},
        {"2", pk8("4", "2", "01", "0", "1", "00000235")},
        {"1b", pk8("4", "1", "06", "0", "0", "00000007")},
    };
    Decoder d(single);
    d.feed(pk("3", "0", "04", "0", "0", "0000", "0000")); // the signs these packets keep
    for (int i = 0; i < order.size(); ++i) {
        d.feed(packets[order[i]]);
        QCOMPARE(d.st.Disp1_Value, d1v[i]);
        QCOMPARE(d.st.Disp1_Unit, d1u[i]);
        QCOMPARE(d.st.Disp2_Value, d2v[i]);
        QCOMPARE(d.st.Disp2_Unit, d2u[i]);
    }
}

void TestDecoder::errorPattern_data()
{
    QTest::addColumn<bool>("single");
    QTest::addColumn<QString>("d2");
    QTest::addColumn<QString>("d1");
    QTest::addColumn<bool>("error");
    const QChar can(24);
    for (bool single : {false, true}) {
        const char* m = single ? "single" : "dual";
        QTest::addRow("%s pattern", m) << single << QStringLiteral("000") + can << kCan4 << true;
        QTest::addRow("%s display 2 all zero", m) << single << "0000" << kCan4 << false;
        QTest::addRow("%s display 2 0010", m)
            << single << QStringLiteral("001") + can << kCan4 << false;
        QTest::addRow("%s three codes", m)
            << single << QStringLiteral("000") + can << kCan4.left(3) + u'0' << false;
    }
}

void TestDecoder::errorPattern()
{
    QFETCH(bool, single);
    QFETCH(QString, d2);
    QFETCH(QString, d1);
    QFETCH(bool, error);
    Decoder d(single);
    d.feed(pk("0", "0", "04", "0", "0", d2, d1));
    QCOMPARE(d.st.Disp1_Value == QLatin1String("ERROR"), error);
    QCOMPARE(d.st.Sig_Digits1 == QLatin1String("ERROR"), error);
}

void TestDecoder::endOfData()
{
    Decoder d;
    d.feed(pk("1", "0", "00", "0", "0", kEsc4, "0000")); // sign code 1: not the marker
    QCOMPARE(d.st.Download_End, 0);
    d.feed(pk("0", "0", "00", "0", "1", kEsc4, "0000")); // places 1: not the marker
    QCOMPARE(d.st.Download_End, 0);
    d.feed(pk("0", "0", "00", "0", "0", kEsc4.left(3) + u'0', "0000"));
    QCOMPARE(d.st.Download_End, 0);
    d.feed(pk("0", "0", "00", "0", "0", kEsc4, "0000"));
    QCOMPARE(d.st.Download_End, 1);
    // Decoded and listed like any packet.
    QCOMPARE(d.st.Disp1_Value, QStringLiteral("+0000."));
    QCOMPARE(d.st.Disp1_Unit, QStringLiteral("uW/cm2"));
    QCOMPARE(d.lineCounts.size(), 4);
    // Only the download lowers it again.
    d.feed(kExample);
    QCOMPARE(d.st.Download_End, 1);
}

void TestDecoder::rejected_data()
{
    // After the example packet, a rejected one; what it leaves behind.
    QTest::addColumn<QString>("packet");
    QTest::addColumn<QString>("d1v");
    QTest::addColumn<QString>("d1u");
    QTest::addColumn<QString>("d2v");
    QTest::addColumn<QString>("d2u");
    QTest::addColumn<QString>("sign1");
    QTest::addColumn<QString>("digits1");
    QTest::addColumn<double>("unit1");
    QTest::newRow("negative unit code") << pk("3", "2", "-1", "1", "1", "1111", "2222") << "+45.12"
                                        << ""
                                        << "+023.5"
                                        << " Deg F"
                                        << "-"
                                        << "2222" << -1.0;
    QTest::newRow("negative unit code -9")
        << pk("1", "0", "-9", "1", "1", "1111", "2222") << "+45.12"
        << ""
        << "+023.5"
        << ""
        << "-"
        << "2222" << -9.0;
    QTest::newRow("display 1 places 9") << pk("1", "0", "06", "1", "9", "1111", "2222") << "+45.12"
                                        << "%O2"
                                        << "+023.5"
                                        << ""
                                        << "-"
                                        << "2222" << 6.0;
    QTest::newRow("display 1 places 5") << pk("1", "0", "06", "1", "5", "1111", "2222") << "+45.12"
                                        << "%O2"
                                        << "+023.5"
                                        << ""
                                        << "-"
                                        << "2222" << 6.0;
    QTest::newRow("display 2 places 7") << pk("1", "2", "06", "7", "1", "1111", "2222") << "-222.2"
                                        << "%O2"
                                        << "+023.5"
                                        << " Deg F"
                                        << "-"
                                        << "2222" << 6.0;
    QTest::newRow("light packet display 2 places 5")
        << pk("1", "0", "15", "5", "0", "8x??", "2222") << "-2222."
        << "L 2K LUX"
        << "+023.5"
        << ""
        << "-"
        << "2222" << 15.0;
    QTest::newRow("10 characters") << (kStx + QStringLiteral("310612345")) << "+45.12"
                                   << ""
                                   << "+023.5"
                                   << ""
                                   << "+"
                                   << "" << 6.0;
    QTest::newRow("7 characters") << (kStx + QStringLiteral("310612")) << "+45.12"
                                  << ""
                                  << "+023.5"
                                  << ""
                                  << "+"
                                  << "" << 6.0;
    QTest::newRow("empty") << QString() << "+45.12"
                           << ""
                           << "+023.5"
                           << ""
                           << "+"
                           << "" << 0.0;
}

void TestDecoder::rejected()
{
    QFETCH(QString, packet);
    QFETCH(QString, d1v);
    QFETCH(QString, d1u);
    QFETCH(QString, d2v);
    QFETCH(QString, d2u);
    QFETCH(QString, sign1);
    QFETCH(QString, digits1);
    QFETCH(double, unit1);
    Decoder d;
    d.feed(kExample);
    QCOMPARE(d.lineCounts.size(), 1);
    QVERIFY(!d.reject(packet).isEmpty());
    QCOMPARE(d.st.Disp1_Value, d1v);
    QCOMPARE(d.st.Disp1_Unit, d1u);
    QCOMPARE(d.st.Disp2_Value, d2v);
    QCOMPARE(d.st.Disp2_Unit, d2u);
    QCOMPARE(d.st.Sign1, sign1);
    QCOMPARE(d.st.Sig_Digits1, digits1);
    QCOMPARE(d.st.Sig_Unit1, unit1);
    QCOMPARE(d.st.Rec_Count, 2);      // counted before the failing step
    QCOMPARE(d.lineCounts.size(), 1); // but never listed
    QCOMPARE(d.st.Listed_Count, 1);
    // The next packet decodes normally.
    d.feed(kExample);
    QCOMPARE(d.st.Disp1_Value, QStringLiteral("+45.12"));
    QCOMPARE(d.lineCounts, (QList<long long>{1, 3}));
}

void TestDecoder::rejectedUvPacketStillResets()
{
    Decoder d;
    QVERIFY(!d.reject(pk("0", "0", "00", "0", "9", "0000", "1234")).isEmpty());
    QCOMPARE(d.resets, 1);
    QCOMPARE(d.st.Uv_Last_Dp, 9.0);
    QCOMPARE(d.st.Disp1_Unit, QStringLiteral("mW/cm2"));
    d.feed(pk("0", "0", "00", "0", "1", "0000", "1234"));
    QCOMPARE(d.resets, 2);
}

void TestDecoder::listLines_data()
{
    // Packets: "n" a normal one, "1"/"2" sign-code-4 packets for display 1/2.
    QTest::addColumn<int>("saveData");
    QTest::addColumn<bool>("recording");
    QTest::addColumn<QString>("packets");
    QTest::addColumn<QList<long long>>("lines");  // Rec_Count at each line
    QTest::addColumn<QList<long long>>("listed"); // Listed_Count each line saw
    QTest::addColumn<long long>("count");
    using L = QList<long long>;
    QTest::newRow("no saving") << 0 << false << "nnn" << L{1, 2, 3} << L{0, 1, 2} << 3LL;
    QTest::newRow("no saving, St checked") << 0 << true << "nnn" << L{1, 2, 3} << L{0, 1, 2} << 3LL;
    QTest::newRow("no saving, pairs")
        << 0 << false << "1212" << L{0, 1, 1, 2} << L{0, 0, 1, 1} << 2LL;
    QTest::newRow("saving, idle") << 1 << false << "nnn" << L{1, 2, 3} << L{0, 1, 2} << 3LL;
    QTest::newRow("saving, idle, pairs") << 1 << false << "1212" << L{1, 2} << L{0, 1} << 2LL;
    QTest::newRow("saving, idle, display 2 first")
        << 1 << false << "2121" << L{1, 2} << L{0, 1} << 2LL;
    QTest::newRow("saving, recording") << 1 << true << "nn12" << L{} << L{} << 0LL;
}

void TestDecoder::listLines()
{
    QFETCH(int, saveData);
    QFETCH(bool, recording);
    QFETCH(QString, packets);
    QFETCH(QList<long long>, lines);
    QFETCH(QList<long long>, listed);
    QFETCH(long long, count);
    Decoder d(false, saveData, recording);
    for (QChar c : packets) {
        if (c == u'n')
            d.feed(kExample);
        else
            d.feed(pk8("4", QString(c), "04", "0", "2", "00004512"));
    }
    QCOMPARE(d.lineCounts, lines);
    QCOMPARE(d.listedSeen, listed);
    QCOMPARE(d.st.Rec_Count, count);
    QCOMPARE(d.st.Listed_Count, lines.isEmpty() ? 0 : lines.last());
}

// Every byte value in every position, after every kind of packet: only the one error type, and
// texts no longer than the meter can show.
void TestDecoder::everyByteAnywhere()
{
    const QString bases[] = {kExample, pk("0", "0", "00", "1", "1", "????", "?123"),
                             pk("4", "1", "15", "0", "1", "8x??", "1234"),
                             pk("4", "2", "16", "0", "0", "7x?0", "1234"), kStx + kCan4};
    for (bool single : {false, true}) {
        Decoder d(single);
        for (const QString& base : bases) {
            for (int at = 0; at < 16; ++at) {
                for (int b = 0; b < 256; ++b) {
                    QString p = base.leftJustified(16, u'0');
                    p[at] = QChar(b);
                    d.reject(p);
                    QVERIFY(d.st.Disp1_Value.size() <= 10);
                    QVERIFY(d.st.Disp2_Value.size() <= 10);
                    QVERIFY(d.st.Disp1_Unit.size() <= 10);
                    QVERIFY(d.st.Disp2_Unit.size() <= 10);
                }
            }
        }
    }
}

void TestDecoder::rawListLine_data()
{
    QTest::addColumn<long long>("count");
    QTest::addColumn<bool>("single");
    QTest::addColumn<QString>("line");
    const QString t = QStringLiteral("12:03:04,01-02-2026");
    QTest::newRow("dual") << 5LL << false << " 5,+45.12,%RH,+023.5, Deg C," + t;
    QTest::newRow("single") << 5LL << true << " 5,+45.12,%RH," + t;
    QTest::newRow("zero") << 0LL << false << " 0,+45.12,%RH,+023.5, Deg C," + t;
    QTest::newRow("negative") << -1LL << true << "-1,+45.12,%RH," + t;
    QTest::newRow("large") << 1234567LL << true << " 1234567,+45.12,%RH," + t;
}

void TestDecoder::rawListLine()
{
    QFETCH(long long, count);
    QFETCH(bool, single);
    QFETCH(QString, line);
    QCOMPARE(
        ::rawListLine(count, single, "+45.12", "%RH", "+023.5", " Deg C", "12:03:04", "01-02-2026"),
        line);
}

void TestDecoder::throughMainWindow()
{
    MainWithFakes m;
    m.clock->set(QDate(2026, 2, 1), QTime(9, 8, 7));
    m.startLinked(1, false, Mb::No);
    const QString example = kExample;
    m->session().Sig_Str = example;
    m->Proc_Sig();
    m->Proc_Sig();
    QCOMPARE(m->dataDisplay()->lineCount(), 2);
    QCOMPARE(m->session().Disp1_Value, QStringLiteral("+45.12"));
    QCOMPARE(m->session().Rec_Count, 2);
    QVERIFY(m->dataDisplay()->line(0).startsWith(QStringLiteral(" 2,")));
    QVERIFY(m->dataDisplay()->line(0).endsWith(QStringLiteral(",09:08:07,02-01-2026")));
    QVERIFY(m->dataDisplay()->line(1).startsWith(QStringLiteral(" 1,")));
}

void TestDecoder::mainWindowLightSource()
{
    MainWithFakes m;
    m.startLinked(1, false, Mb::No);
    m->session().Sig_Str = pk("0", "0", "15", "0", "0", "7x??", "1234");
    m->Proc_Sig();
    QCOMPARE(m->Light_Src->text(), QStringLiteral("Label1"));
    QCOMPARE(m->session().Disp1_Unit, QStringLiteral(" 2K LUX"));
    m->session().Sig_Str = pk("0", "0", "16", "0", "0", "9x?0", "1234");
    m->Proc_Sig();
    QCOMPARE(m->Light_Src->text(), QStringLiteral("F 5K fc"));
    // A rejected light packet still moves the caption.
    m->session().Sig_Str = pk("0", "0", "15", "7", "0", "4x??", "1234");
    QVERIFY_THROWS_EXCEPTION(RuntimeError, m->Proc_Sig());
    QCOMPARE(m->Light_Src->text(), QStringLiteral("C 2K LUX"));
}

QTEST_MAIN(TestDecoder)
#include "test_decoder.moc"
