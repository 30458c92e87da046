// "View File" through the main window, with a fake open dialog and real files.

#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
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
    void numbersKeepTheirLastFiveDigits();
    void failures_data();
    void failures();
    void nextViewingReplacesTheListAndHideKeepsIt();
    void resizeRule_data();
    void resizeRule();
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
    QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("PIPE"))).constData(), 0600), 0);
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

QTEST_MAIN(TestViewer)
#include "test_viewer.moc"
