// The plot window through the main window, with a fake dialog and real files: opening it,
// moving around, the cursor, following, exporting and printing.

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QImage>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include "command_line.h"
#include "fil_disp.h"
#include "file_plot.h"
#include "plot_area.h"
#include "printer.h"
#include "test_main_window.h"

namespace {

void writeFile(const QString& path, const QByteArray& bytes,
               QIODevice::OpenMode mode = QIODevice::Truncate)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | mode));
    QCOMPARE(f.write(bytes), bytes.size());
}

// `minutes` of rows a second from 10:00:00, display 2 missing from 10:05 to 10:09.
QByteArray saveRows(int minutes, int firstSecond = 0)
{
    QByteArray out;
    for (int s = firstSecond; s < firstSecond + minutes * 60; ++s) {
        if (s >= 300 && s < 540)
            continue;
        out += QStringLiteral(" %1 ,+%2,%RH,+%3,Deg C,%4:%5:%6,12-07-2026\r\n")
                   .arg(s + 1)
                   .arg(40 + s % 10)
                   .arg(20 + s % 7)
                   .arg(10 + s / 3600)
                   .arg(s / 60 % 60, 2, 10, QChar(u'0'))
                   .arg(s % 60, 2, 10, QChar(u'0'))
                   .toLatin1();
    }
    return out;
}

FrmFilePlot* plotThrough(MainWithFakes& m, const QString& path)
{
    m.dialog->choices.push_back(path);
    m->Plot_File->trigger();
    FrmFilePlot* w = m->filePlot();
    if (!QTest::qWaitFor([w] { return !w->loading(); }, 30000))
        return nullptr;
    w->resize(1000, 700);
    return w;
}

void wheel(QWidget* w, QPoint at, int delta)
{
    QWheelEvent e(at, w->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
}

} // namespace

class TestPlotWindow : public QObject
{
    Q_OBJECT
  private slots:
    void opensFromTheMenuAndTheViewer();
    void movingAround_data();
    void movingAround();
    void cursorShowsTheValuesThere_data();
    void cursorShowsTheValuesThere();
    void followKeepsTheNewestRowsInView_data();
    void followKeepsTheNewestRowsInView();
    void aTruncatedFileIsReadAgain();
    void exportsAndPrints();
    void tellsWhyNothingIsPlotted();
    void aDownloadGetsATimeAxis();
    void commandLine_data();
    void commandLine();
};

void TestPlotWindow::opensFromTheMenuAndTheViewer()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("DAY.CSV"));
    writeFile(path, saveRows(10));
    MainWithFakes m;
    m->session().Save_File_Name = path;
    // Cancel plots nothing, and proposes the file last used.
    m.dialog->choices.push_back(QString());
    m->Plot_File->trigger();
    QCOMPARE(m.dialog->fileName(), path);
    QVERIFY(!m->filePlotLoaded());
    // On a screen smaller than its first size it fits, foot and all.
    m.dialog->choices.push_back(path);
    m->Plot_File->trigger();
    QVERIFY(m->filePlot()->screen()->availableGeometry().contains(m->filePlot()->frameGeometry()));

    FrmFilePlot* w = plotThrough(m, path);
    QVERIFY(w && w->isVisible());
    QCOMPARE(w->windowTitle(), QStringLiteral("DAY.CSV"));
    QCOMPARE(w->data()->rowCount(), 10 * 60 - 240);
    QCOMPARE(w->data()->gaps().size(), size_t(1));
    QVERIFY(w->TimeAxis->isHidden()); // for downloads only
    QVERIFY(w->Stats->text().contains(QStringLiteral("4 min")));
    const QString download = dir.filePath(QStringLiteral("DOWN.CSV"));
    writeFile(download, "Data 1,Data Unit,Data 2,Data Unit\r\n 1 ,+45.1,%RH,+21.0,Deg C\r\n");
    w = plotThrough(m, download);
    QVERIFY(w && !w->TimeAxis->isHidden());
    QCOMPARE(w->windowTitle(), QStringLiteral("DOWN.CSV"));
    w->close();

    // The viewer's "Plot" plots the file it lists, and only once one is listed.
    m.dialog->choices.push_back(path);
    m->View_File->trigger();
    QVERIFY(m->filDisp()->Command2->isEnabled());
    m->filDisp()->Command2->click();
    QTRY_VERIFY_WITH_TIMEOUT(m->filePlotLoaded() && !m->filePlot()->loading(), 30000);
    QCOMPARE(m->filePlot()->path(), path);
    m.dialog->choices.push_back(dir.filePath(QStringLiteral("NONE.CSV")));
    m->View_File->trigger();
    QVERIFY(!m->filDisp()->Command2->isEnabled());
}

void TestPlotWindow::movingAround_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<double>("from"); // seconds after 10:00:00 shown at the left edge, ±2
    QTest::addColumn<double>("to");
    QTest::newRow("wheel in, about the pointer at the middle") << "wheel" << 107.8 << 491.2;
    QTest::newRow("box") << "box" << 150.0 << 450.0;
    QTest::newRow("right drag by a quarter") << "drag" << -149.75 << 449.25;
    QTest::newRow("arrow right") << "right" << 59.9 << 658.9;
    QTest::newRow("double click after a zoom") << "double" << 0.0 << 599.0;
    QTest::newRow("Page Down: a whole span on")
        << "page down" << 539.1 << 1138.1; // a tenth of the file stays
    QTest::newRow("End after a zoom") << "end" << 469.64 << 601.64;
    QTest::newRow("far in: ten seconds at least") << "far in" << 294.5 << 304.5;
    QTest::newRow("far out: four times the file at most") << "far out" << -903.2 << 1502.8;
}

void TestPlotWindow::movingAround()
{
    QFETCH(QString, action);
    QFETCH(double, from);
    QFETCH(double, to);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("DAY.CSV"));
    writeFile(path, saveRows(10));
    MainWithFakes m;
    FrmFilePlot* w = plotThrough(m, path);
    QVERIFY(w);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    PlotArea* a = w->Plot;
    const PlotFrame f = a->frame();
    auto xOf = [&](double key) { return int(std::lround(f.xOf(key))); };
    const int y = int(f.plot.center().y());
    if (action == u"wheel") {
        wheel(a, QPoint(xOf(299.5), y), 240); // two notches in: 1.25^-2 of the span
    } else if (action == u"box") {
        QTest::mousePress(a, Qt::LeftButton, {}, QPoint(xOf(150), y - 50));
        QTest::mouseMove(a, QPoint(xOf(450) - 1, y + 50));
        QTest::mouseRelease(a, Qt::LeftButton, {}, QPoint(xOf(450) - 1, y + 50));
    } else if (action == u"drag") {
        QTest::mousePress(a, Qt::RightButton, {}, QPoint(xOf(300), y));
        QTest::mouseMove(a, QPoint(xOf(300) + int(f.plot.width() / 4), y));
        QTest::mouseRelease(a, Qt::RightButton, {}, QPoint(xOf(300) + int(f.plot.width() / 4), y));
    } else if (action == u"right" || action == u"page down") {
        QTest::keyClick(a, action == u"right" ? Qt::Key_Right : Qt::Key_PageDown);
    } else if (action == u"end") {
        a->setView({100, 232, {}});
        QTest::keyClick(a, Qt::Key_End);
    } else if (action == u"far in" || action == u"far out") {
        for (int i = 0; i < 40; ++i)
            wheel(a, QPoint(xOf(299.5), y), action == u"far in" ? 120 : -120);
    } else if (action == u"double") {
        wheel(a, QPoint(xOf(100), y), 480);
        QVERIFY(!a->whole());
        QTest::mouseDClick(a, Qt::LeftButton, {}, QPoint(xOf(100), y));
        QVERIFY(a->whole());
    }
    QVERIFY2(std::fabs(a->view().from - from) < 2 && std::fabs(a->view().to - to) < 2,
             qPrintable(QStringLiteral("%1 .. %2").arg(a->view().from).arg(a->view().to)));
    if (action == u"box") { // the values too: each axis spans what the box did
        const PlotAxis& rh = a->frame().axes.at(0);
        QCOMPARE(a->view().fixedValues.size(), a->frame().axes.size());
        QVERIFY(std::fabs(rh.scale.low - f.valueAt(f.axes.at(0), y + 51)) < 0.05);
        QVERIFY(std::fabs(rh.scale.high - f.valueAt(f.axes.at(0), y - 50)) < 0.05);
    }
}

void TestPlotWindow::cursorShowsTheValuesThere_data()
{
    QTest::addColumn<double>("key");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("a row") << 12.2
                           << QStringList{"12-07-2026 10:00:12", "Display 1: 42 %RH",
                                          "Display 2: 25.0 Deg C"};
    QTest::newRow("in the gap") << 420.0 << QStringList{"12-07-2026 10:07:00", "no row here"};
}

void TestPlotWindow::cursorShowsTheValuesThere()
{
    QFETCH(double, key);
    QFETCH(QStringList, texts);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("DAY.CSV"));
    writeFile(path, saveRows(10).replace("+25,Deg C", "+25.0,Deg C"));
    MainWithFakes m;
    FrmFilePlot* w = plotThrough(m, path);
    QVERIFY(w);
    w->Plot->frame();
    QCOMPARE(w->Plot->cursorTexts(key), texts);
}

void TestPlotWindow::followKeepsTheNewestRowsInView_data()
{
    QTest::addColumn<QString>("view");
    QTest::addColumn<bool>("follow");
    QTest::addColumn<double>("to"); // where the view ends after a minute more of rows
    QTest::newRow("the whole file grows") << "whole" << true << 659.0;
    QTest::newRow("the newest minute moves on") << "end" << true << 671.0;
    QTest::newRow("elsewhere stays") << "start" << true << 120.0;
    QTest::newRow("without Follow") << "end" << false << 611.0;
    QTest::newRow("Follow turned on again") << "start, then Follow" << true << 661.4;
}

void TestPlotWindow::followKeepsTheNewestRowsInView()
{
    QFETCH(QString, view);
    QFETCH(bool, follow);
    QFETCH(double, to);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("GROW.CSV"));
    writeFile(path, saveRows(10));
    MainWithFakes m;
    FrmFilePlot* w = plotThrough(m, path);
    QVERIFY(w);
    w->Follow->setChecked(follow);
    PlotArea* a = w->Plot;
    if (view == u"end")
        a->setView({551, 611, {}});
    else if (view.startsWith(u"start"))
        a->setView({0, 120, {}});
    if (view.endsWith(u"Follow")) { // off, then on: the newest rows come into view
        w->Follow->setChecked(false);
        w->Follow->setChecked(true);
        QCOMPARE(a->view().to - a->view().from, 120.0);
    }
    writeFile(path, saveRows(1, 600), QIODevice::Append);
    QTRY_COMPARE_WITH_TIMEOUT(w->data()->rowCount(), 11 * 60 - 240, 20000);
    QCOMPARE(a->view().to, to);
}

void TestPlotWindow::aTruncatedFileIsReadAgain()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("CUT.CSV"));
    writeFile(path, saveRows(10));
    MainWithFakes m;
    FrmFilePlot* w = plotThrough(m, path);
    QVERIFY(w);
    writeFile(path, saveRows(1));
    QTRY_COMPARE_WITH_TIMEOUT(w->data() ? w->data()->rowCount() : -1, 60, 20000);
    // and it is followed again
    writeFile(path, saveRows(1, 60), QIODevice::Append);
    QTRY_COMPARE_WITH_TIMEOUT(w->data() ? w->data()->rowCount() : -1, 120, 20000);
}

void TestPlotWindow::exportsAndPrints()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("DAY.CSV"));
    writeFile(path, saveRows(10));
    MainWithFakes m;
    FrmFilePlot* w = plotThrough(m, path);
    QVERIFY(w);
    // Cancel writes nothing, not even under the proposed name.
    m.dialog->choices.push_back(QString());
    w->Export->click();
    QCOMPARE(m.dialog->fileName(), path); // the main window's dialog as it was
    QCOMPARE(m.dialog->filter(), QStringLiteral("CSV|*.CSV"));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("DAY.png"))));
    const QString png = dir.filePath(QStringLiteral("view.png"));
    m.dialog->choices.push_back(png);
    w->Export->click();
    QCOMPARE(QImage(png).size(), w->Plot->size());
    QVERIFY(m.boxes->shown.isEmpty());
    m.dialog->choices.push_back(dir.filePath(QStringLiteral("view.txt")));
    w->Export->click();
    QVERIFY(m.boxes->shown.value(0).endsWith(QStringLiteral("must end in .png, .svg or .pdf")));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("view.txt"))));

    // A print that fails says so, and nothing else stops.
    printToPdfFile(dir.filePath(QStringLiteral("no/such/folder/printed.pdf")));
    w->Print->click();
    QVERIFY(m.boxes->shown.value(1).startsWith(QStringLiteral("The plot was not printed.\n")));

    const QString pdf = dir.filePath(QStringLiteral("printed.pdf"));
    printToPdfFile(pdf);
    m.dialog->printerChosen = false;
    w->Print->click();
    QVERIFY(!QFile::exists(pdf));
    m.dialog->printerChosen = true;
    w->Print->click();
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {pdf});
    QVERIFY(info.waitForFinished(30000));
    QVERIFY(info.readAllStandardOutput().contains("Pages:           1\n"));
}

void TestPlotWindow::tellsWhyNothingIsPlotted()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("TEXT.CSV"));
    writeFile(path, "no numbers here\r\nnor here\r\n");
    MainWithFakes m;
    FrmFilePlot* w = plotThrough(m, path);
    QVERIFY(w);
    QCOMPARE(w->Plot->emptyText(),
             QStringLiteral("TEXT.CSV holds nothing to plot: none of its 2 lines is a row with a "
                            "number (line 1 is the first).\nRows appended to it will show here."));
    QVERIFY(m.boxes->shown.isEmpty()); // said in the window, not in a box over it
    // Rows that come later are plotted.
    writeFile(path, " 1 ,+1.0,V,10:00:00,12-07-2026\r\n 2 ,+2.0,V,10:00:01,12-07-2026\r\n",
              QIODevice::Append);
    QTRY_COMPARE_WITH_TIMEOUT(w->data()->series().size(), size_t(1), 20000);
}

// The user gives the first record's time and the logging interval; Cancel and "Record numbers"
// leave or bring back the numbers.
void TestPlotWindow::aDownloadGetsATimeAxis()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("DOWN.CSV"));
    writeFile(path, "Data 1,Data Unit,Data 2,Data Unit\r\n 1 ,+1.0,V,,\r\n 2 ,+2.0,V,,\r\n"
                    " 3 ,+3.0,V,,\r\n");
    MainWithFakes m;
    FrmFilePlot* w = plotThrough(m, path);
    QVERIFY(w);
    auto answer = [](bool ok, bool numbers) {
        QTimer::singleShot(0, [ok, numbers] {
            auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            QVERIFY(d);
            d->findChild<QDateTimeEdit*>()->setDateTime(
                QDateTime(QDate(2026, 12, 7), QTime(8, 0), Qt::UTC));
            d->findChild<QDoubleSpinBox*>()->setValue(60);
            d->findChild<QCheckBox*>()->setChecked(numbers);
            ok ? d->accept() : d->reject();
        });
    };
    answer(false, false);
    w->TimeAxis->click();
    QVERIFY(!w->data()->timeAxis());
    answer(true, false);
    w->TimeAxis->click();
    QCOMPARE(w->Plot->cursorTexts(3).value(0), QStringLiteral("12-07-2026 08:02:00"));
    answer(true, true);
    w->TimeAxis->click();
    QCOMPARE(w->Plot->cursorTexts(3).value(0), QStringLiteral("record 3"));
}

void TestPlotWindow::commandLine_data()
{
    QTest::addColumn<QStringList>("args");
    // action file export size from to, or the error of a wrong command line
    QTest::addColumn<QString>("read");
    // clang-format off
    QTest::newRow("no plot") << QStringList{"--port", "1=/dev/null"} << "run";
    QTest::newRow("the plot asks for a file") << QStringList{"--plot"} << "plot";
    QTest::newRow("the plot with a port") << QStringList{"--plot", "f.csv", "--port", "1=/dev/null"} << "plot f.csv";
    QTest::newRow("a span before the end") << QStringList{"--plot=f.csv", "--from", "-2h", "--to=-1h"} << "plot f.csv -2h -1h";
    QTest::newRow("export") << QStringList{"--export", "o.svg", "--size=800x600", "--plot", "f.csv"} << "export f.csv o.svg 800x600";
    QTest::newRow("no file before --export") << QStringList{"--plot", "--export", "o.png"} << "wrong --export needs the file to plot: --plot FILE --export OUT";
    QTest::newRow("a size without export") << QStringList{"--plot", "f.csv", "--size", "800x600"} << "wrong --size goes with --export";
    QTest::newRow("a value missing") << QStringList{"--plot", "f.csv", "--from"} << "wrong --from needs a value";
    QTest::newRow("an unknown word with a plot") << QStringList{"--plot", "f.csv", "g.csv"} << "wrong unknown argument \"g.csv\" f.csv";
    // clang-format on
}

void TestPlotWindow::commandLine()
{
    QFETCH(QStringList, args);
    QFETCH(QString, read);
    PortMap ports;
    const CommandLine c = readCommandLine(args, ports);
    static const char* actions[] = {"run", "help", "version", "wrong", "plot", "export"};
    QStringList got{QString::fromLatin1(actions[c.action])};
    if (c.action == CommandLine::Wrong) {
        QVERIFY(c.oneLine); // a plot's script gets one line, no usage
        got << c.error;
    }
    for (const QString& s :
         {c.plotFile, c.exportFile,
          c.size.isValid() ? QStringLiteral("%1x%2").arg(c.size.width()).arg(c.size.height())
                           : QString(),
          c.from, c.to})
        if (!s.isEmpty())
            got << s;
    QCOMPARE(got.join(u' '), read);
}

QTEST_MAIN(TestPlotWindow)
#include "test_plot_window.moc"
