// The plot of a file without its window: reading files of every kind, the per-pixel summary
// against a plain scan, following a file another process appends to, and the exported pictures.

#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

#include "axes.h"
#include "fakes.h"
#include "file_follower.h"
#include "plot_export.h"
#include "plot_file.h"
#include "plot_painter.h"
#include "plot_stats.h"
#include "seq_files.h"

namespace {

QString kindName(FileKind k)
{
    switch (k) {
    case FileKind::SaveFile:
        return QStringLiteral("save");
    case FileKind::DownloadFile:
        return QStringLiteral("download");
    case FileKind::OtherCsv:
        return QStringLiteral("csv");
    case FileKind::Unknown:
        break;
    }
    return QStringLiteral("unknown");
}

QString markName(const Mark& m)
{
    static const char* names[] = {"High", "Lo", "DataLost", "ClockBack", "Collection"};
    QString s = QString::fromLatin1(names[int(m.kind)]) + u'@' + QString::number(m.key);
    if (m.kind == MarkKind::High || m.kind == MarkKind::Lo)
        s += u'=' + QString::number(m.value);
    return s;
}

// What a reading gave, in one line: kind, rows with their times (or keys), each series with its
// count and range, marks, gaps and lines not read.
QString describe(const PlotData& d)
{
    QStringList parts{kindName(d.kind) + QStringLiteral(" rows %1").arg(d.rowCount())};
    QStringList at;
    for (qint64 r = 0; r < std::min<qint64>(d.rowCount(), 6); ++r)
        at << (d.timeAxis() ? plottext::time(d.realAt(d.key(r))) : QString::number(d.key(r)));
    if (!at.isEmpty())
        parts << at.join(u',');
    for (const Series& s : d.series()) {
        const Channel& c = d.channels[size_t(s.channel)];
        SpanStats inUnit;
        for (qint64 r = 0; r < d.rowCount(); ++r)
            if (d.unitAt(s.channel, r) == s.unit)
                inUnit.add(c.values.at(r), r);
        parts << QStringLiteral("%1: %2 %3..%4")
                     .arg(seriesName(d, s))
                     .arg(inUnit.count)
                     .arg(inUnit.min)
                     .arg(inUnit.max);
    }
    QStringList marks;
    for (const Mark& m : d.marks)
        marks << markName(m);
    if (!marks.isEmpty())
        parts << marks.join(u' ');
    if (!d.gaps().empty())
        parts << QStringLiteral("gaps %1").arg(d.gaps().size());
    if (d.linesNotRead > 0)
        parts << QStringLiteral("not read %1 from line %2")
                     .arg(d.linesNotRead)
                     .arg(d.firstLineNotRead);
    return parts.join(QStringLiteral(" | "));
}

// The whole text at once, and again in pieces of every size up to 7 bytes, must read alike.
PlotData readBytes(const QByteArray& bytes, int piece = 0)
{
    PlotData d;
    PlotReader r(d);
    if (piece == 0) {
        r.feed(bytes);
    } else {
        for (qsizetype i = 0; i < bytes.size(); i += piece)
            r.feed(QByteArrayView(bytes).sliced(i, std::min<qsizetype>(piece, bytes.size() - i)));
    }
    r.finish();
    return d;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

const QByteArray kDual = " 1 ,+45.1,%RH,+21.0,Deg C,09:30:00,12-07-2026\r\n"
                         " 2 ,+45.3,%RH,+21.1,Deg C,09:30:01,12-07-2026\r\n"
                         " 3 ,+45.2,%RH,+21.3,Deg C,09:30:02,12-07-2026\r\n";

} // namespace

class TestPlot : public QObject
{
    Q_OBJECT
  private slots:
    void readsFiles_data();
    void readsFiles();
    void aLastLineIsTakenBackWhereverTheFileStops_data();
    void aLastLineIsTakenBackWhereverTheFileStops();
    void valuesReadBackAsTheirTexts_data();
    void valuesReadBackAsTheirTexts();
    void keysReadBackAsWritten();
    void ticksSuitEverySpan_data();
    void ticksSuitEverySpan();
    void drawsGapsAsShadedBreaks();
    void statisticsTellTheFile();
    void pixelColumnsMatchAScan_data();
    void pixelColumnsMatchAScan();
    void spanStatisticsMatchAScan();
    void followsRowsAnotherProcessAppends();
    void followsWithoutDisturbingARecording();
    void seesAFileReplaced_data();
    void seesAFileReplaced();
    void exports_data();
    void exports();
    void spans_data();
    void spans();
    void spansOfRecords();
};

void TestPlot::readsFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");
    // clang-format off
    QTest::newRow("dual rows, CR LF") << kDual
        << "save rows 3 | 09:30:00,09:30:01,09:30:02 | Display 1 %RH: 3 45.1..45.3 | Display 2 Deg C: 3 21..21.3";
    QTest::newRow("single rows, LF, no final line end")
        << QByteArray(" 1 ,+23.5,Deg C,09:30:12,12-07-2026\n 2 ,+23.75,Deg C,09:30:13,12-07-2026")
        << "save rows 2 | 09:30:12,09:30:13 | Display 1 Deg C: 2 23.5..23.75";
    QTest::newRow("lone CR line ends") << QByteArray(kDual).replace("\r\n", "\r")
        << "save rows 3 | 09:30:00,09:30:01,09:30:02 | Display 1 %RH: 3 45.1..45.3 | Display 2 Deg C: 3 21..21.3";
    QTest::newRow("closing rows and a second collection")
        << kDual + "High,+45.3,%RH,12-07-2026-09:30:01,+21.3,Deg C,12-07-2026-09:30:02\r\n"
                   "Lo,+45.1,%RH,12-07-2026-09:30:00,99999,Deg C,\r\n"
                   " 1 ,+46.0,%RH,+22.0,Deg C,10:00:00,12-07-2026\r\n"
                   " 2 ,+46.5,%RH,+22.5,Deg C,10:00:01,12-07-2026\r\n"
        << "save rows 5 | 09:30:00,09:30:01,09:30:02,10:00:00,10:00:01 | Display 1 %RH: 5 45.1..46.5 | Display 2 Deg C: 5 21..22.5"
           " | High@1=45.3 High@2=21.3 Lo@0=45.1 Collection@1800 | gaps 1";
    QTest::newRow("numbered from 1 again without closing rows")
        << kDual + " 1 ,+46.0,%RH,+22.0,Deg C,09:30:03,12-07-2026\r\n"
        << "save rows 4 | 09:30:00,09:30:01,09:30:02,09:30:03 | Display 1 %RH: 4 45.1..46 | Display 2 Deg C: 4 21..22 | Collection@3";
    QTest::newRow("midnight") << QByteArray(" 1 ,+1.0,V,23:59:59,12-07-2026\r\n 2 ,+2.0,V,00:00:00,12-08-2026\r\n 3 ,+3.0,V,00:00:01,12-08-2026\r\n")
        << "save rows 3 | 23:59:59,00:00:00,00:00:01 | Display 1 V: 3 1..3";
    QTest::newRow("clock set back") << QByteArray(" 1 ,+1.0,V,10:00:00,12-07-2026\r\n 2 ,+2.0,V,10:00:01,12-07-2026\r\n"
                                                  " 3 ,+3.0,V,09:00:00,12-07-2026\r\n 4 ,+4.0,V,09:00:01,12-07-2026\r\n")
        << "save rows 4 | 10:00:00,10:00:01,09:00:00,09:00:01 | Display 1 V: 4 1..4 | ClockBack@1.5";
    QTest::newRow("non-numbers are gaps") << QByteArray(" 1 ,+1.0,V,10:00:00,12-07-2026\r\n 2 ,----,V,10:00:01,12-07-2026\r\n"
                                                        " 3 ,,V,10:00:02,12-07-2026\r\n 4 , OL ,V,10:00:03,12-07-2026\r\n"
                                                        " 5 ,+1.2.3,V,10:00:04,12-07-2026\r\n 6 ,-0.5,V,10:00:05,12-07-2026\r\n")
        << "save rows 6 | 10:00:00,10:00:01,10:00:02,10:00:03,10:00:04,10:00:05 | Display 1 V: 2 -0.5..1";
    QTest::newRow("a unit change starts a series") << QByteArray(" 1 ,+20.0,Deg C,10:00:00,12-07-2026\r\n 2 ,+21.0,Deg C,10:00:01,12-07-2026\r\n"
                                                                 " 3 ,+70.0,Deg F,10:00:02,12-07-2026\r\n 4 ,+71.5,Deg F,10:00:03,12-07-2026\r\n")
        << "save rows 4 | 10:00:00,10:00:01,10:00:02,10:00:03 | Display 1 Deg C: 2 20..21 | Display 1 Deg F: 2 70..71.5";
    QTest::newRow("download with errors") << QByteArray("Data 1,Data Unit,Data 2,Data Unit\r\n 1 ,+45.1,%RH,+21.0,Deg C\r\n"
                                                        "Error, Data Lost\r\n 2 ,+45.2,%RH,+21.1,Deg C\r\n 3 ,+45.0,%RH,+21.2,Deg C\r\n")
        << "download rows 3 | 1,2,3 | Display 1 %RH: 3 45..45.2 | Display 2 Deg C: 3 21..21.2 | DataLost@1.5";
    QTest::newRow("other CSV with a heading") << QByteArray("time,temp,hum,note\n1.5,20.25,40,ok\n2.5,,41,x\n3.5,21,42e0,y\n")
        << "csv rows 3 | 1,2,3 | time: 3 1.5..3.5 | temp: 2 20.25..21 | hum: 3 40..42";
    QTest::newRow("decimal commas") << QByteArray("a;b\n1,5;2,5\n2,5;3\n")
        << "csv rows 2 | 1,2 | a: 2 1.5..2.5 | b: 2 2.5..3";
    QTest::newRow("extremes stamped before the clock went back") << QByteArray(" 1 ,+1.0,V,10:00:00,12-07-2026\r\n 2 ,+2.0,V,10:00:01,12-07-2026\r\n"
                                                                              " 3 ,+3.0,V,09:00:00,12-07-2026\r\n 4 ,+4.0,V,09:00:01,12-07-2026\r\n"
                                                                              "High,+2.0,V,12-07-2026-10:00:01\r\nLo,+3.0,V,12-07-2026-09:00:00\r\n")
        << "save rows 4 | 10:00:00,10:00:01,09:00:00,09:00:01 | Display 1 V: 4 1..4 | ClockBack@1.5 High@1=2 Lo@2=3";
    QTest::newRow("single rows, then dual ones") << QByteArray(" 1 ,+1.0,V,10:00:00,12-07-2026\r\n 2 ,+2.0,V,+5.0,A,10:00:01,12-07-2026\r\n")
        << "save rows 2 | 10:00:00,10:00:01 | Display 1 V: 2 1..2 | Display 2 A: 1 5..5";
    QTest::newRow("a first row with no such time") << QByteArray(" 1 ,+1.0,V,25:00:00,12-07-2026\r\n 2 ,+2.0,V,10:00:01,12-07-2026\r\n")
        << "save rows 1 | 10:00:01 | Display 1 V: 1 2..2 | not read 1 from line 1";
    QTest::newRow("a line longer than any row") << kDual + QByteArray(70000, 'x') + "\r\n 4 ,+45.9,%RH,+21.9,Deg C,09:30:03,12-07-2026"
        << "save rows 4 | 09:30:00,09:30:01,09:30:02,09:30:03 | Display 1 %RH: 4 45.1..45.9 | Display 2 Deg C: 4 21..21.9 | not read 1 from line 4";
    QTest::newRow("a download's first record lost") << QByteArray("Data 1,Data Unit,Data 2,Data Unit\r\nError, Data Lost\r\n 1 ,+1.0,V,+2.0,A\r\n")
        << "download rows 1 | 1 | Display 1 V: 1 1..1 | Display 2 A: 1 2..2 | DataLost@0.5";
    QTest::newRow("more numeric columns than are plotted") << QByteArray("a,b,c,d,e,f,g,h,i,j\n1,2,3,4,5,6,7,8,9,10\n")
        << "csv rows 1 | 1 | a: 1 1..1 | b: 1 2..2 | c: 1 3..3 | d: 1 4..4 | e: 1 5..5 | f: 1 6..6 | g: 1 7..7 | h: 1 8..8";
    QTest::newRow("empty file") << QByteArray() << "unknown rows 0";
    QTest::newRow("NUL bytes after the rows") << kDual + QByteArray(40, '\0') + "\r\n"
        << "save rows 3 | 09:30:00,09:30:01,09:30:02 | Display 1 %RH: 3 45.1..45.3 | Display 2 Deg C: 3 21..21.3 | not read 1 from line 4";
    // clang-format on
    QByteArray binary;
    for (int i = 0; i < 4096; ++i)
        binary += char((i * 37) & 0xff);
    QTest::newRow("binary file") << binary << "unknown rows 0 | not read 33 from line 1";
}

void TestPlot::readsFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    const QString whole = describe(readBytes(bytes));
    QCOMPARE(whole, expected);
    for (int piece = 1; piece <= 7; ++piece)
        QCOMPARE(describe(readBytes(bytes, piece)), whole);
}

void TestPlot::aLastLineIsTakenBackWhereverTheFileStops_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("save file")
        << "title line\r\n" + kDual +
               "High,+45.3,%RH,12-07-2026-09:30:01,+21.3,Deg C,12-07-2026-09:30:02\r\n"
               " 1 ,+46.0,%RH,+70.1,Deg F,10:00:00,12-07-2026\r\n"
               " 2 ,-,%RH,+70.2,Deg F,09:00:01,12-07-2026";
    QTest::newRow("download") << QByteArray(
        "Data 1,Data Unit,Data 2,Data Unit\r\n 1 ,+45.1,%RH,+21.0,Deg C\r\n"
        "Error, Data Lost\r\n 12 ,+45.25,%RH,+21.125,Deg C\r\n");
    QTest::newRow("other CSV") << QByteArray("t;v\n1;2,5\n2;12,75\n3;1000");
}

// A file caught at any byte by a reader that finishes there reads, once the rest comes, as the
// whole file read at once: nothing of the cut line is kept (a number cut short, a half row).
void TestPlot::aLastLineIsTakenBackWhereverTheFileStops()
{
    QFETCH(QByteArray, bytes);
    const QString whole = describe(readBytes(bytes));
    for (qsizetype cut = 0; cut <= bytes.size(); ++cut) {
        PlotData d;
        PlotReader r(d);
        r.feed(bytes.first(cut));
        r.finish();
        r.feed(bytes.sliced(cut));
        r.finish();
        QVERIFY2(describe(d) == whole,
                 qPrintable(QStringLiteral("cut at %1: ").arg(cut) + describe(d)));
    }
}

void TestPlot::valuesReadBackAsTheirTexts_data()
{
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<int>("store"); // ValueColumn::Store at the end
    QTest::newRow("a meter's readings") << QStringList{"+45.12", "-0.5", "", "+022.4", "0"} << 0;
    QTest::newRow("a finer step later") << QStringList{"12", "3.25", "-7", "0.001"} << 0;
    QTest::newRow("outgrows two bytes") << QStringList{"1.5", "32767", "-40000.5", ""} << 1;
    QTest::newRow("a step finer than four bytes hold") << QStringList{"1234567", "0.0001"} << 2;
    QTest::newRow("longer than a decimal")
        << QStringList{"1", "3.14159265358979323846", "1e-30"} << 2;
}

// Every value reads back as the double its text parses to, whichever store the column grew into.
void TestPlot::valuesReadBackAsTheirTexts()
{
    QFETCH(QStringList, texts);
    QFETCH(int, store);
    QByteArray csv = "v,n\n";
    for (const QString& t : texts)
        csv += t.toLatin1() + ",1\n";
    const PlotData d = readBytes(csv);
    const ValueColumn& v = d.channels.at(0).values;
    QCOMPARE(v.size(), texts.size());
    for (qsizetype i = 0; i < texts.size(); ++i) {
        if (texts[i].isEmpty())
            QVERIFY(v.isGap(i));
        else
            QCOMPARE(v.at(i), texts[i].toDouble());
    }
    QCOMPARE(int(v.store()), store);
}

void TestPlot::keysReadBackAsWritten()
{
    KeyColumn k;
    std::vector<qint32> written;
    QRandomGenerator rng(11);
    qint32 key = 5;
    for (int i = 0; i < 20000; ++i) {
        key += i == 9000 ? 100000 : qint32(rng.bounded(3)); // one block with a long gap
        k.push(key);
        written.push_back(key);
    }
    k.truncate(12345);
    written.resize(12345);
    for (int i = 0; i < 3000; ++i) {
        k.push(key += 70000); // blocks too wide for two-byte steps from the start
        written.push_back(key);
    }
    QCOMPARE(k.size(), qint64(written.size()));
    for (size_t i = 0; i < written.size(); ++i)
        QCOMPARE(k[qint64(i)], written[i]);
}

void TestPlot::ticksSuitEverySpan_data()
{
    QTest::addColumn<double>("span"); // seconds from 12-07-2026 00:00:00 shown across 1200 pixels
    QTest::addColumn<double>("step");
    QTest::addColumn<QString>("first"); // the first tick's texts
    QTest::newRow("seconds") << 20.0 << 2.0 << "00:00:00 12-07-2026";
    QTest::newRow("ten minutes") << 600.0 << 60.0 << "00:00 12-07-2026";
    QTest::newRow("a day") << 86400.0 << 7200.0 << "00:00 12-07-2026";
    QTest::newRow("a week") << 7 * 86400.0 << 43200.0 << "00:00 12-07-2026";
    QTest::newRow("weeks") << 70 * 86400.0 << 7 * 86400.0 << "12-07 2026"; // a Monday
}

void TestPlot::ticksSuitEverySpan()
{
    QFETCH(double, span);
    QFETCH(double, step);
    QFETCH(QString, first);
    const PlotData d = readBytes(" 1 ,+1.0,V,00:00:00,12-07-2026\r\n");
    const std::vector<XTick> ticks = xTicks(d, 0, span, 1200, 7);
    QVERIFY(ticks.size() >= 5 && ticks.size() <= 25);
    QCOMPARE(ticks[1].key - ticks[0].key, step);
    QCOMPARE(ticks[0].text + u' ' + ticks[0].second, first);
    // A download's records read as times once given a start and an interval.
    PlotData download =
        readBytes("Data 1,Data Unit,Data 2,Data Unit\r\n 1 ,+1.0,V,,\r\n 2 ,+2.0,V,,\r\n");
    QVERIFY(!download.timeAxis());
    download.setRecordTimes(d.keyBase, 30);
    QCOMPARE(plottext::key(download, 2), QStringLiteral("12-07-2026 00:00:30"));
}

// A shaded band over a gap in time, and no line across it or across rows without a number.
void TestPlot::drawsGapsAsShadedBreaks()
{
    QByteArray bytes;
    for (int s = 0; s < 60; ++s) {
        if (s >= 20 && s < 40)
            continue; // a gap of 20 s
        bytes += QStringLiteral(" %1 ,%2,V,00:00:%3,12-07-2026\r\n")
                     .arg(s + 1)
                     .arg(s >= 45 && s < 50 ? QStringLiteral("----") : QStringLiteral("+5.0"))
                     .arg(s, 2, 10, QChar(u'0'))
                     .toLatin1();
    }
    const PlotData d = readBytes(bytes);
    QImage image(900, 500, QImage::Format_RGB32);
    PlotStyle style;
    style.screen = true;
    const PlotFrame f = layoutPlot(d, wholeView(d), image.rect(), style);
    QPainter p(&image);
    paintPlot(p, d, f, style);
    p.end();
    const int y = int(std::lround(f.yOf(f.axes.at(0), 5.0)));
    auto blueAt = [&](double key) { return image.pixel(int(f.xOf(key)), y) == qRgb(0, 0, 255); };
    QVERIFY(blueAt(10) && blueAt(42) && blueAt(55));
    QVERIFY(!blueAt(30) && !blueAt(47)); // the gap, and the rows without a number
    const QRgb shade = image.pixel(int(f.xOf(30)), int(f.plot.bottom()) - 40);
    QVERIFY(shade != qRgb(255, 255, 255) && qGray(shade) > 180); // shaded, lightly
    QCOMPARE(image.pixel(int(f.xOf(47)), int(f.plot.bottom()) - 40), qRgb(255, 255, 255));
}

void TestPlot::statisticsTellTheFile()
{
    const PlotData d =
        readBytes(kDual + "High,+45.3,%RH,12-07-2026-09:30:01,,,\r\n"
                          " 1 ,+46.0,%RH,+22.0,Deg C,10:00:00,12-07-2026\r\nnoise\r\n");
    const QString html = statisticsHtml(d, 0, 2);
    QVERIFY2(html.contains(QStringLiteral("12-07-2026 09:30:00 – 12-07-2026 09:30:02 (2 s)")),
             qPrintable(html));
    QVERIFY(html.contains(QStringLiteral(
        "4 rows, 1 gap (longest 29 min 58 s after 12-07-2026 09:30:02), 2 collections, 1 line not "
        "read (line 6 first)")));
    // In view: display 1's three numbers, min 45.1 at 09:30:00, mean 45.20, deviation 0.10.
    QVERIFY(html.contains(
        QStringLiteral("<td align=right>3</td><td align=right>45.1</td><td>12-07-2026 "
                       "09:30:00</td><td align=right>45.3</td><td>12-07-2026 "
                       "09:30:01</td><td align=right>45.20</td><td align=right>0.10</td>")));
}

void TestPlot::pixelColumnsMatchAScan_data()
{
    QTest::addColumn<int>("seed");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("width");
    QTest::newRow("fewer rows than columns") << 1 << 300 << 1000;
    QTest::newRow("one column") << 2 << 5000 << 1;
    QTest::newRow("many rows a column") << 3 << 200000 << 733;
    QTest::newRow("about a row a column") << 4 << 20000 << 1601;
}

// Random keys with gaps, values with blanks and unit changes: each pixel column's count, min,
// max and first and last row equal a scan of the rows whose keys fall in it.
void TestPlot::pixelColumnsMatchAScan()
{
    QFETCH(int, seed);
    QFETCH(int, rows);
    QFETCH(int, width);
    QRandomGenerator rng{quint32(seed)};
    PlotData d;
    d.channelFor(0, QStringLiteral("Display 1"));
    const int units[] = {d.unitId(QStringLiteral("A")), d.unitId(QStringLiteral("B"))};
    qint32 key = 0;
    int unit = units[0];
    for (int r = 0; r < rows; ++r) {
        key += rng.bounded(100) == 0 ? qint32(rng.bounded(5000)) : qint32(rng.bounded(3));
        if (rng.bounded(500) == 0)
            unit = units[rng.bounded(2)];
        d.appendKey(key);
        d.setUnit(0, unit);
        if (rng.bounded(10) == 0)
            d.appendBlank(0);
        else
            d.appendNumber(0, Decimal{qint64(rng.bounded(20001)) - 10000, -2});
        if (r % 997 == 0)
            d.rowsAdded(); // extended in steps, as a followed file is
    }
    d.rowsAdded();
    const Channel& c = d.channels[0];
    for (int trial = 0; trial < 6; ++trial) {
        double from = d.firstKey() + rng.bounded(double(d.lastKey() - d.firstKey()) / 2);
        double to = from + 1 + rng.bounded(double(d.lastKey() - from));
        if (trial == 0) {
            from = d.firstKey();
            to = d.lastKey();
        }
        const std::vector<qint64> bounds = columnBounds(d, from, to, width);
        for (const Series& s : d.series()) {
            const std::vector<PixelColumn> cols = pixelColumns(d, s, bounds);
            QCOMPARE(int(cols.size()), width);
            std::vector<PixelColumn> scan(static_cast<size_t>(width));
            const double step = (to - from) / width;
            for (qint64 r = 0; r < d.rowCount(); ++r) {
                const double k = d.key(r);
                if (k < from || k > to || d.unitAt(0, r) != s.unit || c.values.isGap(r))
                    continue;
                const int col = std::min(width - 1, int(std::floor((k - from) / step)));
                PixelColumn& p = scan[size_t(col)];
                const double v = c.values.at(r);
                p.min = p.count ? std::min(p.min, v) : v;
                p.max = p.count ? std::max(p.max, v) : v;
                if (p.count++ == 0)
                    p.firstRow = r;
                p.lastRow = r;
            }
            for (int i = 0; i < width; ++i) {
                const PixelColumn& a = cols[size_t(i)];
                const PixelColumn& b = scan[size_t(i)];
                QVERIFY2(a.count == b.count, qPrintable(QStringLiteral("column %1").arg(i)));
                if (b.count == 0)
                    continue;
                QCOMPARE(a.min, b.min);
                QCOMPARE(a.max, b.max);
                QCOMPARE(a.firstRow, b.firstRow);
                QCOMPARE(a.lastRow, b.lastRow);
            }
        }
    }
}

void TestPlot::spanStatisticsMatchAScan()
{
    QRandomGenerator rng(7);
    PlotData d;
    d.channelFor(0, QStringLiteral("Display 1"));
    d.setUnit(0, d.unitId(QStringLiteral("V")));
    for (int r = 0; r < 100000; ++r) {
        d.appendKey(r);
        if (rng.bounded(8) == 0)
            d.appendBlank(0);
        else
            d.appendNumber(0, Decimal{1000000 + qint64(rng.bounded(2001)), -3});
    }
    d.rowsAdded();
    const Channel& c = d.channels[0];
    for (int trial = 0; trial < 20; ++trial) {
        const qint64 a = rng.bounded(100000), b = a + rng.bounded(100000 - int(a)) + 1;
        const SpanStats got = c.summary.stats(c.values, a, b);
        double sum = 0, lo = INFINITY, hi = -INFINITY;
        qint64 n = 0, loRow = -1, hiRow = -1;
        for (qint64 r = a; r < b; ++r) {
            const double v = c.values.at(r);
            if (v != v)
                continue;
            ++n;
            sum += v;
            if (v < lo)
                lo = v, loRow = r;
            if (v > hi)
                hi = v, hiRow = r;
        }
        double sq = 0;
        for (qint64 r = a; r < b; ++r)
            if (const double v = c.values.at(r); v == v)
                sq += (v - sum / n) * (v - sum / n);
        QCOMPARE(got.count, n);
        QCOMPARE(got.min, lo);
        QCOMPARE(got.minRow, loRow);
        QCOMPARE(got.max, hi);
        QCOMPARE(got.maxRow, hiRow);
        QVERIFY(std::fabs(got.mean - sum / n) < 1e-9);
        if (n > 1)
            QVERIFY(std::fabs(std::sqrt(got.variance()) - std::sqrt(sq / (n - 1))) < 1e-9);
    }
}

// Rows another process appends appear, a row caught half written is read once whole, and a
// truncated file is read again from its start.
void TestPlot::followsRowsAnotherProcessAppends()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("FOLLOW.CSV"));
    writeFile(path, kDual);
    std::unique_ptr<PlotFile> file = PlotFile::read(path);
    QCOMPARE(file->data.rowCount(), 3);
    FileFollower follower;
    int replaced = 0;
    connect(&follower, &FileFollower::appended, this,
            [&](const QByteArray& bytes) { file->append(bytes); });
    connect(&follower, &FileFollower::replaced, this, [&] { ++replaced; });
    follower.start(path, file->identity, file->offset);

    auto append = [&](const QByteArray& bytes) {
        QProcess sh;
        sh.start(QStringLiteral("/bin/sh"),
                 {QStringLiteral("-c"), QStringLiteral("printf '%s' \"$1\" >> \"$2\""),
                  QStringLiteral("sh"), QString::fromLatin1(bytes), path});
        QVERIFY(sh.waitForFinished(30000));
        QCOMPARE(sh.exitCode(), 0);
    };
    append(" 4 ,+45.0,%RH,+21.4,Deg C,09:30:03,12-07-2026\r\n 5 ,+44.9,%RH,+21.5,Deg C,09:30");
    QTRY_COMPARE_WITH_TIMEOUT(file->data.rowCount(), 4, 20000);
    QCOMPARE(file->data.linesNotRead, 1); // the half row, for now
    append(":04,12-07-2026\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(plottext::time(file->data.realAt(file->data.lastKey())),
                              QStringLiteral("09:30:04"), 20000);
    QCOMPARE(file->data.rowCount(), 5);
    QCOMPARE(file->data.linesNotRead, 0);
    QCOMPARE(replaced, 0);

    QProcess sh;
    sh.start(QStringLiteral("/bin/sh"),
             {QStringLiteral("-c"), QStringLiteral(": > \"$1\""), QStringLiteral("sh"), path});
    QVERIFY(sh.waitForFinished(30000));
    QTRY_COMPARE_WITH_TIMEOUT(replaced, 1, 20000);
    QVERIFY(!follower.following());
}

// The program's own recording holds its lock and its file while the plot reads along.
void TestPlot::followsWithoutDisturbingARecording()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("REC.CSV"));
    SeqFiles files;
    files.open(1, path, SeqFiles::Mode::Append);
    files.printLine(1, QStringLiteral(" 1 ,+45.1,%RH,09:30:00,12-07-2026"));
    std::unique_ptr<PlotFile> file = PlotFile::read(path);
    FileFollower follower;
    connect(&follower, &FileFollower::appended, this,
            [&](const QByteArray& bytes) { file->append(bytes); });
    follower.start(path, file->identity, file->offset);
    for (int i = 2; i <= 4; ++i)
        files.printLine(1, QStringLiteral(" %1 ,+45.%1,%RH,09:30:0%1,12-07-2026").arg(i));
    QTRY_COMPARE_WITH_TIMEOUT(file->data.rowCount(), 4, 20000);
    // Still locked against a second writer, still written where it was.
    QVERIFY_THROWS_EXCEPTION(RuntimeError, SeqFiles::checkNotWrittenElsewhere(path));
    files.printLine(1, QStringLiteral(" 5 ,+45.5,%RH,09:30:05,12-07-2026"));
    files.close(1);
    QCOMPARE(readAll(path).count("\r\n"), 5);
    QTRY_COMPARE_WITH_TIMEOUT(file->data.rowCount(), 5, 20000);
}

void TestPlot::seesAFileReplaced_data()
{
    QTest::addColumn<QString>("how"); // a shell command on "$1", the file followed
    QTest::addColumn<bool>("replaced");
    QTest::newRow("appended to") << "printf 'more\\r\\n' >> \"$1\"" << false;
    QTest::newRow("truncated") << ": > \"$1\"" << true;
    QTest::newRow("renamed over") << "cp \"$1\" \"$1.new\" && mv \"$1.new\" \"$1\"" << true;
    QTest::newRow("rewritten past where it was read")
        << "printf 'other bytes, longer than before: 0123456789\\r\\n' > \"$1\"" << true;
    QTest::newRow("removed and written again")
        << "rm \"$1\" && sleep 1.5 && printf ' 9 ,+1.0,V,10:00:00,12-07-2026\\r\\n' > \"$1\""
        << true;
}

// Only a file that is no longer what was read is read again; one that grew is followed on.
void TestPlot::seesAFileReplaced()
{
    QFETCH(QString, how);
    QFETCH(bool, replaced);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("F.CSV"));
    writeFile(path, " 1 ,+1.0,V,10:00:00,12-07-2026\r\n");
    std::unique_ptr<PlotFile> file = PlotFile::read(path);
    FileFollower follower;
    int appended = 0, again = 0;
    connect(&follower, &FileFollower::appended, this, [&] { ++appended; });
    connect(&follower, &FileFollower::replaced, this, [&] { ++again; });
    follower.start(path, file->identity, file->offset);
    QProcess sh;
    sh.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), how, QStringLiteral("sh"), path});
    QVERIFY(sh.waitForFinished(30000));
    QCOMPARE(sh.exitCode(), 0);
    if (replaced) {
        QTRY_COMPARE_WITH_TIMEOUT(again, 1, 20000);
        QCOMPARE(appended, 0);
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(appended, 1, 20000);
        QTest::qWait(1500); // a poll or more later, still not read again
        QCOMPARE(again, 0);
    }
}

void TestPlot::exports_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("png") << QStringLiteral("plot.png");
    QTest::newRow("svg") << QStringLiteral("plot.svg");
    QTest::newRow("pdf") << QStringLiteral("plot.PDF");
}

void TestPlot::exports()
{
    QFETCH(QString, name);
    QTemporaryDir dir;
    const PlotData d = readBytes(kDual + " 1 ,+46.0,%RH,+22.0,Deg C,10:00:00,12-07-2026\r\n");
    const QString out = dir.filePath(name);
    exportPlot(d, wholeView(d), QStringLiteral("title"), out, QSize(800, 450));
    if (name.endsWith(QLatin1String(".png"))) {
        const QImage image(out);
        QCOMPARE(image.size(), QSize(800, 450));
        // Both displays' colours are in it.
        bool blue = false, red = false;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                blue |= image.pixel(x, y) == qRgb(0, 0, 255);
                red |= image.pixel(x, y) == qRgb(255, 0, 0);
            }
        QVERIFY(blue && red);
    } else if (name.endsWith(QLatin1String(".svg"))) {
        QSvgRenderer svg(out);
        QVERIFY(svg.isValid());
        QCOMPARE(svg.viewBoxF(), QRectF(0, 0, 800, 450));
    } else {
        QProcess info;
        info.start(QStringLiteral("pdfinfo"), {out});
        QVERIFY(info.waitForFinished(30000));
        QCOMPARE(info.exitCode(), 0);
        QVERIFY2(info.readAllStandardOutput().contains("Pages:           1\n"), "one page");
    }
    // A folder that does not exist: named, and nothing half written anywhere.
    const QString nowhere = dir.filePath(QStringLiteral("missing/") + name);
    try {
        exportPlot(d, wholeView(d), QString(), nowhere, QSize(800, 450));
        QFAIL("no error");
    } catch (const RuntimeError& e) {
        QVERIFY2(e.description().startsWith(nowhere + QStringLiteral(" cannot be written")),
                 qPrintable(e.description()));
    }
}

void TestPlot::spans_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("end");
    QTest::addColumn<QString>("at"); // the time the key stands at, or the error's start
    QTest::newRow("ISO") << "2026-12-07 23:59:30" << false << "12-07-2026 23:59:30";
    QTest::newRow("the file's form") << "12-08-2026 00:00:10" << false << "12-08-2026 00:00:10";
    QTest::newRow("a day, as an end") << "2026-12-07" << true << "12-08-2026 00:00:00";
    QTest::newRow("a time on the first day") << "23:59:50" << false << "12-07-2026 23:59:50";
    QTest::newRow("an end before the start: the next day")
        << "00:00:05" << true << "12-08-2026 00:00:05";
    QTest::newRow("before the end") << "-30s" << false << "12-07-2026 23:59:40";
    QTest::newRow("no such day") << "2026-02-30" << false << "\"2026-02-30\" is no such time";
    QTest::newRow("a row number") << "12" << false << "\"12\" is not a time";
    QTest::newRow("before the end, without a unit") << "-30" << false << "\"-30\": give a unit";
}

// A download's records: numbers, and numbers before the last, but no times.
void TestPlot::spansOfRecords()
{
    const PlotData d =
        readBytes("Data 1,Data Unit,Data 2,Data Unit\r\n 1 ,+1.0,V,,\r\n 2 ,+2.0,V,,\r\n"
                  " 3 ,+3.0,V,,\r\n");
    double key = 0;
    QString error;
    QVERIFY(spanKey(d, QStringLiteral("-2"), false, 0, &key, &error) && key == 1);
    QVERIFY(spanKey(d, QStringLiteral("2"), true, 1, &key, &error) && key == 2);
    QVERIFY(!spanKey(d, QStringLiteral("09:30"), false, 0, &key, &error));
    QVERIFY2(error.contains(QStringLiteral("this file has no times")), qPrintable(error));
    QVERIFY(!spanKey(d, QStringLiteral("-2h"), false, 0, &key, &error));
}

void TestPlot::spans()
{
    QFETCH(QString, text);
    QFETCH(bool, end);
    QFETCH(QString, at);
    QByteArray bytes;
    for (int s = 0; s <= 40; ++s)
        bytes +=
            QStringLiteral(" %1 ,+1.0,V,%2\r\n")
                .arg(s + 1)
                .arg(s < 30 ? QStringLiteral("23:59:%1,12-07-2026").arg(30 + s)
                            : QStringLiteral("00:00:%1,12-08-2026").arg(s - 30, 2, 10, QChar(u'0')))
                .toLatin1();
    const PlotData d = readBytes(bytes);
    QCOMPARE(d.rowCount(), 41);
    double key = 0;
    QString error;
    const double from = d.keyForReal(d.realAt(d.firstKey()) + 40); // 12-08-2026 00:00:10
    if (spanKey(d, text, end, from, &key, &error))
        QCOMPARE(plottext::dateTime(d.realAt(key)), at);
    else
        QVERIFY2(error.startsWith(at), qPrintable(error));
}

QTEST_MAIN(TestPlot)
#include "test_plot.moc"
