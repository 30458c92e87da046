// "View File" through the main window, with a fake open dialog and real files.

#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <sys/stat.h>

#include "fil_disp.h"
#include "test_main_window.h"
#include "twips.h"

namespace {

const QString kHeading = QStringLiteral("Rec #| Data , UOM ,  Data  , UOM  , Time , Date");

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QStringList rows(MainWithFakes& m)
{
    QStringList out;
    for (int r = 0; r < m->filDisp()->List1->count(); ++r)
        out << m->filDisp()->List1->row(r);
    return out;
}

// The user picks `choice` in the open dialog ("" cancels).
void view(MainWithFakes& m, const QString& choice)
{
    m.dialog->choices.push_back(choice);
    m->View_File_Click();
}

} // namespace

class TestViewer : public QObject
{
    Q_OBJECT
  private slots:
    void listsTheFileLastLineFirst_data();
    void listsTheFileLastLineFirst();
    void lineEndSplitBetweenPieces_data();
    void lineEndSplitBetweenPieces();
    void numbersKeepTheirLastFiveDigits();
    void failures_data();
    void failures();
    void nextViewingReplacesTheListAndHideKeepsIt();
    void resizeRule_data();
    void resizeRule();
    void largeFiles_data();
    void largeFiles();
    void windowStaysOnTheScreen();
    void listEndsAboveTheFoot();
};

void TestViewer::listsTheFileLastLineFirst_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("listed"); // top first, heading excluded
    QTest::addColumn<bool>("cancel");        // the dialog cancelled after an interrupted viewing
    // clang-format off
    QTest::newRow("empty file") << QByteArray() << QStringList{} << false;
    QTest::newRow("three lines") << QByteArray(" 1 ,+1.0,%RH\r\n 2 ,+2.0,%RH\r\n 3 ,+3.0,%RH\r\n")
        << QStringList{"    3  3 ,+3.0,%RH", "    2  2 ,+2.0,%RH", "    1  1 ,+1.0,%RH"} << false;
    QTest::newRow("no final line end") << QByteArray("a\r\nb") << QStringList{"    2 b", "    1 a"} << false;
    QTest::newRow("CR only") << QByteArray("a\rb\rc\r") << QStringList{"    3 c", "    2 b", "    1 a"} << false;
    QTest::newRow("blank lines kept") << QByteArray("\r\n\r\nx\r\n") << QStringList{"    3 x", "    2 ", "    1 "} << false;
    QTest::newRow("bytes as Latin-1") << QByteArray("23.5\xb0" "C") << QStringList{"    1 23.5\u00b0C"} << false;
    QTest::newRow("cancelled: the proposed file") << QByteArray("only\r\n") << QStringList{"    1 only"} << true;
    QTest::newRow("control characters") << QByteArray("a\tb\x00" "c\x1b\x7f\x01\x85\x9f\xa0\r\nz", 14)
        << QStringList{"    2 z", "    1 a\u2409b\u2400c\u241b\u2421\u2401\ufffd\ufffd\u00a0"} << false;
    QTest::newRow("a line longer than is shown") << QByteArray(5000, 'x') + "\r\n" + QByteArray(4096, 'y')
        << QStringList{"    2 " + QString(4096, u'y'), "    1 " + QString(4096, u'x') + u'\u2026'} << false;
    // clang-format on
}

void TestViewer::listsTheFileLastLineFirst()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, listed);
    QFETCH(bool, cancel);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("SAVED.CSV"));
    writeFile(path, bytes);
    MainWithFakes m;
    m->session().Save_File_Name = cancel ? path : QStringLiteral("PROPOSED.CSV");
    if (cancel) { // file 3 left open: it is closed first
        m.files->open(3, path, SeqFiles::Mode::Input);
        m->session().View_Open = 1;
    }
    view(m, cancel ? QString() : path);
    QCOMPARE(m.dialog->shown, QStringList{QStringLiteral("open")});
    QCOMPARE(m.dialog->filter(), QStringLiteral("CSV|*.CSV"));
    QCOMPARE(m.dialog->defaultExt(), QStringLiteral("CSV"));
    QCOMPARE(m.dialog->dialogTitle(), QStringLiteral("Select File For Saving"));
    QCOMPARE(rows(m), listed + QStringList{kHeading});
    QVERIFY(m.boxes->shown.isEmpty());
    QVERIFY(m->filDisp()->isVisible());
    QCOMPARE(m->session().Save_File_Name, path);
    QCOMPARE(m->session().View_Open, 0);
    QVERIFY(!m.files->isOpen(3));
}

// The file is read in pieces, and a CR LF may be cut between two: still one line end.
void TestViewer::lineEndSplitBetweenPieces_data()
{
    QTest::addColumn<int>("cut");
    for (int cut = 0; cut <= 6; ++cut)
        QTest::addRow("first piece %d bytes", cut) << cut;
}

void TestViewer::lineEndSplitBetweenPieces()
{
    QFETCH(int, cut);
    const QByteArray bytes("a\r\nb\r\n");
    FileListing listing;
    listing.append(bytes.first(cut));
    listing.append(bytes.sliced(cut));
    QString listed;
    for (qsizetype r = 0; r < listing.rowCount(); ++r)
        listed += listing.row(r) + u'\n';
    QCOMPARE(listed, QStringLiteral("    2 b\n    1 a\n") + kHeading + u'\n');
}

void TestViewer::numbersKeepTheirLastFiveDigits()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("LONG.CSV"));
    QByteArray bytes;
    for (int n = 1; n <= 100001; ++n)
        bytes += "L" + QByteArray::number(n) + "\r\n";
    writeFile(path, bytes);
    MainWithFakes m;
    view(m, path);
    FileListBox* list = m->filDisp()->List1;
    QCOMPARE(list->count(), 100002);
    QCOMPARE(list->row(0), QStringLiteral("00001 L100001"));
    QCOMPARE(list->row(1), QStringLiteral("00000 L100000"));
    QCOMPARE(list->row(2), QStringLiteral("99999 L99999"));
    QCOMPARE(list->row(100000), QStringLiteral("    1 L1"));
}

void TestViewer::failures_data()
{
    QTest::addColumn<QString>("choice"); // "recording": the file being recorded
    QTest::addColumn<QString>("said");
    // clang-format off
    QTest::newRow("the file being recorded") << "recording" << "File already open, Can't Open files that are in use";
    QTest::newRow("missing file") << "%1/MISSING.CSV" << "File not found: %1/MISSING.CSV";
    QTest::newRow("first dialog cancelled") << "" << "Bad file name";
    QTest::newRow("a folder") << "%1" << "Cannot list %1: it is not a regular file";
    // A pipe would wait for a writer, holding up the recording; a device never ends.
    QTest::newRow("a pipe") << "%1/PIPE" << "Cannot list %1/PIPE: it is not a regular file";
    QTest::newRow("/dev/zero") << "/dev/zero" << "Cannot list /dev/zero: it is not a regular file";
    QTest::newRow("/dev/null") << "/dev/null" << "Cannot list /dev/null: it is not a regular file";
    // clang-format on
}

void TestViewer::failures()
{
    QFETCH(QString, choice);
    QFETCH(QString, said);
    QTemporaryDir dir;
    const QString recording = dir.filePath(QStringLiteral("REC.CSV"));
    const QString good = dir.filePath(QStringLiteral("GOOD.CSV"));
    writeFile(good, "a\r\nb\r\n");
    QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("PIPE"))).constData(), 0600),
             0);
    MainWithFakes m;
    m.files->open(1, recording, SeqFiles::Mode::Append);
    view(m, good); // a list to be cleared
    m->session().Save_File_Name.clear();
    choice = choice == QLatin1String("recording") ? recording : choice.arg(dir.path());
    view(m, choice);
    QCOMPARE(m.boxes->shown.size(), 1);
    QVERIFY2(m.boxes->shown.first().startsWith(said.contains(u'%') ? said.arg(dir.path()) : said),
             qPrintable(m.boxes->shown.first()));
    QVERIFY(m->filDisp()->isVisible());
    QCOMPARE(m->filDisp()->List1->count(), 0);
    QCOMPARE(m->session().View_Open, 0);
    QVERIFY(!m.files->isOpen(3));
    m.files->printLine(1, QStringLiteral("row")); // the recording goes on
    view(m, good);                                // and file number 3 was released
    QCOMPARE(rows(m), (QStringList{"    2 b", "    1 a", kHeading}));
}

void TestViewer::nextViewingReplacesTheListAndHideKeepsIt()
{
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("A.CSV"));
    const QString b = dir.filePath(QStringLiteral("B.CSV"));
    writeFile(a, "a1\r\na2\r\na3\r\n");
    writeFile(b, "b1\r\n");
    MainWithFakes m;
    view(m, a);
    m->filDisp()->Command1->click();
    QVERIFY(!m->filDisp()->isVisible());
    QCOMPARE(m->filDisp()->List1->count(), 4);
    view(m, b);
    QVERIFY(m->filDisp()->isVisible());
    QCOMPARE(rows(m), (QStringList{"    1 b1", kHeading}));
}

void TestViewer::resizeRule_data()
{
    QTest::addColumn<QSize>("window"); // twips
    QTest::addColumn<bool>("empty");
    QTest::newRow("ordinary") << QSize(9000, 4800) << false;
    QTest::newRow("narrower than the margins") << QSize(90, 200) << true;
    QTest::newRow("nothing left") << QSize(15, 15) << true;
}

void TestViewer::resizeRule()
{
    QFETCH(QSize, window);
    QFETCH(bool, empty);
    MainWithFakes m;
    FrmFilDisp* w = m->filDisp();
    w->show();
    w->resize(twipsToPixels(window.width(), w), twipsToPixels(window.height(), w));
    // The outer size less 150 by 400 twips, or nothing at all.
    const QSize rule(twipsToPixels(outerWidthTwips(w) - 150, w),
                     twipsToPixels(outerHeightTwips(w) - 400, w));
    QCOMPARE(w->List1->size(), empty ? QSize(0, 0) : rule);
}

namespace {

// This process's resident memory in kB; peak: the most since the last reset.
qint64 residentKb(bool peak)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray key = peak ? "VmHWM:" : "VmRSS:";
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').first().toLongLong();
    return -1;
}

bool resetPeak()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    return f.open(QIODevice::WriteOnly) && f.write("5") == 1;
}

} // namespace

// 50 MB files, whatever their line lengths: read in pieces with the event loop served between
// them, listed and painted with at most as much memory again as the file.
void TestViewer::largeFiles_data()
{
    QTest::addColumn<QByteArray>("pattern"); // repeated to 50 MB
    QTest::addColumn<qsizetype>("lines");
    QTest::addColumn<QString>("top");
    const qsizetype size = 50 << 20;
    QTest::newRow("one line, no line end")
        << QByteArray("x") << qsizetype(1) << "    1 " + QString(4096, u'x') + u'\u2026';
    QTest::newRow("empty lines") << QByteArray("\n") << size << "28800 ";
    QTest::newRow("short lines") << QByteArray("ab\r\n") << size / 4 << "07200 ab";
}

void TestViewer::largeFiles()
{
    QFETCH(QByteArray, pattern);
    QFETCH(qsizetype, lines);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("BIG.CSV"));
    const qsizetype size = 50 << 20;
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        const QByteArray piece = pattern.repeated((1 << 20) / pattern.size());
        for (qsizetype written = 0; written < size; written += piece.size())
            QCOMPARE(f.write(piece), piece.size());
    }
    MainWithFakes m;
    m->filDisp()->show();
    int turns = 0; // the event loop's turns while the file is read
    QTimer turn;
    connect(&turn, &QTimer::timeout, [&] { ++turns; });
    turn.start(0);
    QVERIFY(resetPeak());
    const qint64 before = residentKb(false);
    view(m, path);
    m->filDisp()->List1->viewport()->grab(); // painted, too
    const qint64 peak = residentKb(true);
    turn.stop();
    FileListBox* list = m->filDisp()->List1;
    QCOMPARE(list->count(), lines + 1);
    QTEST(list->row(0), "top");
    QCOMPARE(list->row(list->count() - 1), kHeading);
    qInfo("%lld kB more at the peak for a %lld kB file; %d event-loop turns", peak - before,
          qlonglong(size / 1024), turns);
    QVERIFY2(turns >= 25, qPrintable(QString::number(turns)));
    QVERIFY2(
        before > 0 && (peak - before) * 1024 < 2 * size,
        qPrintable(
            QStringLiteral("%1 kB more for a %2 kB file").arg(peak - before).arg(size / 1024)));
}

// However large it was made, the viewer fits the screen, frame and all, when it is shown.
void TestViewer::windowStaysOnTheScreen()
{
    MainWithFakes m;
    FrmFilDisp* w = m->filDisp();
    const QRect room = w->screen()->availableGeometry();
    w->setGeometry(QRect(room.topLeft() + QPoint(200, 300), room.size() + QSize(300, 400)));
    w->show();
    const QRect frame(w->pos(), w->frameGeometry().size().expandedTo(w->size()));
    QVERIFY2(room.contains(frame), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                  .arg(frame.x())
                                                  .arg(frame.y())
                                                  .arg(frame.width())
                                                  .arg(frame.height())));
    QVERIFY(w->List1->height() > 0);
}

// However short the window and tall its frame, the list ends above the window's foot, with its
// last row, the heading, in sight. test_viewer_framed runs this under a title bar's height.
void TestViewer::listEndsAboveTheFoot()
{
    MainWithFakes m;
    FrmFilDisp* w = m->filDisp();
    w->show();
    w->resize(w->width(), twipsToPixels(1500, w));
    QVERIFY(w->List1->height() > 0);
    QCOMPARE_LT(w->List1->geometry().bottom(), w->height());
}

QTEST_MAIN(TestViewer)
#include "test_viewer.moc"
