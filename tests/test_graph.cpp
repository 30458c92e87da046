#include <QAction>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

#include "anag_display.h"
#include "dig_display.h"
#include "gauge_dial.h"
#include "gauge_model.h"
#include "graph_model.h"
#include "graph_plot.h"
#include "graph_window.h"
#include "printer.h"
#include "test_main_window.h"
#include "twips.h"

namespace {

// Display 1 in %RH, display 2 in Deg C, one decimal place each; sign code 3 makes both negative.
QByteArray reading(const QByteArray& d1, const QByteArray& d2 = "0235", char sign = '0',
                   const char* unit1 = "04")
{
    QByteArray p("\x02");
    p += sign;
    p += '1';
    p += unit1;
    p += "11" + d2 + d1 + '\r';
    Q_ASSERT(p.size() == 16);
    return p;
}

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Colour classes of a rendered page: the traces' pure blue and red, nothing in between.
bool isBlue(QRgb c)
{
    return qBlue(c) > 190 && qRed(c) < 80 && qGreen(c) < 80;
}
bool isRed(QRgb c)
{
    return qRed(c) > 190 && qBlue(c) < 80 && qGreen(c) < 80;
}

} // namespace

class TestGraph : public QObject
{
    Q_OBJECT
  private slots:
    void valueAxis_data()
    {
        QTest::addColumn<double>("upper");
        QTest::addColumn<double>("lowest");
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("step");
        QTest::addColumn<int>("decimals");
        QTest::newRow("start bound") << 100.0 << 0.0 << 0.0 << 20.0 << 0;
        QTest::newRow("raised bound stays on top") << 55.0 << 3.0 << 0.0 << 20.0 << 0;
        QTest::newRow("negative readings lower the axis") << 100.0 << -12.0 << -25.0 << 25.0 << 0;
        QTest::newRow("small span") << 1.0 << 0.0 << 0.0 << 0.2 << 1;
        QTest::newRow("quarter steps") << 12.0 << 0.0 << 0.0 << 2.5 << 1;
        QTest::newRow("bound below every value") << -30.0 << -12.0 << -12.0 << 0.2 << 1;
    }
    void valueAxis()
    {
        QFETCH(double, upper);
        QFETCH(double, lowest);
        const ValueAxis a = ::valueAxis(upper, lowest, 5);
        QTEST(a.low, "low");
        QTEST(a.step, "step");
        QTEST(a.decimals, "decimals");
        QCOMPARE(a.high, std::max(upper, a.low + 1));
    }

    // Hiding through the menu and through the close box leave the same state behind.
    void graphHidden_data()
    {
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("menu") << false;
        QTest::newRow("close box") << true;
    }
    void graphHidden()
    {
        QFETCH(bool, closeBox);
        MainWithFakes m;
        m.startLinked(1, false);
        m.comm->fire(reading("0100"));
        m->Graph_On->trigger();
        QPointer<FrmGraph> g = m->graph();
        QVERIFY(m->Graph_On->isChecked() && g->isVisible() && g->Plot->isVisible());
        QCOMPARE(m->session().Graph_Shown, 1);
        // Shown: a unit change clears the plot (one packet late).
        m.comm->fire(reading("0100", "0235", '0', "01"));
        m.comm->fire(reading("0100", "0235", '0', "01"));
        QVERIFY(std::isnan(g->Graph1->value(1, 98)));

        if (closeBox)
            g->close();
        else
            m->Graph_On->trigger();
        QVERIFY(!m->Graph_On->isChecked());
        QCOMPARE(m->session().Graph_Shown, 0);
        flushDeletes();
        QCOMPARE(g.isNull(), closeBox);
        if (!closeBox)
            QVERIFY(!g->isVisible() && !g->Plot->isVisible());

        // Hidden: the next unit change keeps the points.
        m.comm->fire(reading("0300"));
        m.comm->fire(reading("0400"));
        m.comm->fire(reading("0500"));
        GraphModel* plot = m->graph()->Graph1;
        QVERIFY(!m->graph()->isVisible());
        QCOMPARE(plot->value(1, 99), 50.0f);
        QCOMPARE(plot->value(1, 98), 40.0f);
        // The close box discards the plotted values; the menu keeps them.
        QCOMPARE(std::isnan(plot->value(1, 97)), closeBox);
        // A window made again has the start-up colours and went on at the running point.
        QCOMPARE(plot->colorData(1), 9);
        QCOMPARE(plot->colorData(2), 12);
    }

    void plotSize_data()
    {
        QTest::addColumn<int>("outerW"); // twips
        QTest::addColumn<int>("outerH");
        QTest::addColumn<int>("plotW");
        QTest::addColumn<int>("plotH");
        QTest::newRow("ordinary") << 9000 << 6000 << 8925 << 5025;
        QTest::newRow("just enough") << 150 << 1050 << 75 << 75;
        QTest::newRow("below 975 high") << 6000 << 900 << 5925 << 0;
        QTest::newRow("below 75 wide") << 60 << 6000 << 0 << 5025;
        QTest::newRow("tiny") << 15 << 15 << 0 << 0;
    }
    void plotSize()
    {
        QFETCH(int, outerW);
        QFETCH(int, outerH);
        FrmGraph g;
        g.resize(twipsToPixels(outerW, &g), twipsToPixels(outerH, &g));
        g.Form_Resize();
        // Within the pixel that the conversion rounds to.
        QFETCH(int, plotW);
        QFETCH(int, plotH);
        QVERIFY(std::abs(pixelsToTwips(g.Plot->width(), &g) - plotW) <= 15);
        QVERIFY(std::abs(pixelsToTwips(g.Plot->height(), &g) - plotH) <= 15);
    }

    // The gauge update as a user sees it: both gauges, their limit, value and unit texts.
    void gauges_data()
    {
        QTest::addColumn<bool>("shown");
        QTest::addColumn<QByteArrayList>("readings"); // display 1 and 2 alike, sign first
        QTest::addColumn<int>("upper");
        QTest::addColumn<double>("offset");
        QTest::addColumn<QString>("lowerText");
        QTest::addColumn<QString>("upperText");
        QTest::addColumn<double>("needle");
        QTest::addColumn<QString>("value");
        QTest::newRow("120 raises 100 to 180")
            << true << QByteArrayList{"+1200"} << 180 << 0.0 << "0"
            << "180" << 120.0 << "+120.0";
        QTest::newRow("150 then changes nothing")
            << true << QByteArrayList{"+1200", "+1500"} << 180 << 0.0 << "0"
            << "180" << 150.0 << "+150.0";
        QTest::newRow("-10 shifts by 15") << true << QByteArrayList{"-0100"} << 100 << 15.0 << "-15"
                                          << "85" << 5.0 << "-010.0";
        QTest::newRow("-10.5 shifts by 16")
            << true << QByteArrayList{"-0105"} << 100 << 16.0 << "-16"
            << "84" << 5.5 << "-010.5";
        QTest::newRow("equal to U - O")
            << true << QByteArrayList{"-0100", "+0850"} << 100 << 15.0 << "-15"
            << "85" << 100.0 << "+085.0";
        QTest::newRow("hidden: untouched")
            << false << QByteArrayList{"-0100", "+1500"} << 100 << 0.0 << ""
            << "" << 0.0 << "";
    }
    void gauges()
    {
        QFETCH(bool, shown);
        QFETCH(QByteArrayList, readings);
        MainWithFakes m;
        m.startLinked(1, false);
        if (shown)
            m->Analog_On->trigger();
        for (const QByteArray& r : readings)
            m.comm->fire(reading(r.mid(1), r.mid(1), r[0] == '-' ? '3' : '0'));
        FrmAnagDisplay* a = m->anagDisplay();
        const SessionState& s = m->session();
        QCOMPARE(a->isVisible(), shown);
        struct Gauge
        {
            GaugeModel* g;
            double offset;
            QLabel *lower, *upper, *value, *unit;
        };
        for (const Gauge& g :
             {Gauge{a->Gauge1, s.Gauge1_Offset, a->Label25, a->Label26, a->Label19, a->Label20},
              Gauge{a->Gauge2, s.Gauge2_Offset, a->Label23, a->Label24, a->Label21, a->Label22}}) {
            QTEST(int(g.g->maxValue()), "upper");
            QCOMPARE(int(g.g->minValue()), 0);
            QTEST(g.offset, "offset");
            QTEST(g.lower->text(), "lowerText");
            QTEST(g.upper->text(), "upperText");
            QTEST(g.g->value(), "needle");
            QTEST(g.value->text(), "value");
        }
        QCOMPARE(a->Label20->text(), shown ? QStringLiteral("%RH") : QString());
        QCOMPARE(a->Label22->text(), shown ? QStringLiteral(" Deg C") : QString());
    }

    // Display 2's row lies below the window's edge for a meter with one display.
    void analogMenuAndRows_data()
    {
        QTest::addColumn<bool>("single");
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("one display, menu") << true << false;
        QTest::newRow("two displays, close box") << false << true;
    }
    void analogMenuAndRows()
    {
        QFETCH(bool, single);
        QFETCH(bool, closeBox);
        MainWithFakes m;
        m.startLinked(1, single);
        m->Analog_On->trigger();
        m.comm->fire(reading("0500"));
        QCoreApplication::processEvents(); // a shown window's new size comes back from the screen
        QPointer<FrmAnagDisplay> a = m->anagDisplay();
        QVERIFY(m->Analog_On->isChecked() && a->isVisible() && a->Frame6->isVisible());
        QCOMPARE(a->Frame6->size(), a->size());
        QVERIFY(a->dial(1)->geometry().bottom() < a->height());
        QCOMPARE(a->dial(2)->geometry().top() >= a->height(), single);
        QCOMPARE(a->Label26->geometry().center().x() > a->Label25->geometry().center().x(), true);

        if (closeBox)
            a->close();
        else
            m->Analog_On->trigger();
        QVERIFY(!m->Analog_On->isChecked());
        flushDeletes();
        QCOMPARE(a.isNull(), closeBox);
        if (!closeBox)
            QVERIFY(!a->isVisible() && !a->Frame6->isVisibleTo(a));
        m.comm->fire(reading("0500"));
        QVERIFY(!m->anagDisplay()->isVisible());
    }

    void needle_data()
    {
        QTest::addColumn<int>("lower");
        QTest::addColumn<int>("upper");
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("fraction");
        QTest::newRow("lower limit") << 0 << 100 << 0.0 << 0.0;
        QTest::newRow("middle") << 0 << 100 << 50.0 << 0.5;
        QTest::newRow("upper limit, shifted scale") << -20 << 80 << 80.0 << 1.0;
        QTest::newRow("beyond the upper limit") << 0 << 100 << 150.0 << 1.03;
        QTest::newRow("below the lower limit") << 0 << 100 << -40.0 << -0.03;
        QTest::newRow("no span") << 50 << 50 << 50.0 << 0.0;
    }
    void needle()
    {
        QFETCH(int, lower);
        QFETCH(int, upper);
        QFETCH(double, value);
        QFETCH(double, fraction);
        GaugeModel g(lower, upper);
        g.setValue(value);
        QCOMPARE(GaugeDial::needleFraction(g), fraction);
        GaugeDial dial(&g);
        dial.resize(240, 120);
        const QImage img = dial.grab().toImage();
        // The needle is drawn where the value puts it, and not where it does not.
        const auto red = [&](double f) {
            const QPointF at = dial.alongNeedle(f, 0.7);
            return isRed(img.pixel(int(at.x()), int(at.y())));
        };
        QVERIFY(red(fraction));
        QVERIFY(!red(fraction > 0.5 ? fraction - 0.4 : fraction + 0.4));
    }

    // A moving needle repaints only around its old and new places: every pixel that differs
    // between the two pictures must lie there, or a trace of the old needle stays on screen.
    void needleRepaintCoversTheChange_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<double>("from");
        QTest::addColumn<double>("to");
        QTest::newRow("small step") << QSize(240, 120) << 50.0 << 51.0;
        QTest::newRow("across the dial") << QSize(240, 120) << 5.0 << 95.0;
        QTest::newRow("pegged low to pegged high") << QSize(240, 120) << -40.0 << 150.0;
        QTest::newRow("large dial, diagonal") << QSize(600, 330) << 12.0 << 30.0;
        QTest::newRow("tiny dial") << QSize(60, 40) << 0.0 << 100.0;
    }
    void needleRepaintCoversTheChange()
    {
        QFETCH(QSize, size);
        QFETCH(double, from);
        QFETCH(double, to);
        GaugeModel g(0, 100);
        GaugeDial dial(&g);
        dial.resize(size);
        g.setValue(from);
        const QImage before = dial.grab().toImage();
        g.setValue(to);
        const QImage after = dial.grab().toImage();
        const QRegion repainted = dial.needleRegion(GaugeDial::needleFraction(g)) +
                                  dial.needleRegion(from < 0 ? -0.03 : from / 100);
        int changed = 0;
        for (int y = 0; y < after.height(); ++y)
            for (int x = 0; x < after.width(); ++x)
                if (before.pixel(x, y) != after.pixel(x, y)) {
                    ++changed;
                    QVERIFY2(repainted.contains(QPoint(x, y)),
                             qPrintable(QStringLiteral("(%1, %2) changed outside").arg(x).arg(y)));
                }
        QVERIFY(changed > 0);
        // It stays a small part of the dial.
        qint64 area = 0;
        for (const QRect& r : repainted)
            area += qint64(r.width()) * r.height();
        QVERIFY2(area < qint64(size.width()) * size.height() / 2,
                 qPrintable(QString::number(area)));
    }

    // Only OK prints, on the printer chosen; a printer that fails is reported and nothing stops.
    void printing_data()
    {
        QTest::addColumn<bool>("chosen");
        QTest::addColumn<bool>("writable");
        QTest::newRow("OK, to a PDF file") << true << true;
        QTest::newRow("Cancel") << false << true;
        QTest::newRow("printer fails") << true << false;
    }
    void printing()
    {
        QFETCH(bool, chosen);
        QFETCH(bool, writable);
        QTemporaryDir dir;
        const QString pdf = dir.path() + (writable ? "" : "/missing") + "/graph.pdf";
        printToPdfFile(pdf);
        MainWithFakes m;
        m.startLinked(1, false);
        m.dialog->printerChosen = chosen;
        for (int i = 0; i < 250; ++i) // two packets a point once the plot scrolls
            m.comm->fire(reading(QByteArray::number(700 + i * 7 % 90).rightJustified(4, '0'),
                                 QByteArray::number(200 + i % 30).rightJustified(4, '0')));
        m->Graph_On->trigger();
        m->graph()->Print_Graph->trigger();
        QCOMPARE(m.dialog->shown, QStringList{"printer"});
        QCOMPARE(QFile::exists(pdf), chosen && writable);
        QCOMPARE(m.boxes->shown.size(), writable ? 1 : 2); // the save question, and any failure
        if (!writable) {
            QVERIFY(m.boxes->shown.last().startsWith("The graph was not printed."));
            QVERIFY(m.boxes->shown.last().contains(pdf));
            m.comm->fire(reading("0123"));
            QCOMPARE(m->graph()->Graph1->value(1, 99), 12.3f);
        }
        if (!chosen || !writable)
            return;

        const QString pdftoppm = QStandardPaths::findExecutable("pdftoppm");
        QVERIFY2(!pdftoppm.isEmpty(), "pdftoppm not found: scripts/deps.sh installs poppler-utils");
        QCOMPARE(QProcess::execute(pdftoppm, {"-r", "100", "-f", "1", "-l", "1", "-png",
                                              "-singlefile", pdf, dir.path() + "/page"}),
                 0);
        const QImage page(dir.path() + "/page.png");
        QVERIFY(page.width() > page.height()); // landscape
        // Both traces, each in its colour, run across the printable width; display 1 (near 75)
        // above display 2 (near 21).
        for (const auto& [is, lowY, highY] :
             {std::tuple{&isBlue, 0.1, 0.5}, std::tuple{&isRed, 0.5, 0.95}}) {
            int left = page.width(), right = -1;
            double ySum = 0;
            int n = 0;
            for (int y = 0; y < page.height(); ++y)
                for (int x = 0; x < page.width(); ++x)
                    if (is(page.pixel(x, y))) {
                        left = std::min(left, x);
                        right = std::max(right, x);
                        ySum += y;
                        ++n;
                    }
            QVERIFY(n > 0);
            QVERIFY2(right - left > page.width() * 0.8,
                     qPrintable(QString("%1..%2").arg(left).arg(right)));
            QVERIFY(ySum / n > page.height() * lowY && ySum / n < page.height() * highY);
        }
    }

    // Shown, hidden and shown again from the menu: the window comes back with its gauges.
    void analogWindowComesBackWhole()
    {
        MainWithFakes m;
        m.startLinked(1, false);
        for (int i = 0; i < 3; ++i)
            m->Analog_On->trigger();
        FrmAnagDisplay* a = m->anagDisplay();
        QVERIFY(m->Analog_On->isChecked() && a->isVisible());
        QVERIFY(a->Frame6->isVisible() && a->dial(1)->isVisible());
        m.comm->fire(reading("0500"));
        QCOMPARE(a->Label19->text(), m->digDisplay()->Label2->text());
    }
};

QTEST_MAIN(TestGraph)
#include "test_graph.moc"
