// The windows as a user meets them: the keyboard on the collection window, where windows open,
// the gauges' limit texts.

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>

#include <algorithm>

#include "anag_display.h"
#include "data_collect.h"
#include "fakes.h"
#include "gauge_dial.h"
#include "gauge_model.h"
#include "window_placement.h"

using namespace Qt::StringLiterals;

class TestWindows : public QObject
{
    Q_OBJECT
  private slots:
    void collectionBarsTakeKeys_data();
    void collectionBarsTakeKeys();
    void firstPlacesAreFree_data();
    void firstPlacesAreFree();
    void gaugeLimitTextsStandClear_data();
    void gaugeLimitTextsStandClear();
};

void TestWindows::collectionBarsTakeKeys_data()
{
    QTest::addColumn<int>("tabs"); // from the first bar: 0 the interval, 2 the number of samples
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("pageStep"); // 0: the bar's own
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("text"); // empty: the change handler did not run
    const QList<int> right{Qt::Key_Right};
    // clang-format off
    QTest::newRow("Right") << 0 << 1 << 0 << right << 2 << "Every  2 Seconds";
    QTest::newRow("Right, Right") << 0 << 1 << 0 << QList<int>{Qt::Key_Right, Qt::Key_Right} << 3 << "Every  3 Seconds";
    QTest::newRow("Left") << 0 << 61 << 0 << QList<int>{Qt::Key_Left} << 60 << "Every  1 Minute and  0 Seconds";
    QTest::newRow("Left at the lower end") << 0 << 1 << 0 << QList<int>{Qt::Key_Left} << 1 << "";
    QTest::newRow("Up") << 0 << 5 << 0 << QList<int>{Qt::Key_Up} << 4 << "Every  4 Seconds";
    QTest::newRow("Down") << 0 << 5 << 0 << QList<int>{Qt::Key_Down} << 6 << "Every  6 Seconds";
    QTest::newRow("Page Down") << 0 << 1 << 60 << QList<int>{Qt::Key_PageDown} << 61 << "Every  1 Minute and  1 Seconds";
    QTest::newRow("Page Up") << 0 << 100 << 60 << QList<int>{Qt::Key_PageUp} << 40 << "Every  40 Seconds";
    QTest::newRow("End") << 0 << 1 << 0 << QList<int>{Qt::Key_End} << 3600 << "Every  60 Minute and  0 Seconds";
    QTest::newRow("Home") << 0 << 100 << 0 << QList<int>{Qt::Key_Home} << 1 << "Every  1 Seconds";
    QTest::newRow("samples, Right, Right, Right") << 2 << 0 << 0 << QList<int>{Qt::Key_Right, Qt::Key_Right, Qt::Key_Right} << 3 << "Total Samples Is  3";
    QTest::newRow("samples, Left") << 2 << 250 << 0 << QList<int>{Qt::Key_Left} << 249 << "Total Samples Is  249";
    QTest::newRow("samples, Page Down") << 2 << 0 << 100 << QList<int>{Qt::Key_PageDown} << 100 << "Total Samples Is  100";
    QTest::newRow("samples, End") << 2 << 0 << 0 << QList<int>{Qt::Key_End} << 10000 << "Total Samples Is  10000";
    QTest::newRow("samples, Home") << 2 << 250 << 0 << QList<int>{Qt::Key_Home} << 0 << "Total Samples Is  0";
    // clang-format on
}

void TestWindows::collectionBarsTakeKeys()
{
    QFETCH(int, tabs);
    QFETCH(int, from);
    QFETCH(int, pageStep);
    QFETCH(QList<int>, keys);
    FakeMessageBoxes boxes;
    FrmDataCollect w(boxes);
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QScrollBar* bar = tabs == 0 ? w.HScroll1 : w.HScroll2;
    QLabel* text = tabs == 0 ? w.Label4 : w.Label27;
    bar->setValue(from);
    if (pageStep > 0)
        bar->setPageStep(pageStep);
    text->clear();
    // The way a keyboard user gets there: the window's first stop, then Tab along its order.
    w.HScroll1->setFocus(Qt::TabFocusReason);
    for (int i = 0; i < tabs; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), bar);
    for (const int key : keys)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
    QTEST(bar->value(), "value");
    QTEST(text->text(), "text");
    // The bar shows that it has the focus: it looks different once the focus has moved on.
    const QImage focused = bar->grab().toImage();
    w.Start_Time->setFocus(Qt::TabFocusReason);
    QVERIFY(focused != bar->grab().toImage());
}

namespace {

// Whether a frame of this size fits anywhere in `available` without touching `taken` (nearer than
// the gap): every position, one by one.
bool anyFreePosition(const QRect& available, const QList<QRect>& taken, const QSize& frame, int gap)
{
    for (int y = available.top(); y + frame.height() - 1 <= available.bottom(); ++y)
        for (int x = available.left(); x + frame.width() - 1 <= available.right(); ++x) {
            const QRect r(QPoint(x, y), frame);
            if (std::none_of(taken.begin(), taken.end(), [&](const QRect& t) {
                    return r.intersects(t.adjusted(-gap, -gap, gap, gap));
                }))
                return true;
        }
    return false;
}

} // namespace

void TestWindows::firstPlacesAreFree_data()
{
    QTest::addColumn<QRect>("screen");
    QTest::addColumn<QRect>("main");
    QTest::addColumn<QList<QSize>>("frames"); // in the order the user opens them
    QTest::addColumn<int>("placed");          // how many find a free place
    // The main window and the four live windows as they come at 96 dots an inch, with a title bar
    // and a border: digital display, analog gauges, raw data list, graph.
    const QRect main(48, 48, 245, 101);
    const QList<QSize> live{{402, 302}, {382, 292}, {442, 317}, {807, 514}};
    QList<int> order{0, 1, 2, 3};
    do {
        QList<QSize> frames;
        QString name = u"1280 x 1024, opened"_s;
        for (const int i : order) {
            frames << live[i];
            name += u' ' + QStringList{"digital", "analog", "raw", "graph"}[i];
        }
        QTest::newRow(qPrintable(name)) << QRect(0, 0, 1280, 1024) << main << frames << 4;
    } while (std::next_permutation(order.begin(), order.end()));
    QTest::newRow("main window at the right edge, the graph first")
        << QRect(0, 0, 1280, 1024) << QRect(1020, 300, 245, 101)
        << QList<QSize>{live[3], live[0], live[1], live[2]} << 4;
    QTest::newRow("second screen, under a panel")
        << QRect(1280, 30, 1920, 1050) << QRect(1330, 80, 245, 101) << live << 4;
    QTest::newRow("800 x 600: room for two") << QRect(0, 0, 800, 600) << main << live << 2;
    QTest::newRow("a window larger than the screen")
        << QRect(0, 0, 640, 480) << main << QList<QSize>{{807, 514}, {402, 302}} << 1;
}

void TestWindows::firstPlacesAreFree()
{
    QFETCH(QRect, screen);
    QFETCH(QRect, main);
    QFETCH(QList<QSize>, frames);
    const int gap = 8;
    QList<QRect> taken{main};
    int placed = 0;
    for (const QSize& frame : frames) {
        const std::optional<QRect> r = WindowPlacement::freePlace(screen, taken, frame);
        if (!r) {
            // The cascade is only for when nothing else is left.
            QVERIFY(!anyFreePosition(screen, taken, frame, gap));
            continue;
        }
        QCOMPARE(r->size(), frame);
        QVERIFY(screen.contains(*r));
        for (const QRect& t : taken)
            QVERIFY2(
                !r->intersects(t.adjusted(-gap, -gap, gap, gap)),
                qPrintable(u"%1 meets %2"_s.arg(QVariant(*r).toString(), QVariant(t).toString())));
        taken << *r;
        ++placed;
    }
    QTEST(placed, "placed");
}

void TestWindows::gaugeLimitTextsStandClear_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("smallest") << QSize(FrmAnagDisplay::kMinWidth, FrmAnagDisplay::kMinHeight);
    QTest::newRow("one display, as the dispatcher sets it") << QSize(380, 116);
    QTest::newRow("two displays, smallest rows") << QSize(FrmAnagDisplay::kMinWidth, 194);
    QTest::newRow("as it opens") << QSize(380, 268);
    QTest::newRow("narrow and tall") << QSize(FrmAnagDisplay::kMinWidth, 700);
    QTest::newRow("wide and low") << QSize(1200, 120);
    QTest::newRow("large") << QSize(1000, 800);
}

void TestWindows::gaugeLimitTextsStandClear()
{
    QFETCH(QSize, size);
    FrmAnagDisplay w;
    w.resize(size);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(w.size(), size); // a size the window allows
    const struct
    {
        GaugeModel* gauge;
        QLabel *lower, *upper;
        int row;
    } rows[] = {{w.Gauge1, w.Label25, w.Label26, 1}, {w.Gauge2, w.Label23, w.Label24, 2}};
    for (const auto& r : rows) {
        GaugeDial* dial = w.dial(r.row);
        if (!dial->isVisible() || dial->y() >= w.height())
            continue; // the second row below a one-display window
        r.lower->setText(u"-32768"_s);
        r.upper->setText(u"32767"_s);
        // The face where the texts go, with the needle pegged past either end: nothing of the
        // dial there but its face.
        for (const double value : {-32768.0, 32767.0}) {
            r.gauge->setValue(value);
            const QImage face = dial->grab().toImage();
            for (QLabel* text : {r.lower, r.upper}) {
                const QRect at = text->geometry().translated(-dial->pos());
                QVERIFY2(dial->rect().contains(at), qPrintable(QVariant(at).toString()));
                for (int y = at.top(); y <= at.bottom(); ++y)
                    for (int x = at.left(); x <= at.right(); ++x)
                        QVERIFY2(face.pixelColor(x, y) == GaugeDial::faceColour(),
                                 qPrintable(u"%1 at %2,%3, needle at %4"_s.arg(text->text())
                                                .arg(x)
                                                .arg(y)
                                                .arg(value)));
            }
        }
        // No box: around its text, a limit shows the face.
        const QImage shown = w.grab().toImage();
        for (QLabel* text : {r.lower, r.upper}) {
            QVERIFY(!text->autoFillBackground());
            const QRect g = text->geometry();
            for (const QPoint corner : {g.topLeft(), g.topRight(), g.bottomLeft(), g.bottomRight()})
                QCOMPARE(shown.pixelColor(corner), GaugeDial::faceColour());
        }
    }
}

QTEST_MAIN(TestWindows)
#include "test_windows.moc"
