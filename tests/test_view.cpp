#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <map>

#include "data_display.h"
#include "dig_display.h"
#include "extremes.h"
#include "gauge_model.h"
#include "list_keys.h"
#include "live_rules.h"
#include "raw_lines.h"
#include "runtime_error.h"
#include "twips.h"

namespace {

class MapLabels : public ExtremeLabels
{
  public:
    QString caption(XLabel l) const override
    {
        const auto it = m.find(l);
        return it == m.end() ? QString() : it->second;
    }
    void setCaption(XLabel l, const QString& t) override { m[l] = t; }
    std::map<XLabel, QString> m;
};

// A stamp source that counts how often it is asked and hands out what the test sets.
struct Stamps
{
    QString now = QStringLiteral("05-31-2026-14:03:09");
    int asked = 0;
    std::function<QString()> fn()
    {
        return [this] {
            ++asked;
            return now;
        };
    }
};

void feed(Extremes& x, MapLabels& l, Stamps& s, const QString& v1, const QString& u1,
          const QString& v2 = QStringLiteral("+0.0"), const QString& u2 = QString())
{
    updateExtremes(x, {v1, u1, v2, u2}, l, s.fn());
}

} // namespace

class TestView : public QObject
{
    Q_OBJECT
  private slots:
    // ---- recorded extremes ----
    void firstReadingIsHighAndLow()
    {
        Extremes x;
        MapLabels l;
        Stamps s;
        feed(x, l, s, QStringLiteral("+45.12"), QStringLiteral("%RH"), QStringLiteral("+023.5"),
             QStringLiteral(" Deg C"));
        QCOMPARE(x.Disp1_High, QStringLiteral("+45.12"));
        QCOMPARE(x.Disp1_Low, QStringLiteral("+45.12"));
        QCOMPARE(x.High1_Value, QStringLiteral("+45.12"));
        QCOMPARE(x.Low1_Value, QStringLiteral("+45.12"));
        QCOMPARE(x.High1_Time, s.now);
        QCOMPARE(x.Low1_Time, s.now);
        QCOMPARE(x.High2_Time, s.now);
        QCOMPARE(x.Low2_Time, s.now);
        QCOMPARE(x.Disp2_High, QStringLiteral("+023.5"));
        QCOMPARE(x.Disp2_Low, QStringLiteral("+023.5"));
        QCOMPARE(l.caption(XLabel::Label9), QStringLiteral("%RH"));
        QCOMPARE(l.caption(XLabel::Label15), QStringLiteral("%RH"));
        QCOMPARE(l.caption(XLabel::Label10), QStringLiteral(" Deg C"));
        QCOMPARE(l.caption(XLabel::Label16), QStringLiteral(" Deg C"));
        QCOMPARE(l.caption(XLabel::Label4), QStringLiteral("%RH"));
        QCOMPARE(l.caption(XLabel::Label19), QStringLiteral("%RH"));
        for (XLabel v : {XLabel::Label7, XLabel::Label1, XLabel::Label13, XLabel::Label18})
            QCOMPARE(l.caption(v), QStringLiteral("+45.12"));
        QCOMPARE(l.caption(XLabel::Label8), QStringLiteral("+023.5"));
        QCOMPARE(l.caption(XLabel::Label14), QStringLiteral("+023.5"));
        // Display 1's high unit is a text; the others point at their labels.
        QVERIFY(!x.High1_Unit.isLabel());
        QCOMPARE(x.High1_Unit.storedText(), QStringLiteral("%RH"));
        QCOMPARE(x.Low1_Unit, UnitRef::label(XLabel::Label15));
        QCOMPARE(x.High2_Unit, UnitRef::label(XLabel::Label10));
        QCOMPARE(x.Low2_Unit, UnitRef::label(XLabel::Label16));
    }

    void equalReadingKeepsStamp()
    {
        Extremes x;
        MapLabels l;
        Stamps s;
        feed(x, l, s, QStringLiteral("+10.00"), QStringLiteral("%RH"));
        const QString first = s.now;
        s.now = QStringLiteral("05-31-2026-15:00:00");
        s.asked = 0;
        feed(x, l, s, QStringLiteral("10.00"), QStringLiteral("Deg C"));
        QCOMPARE(s.asked, 0);
        QCOMPARE(x.High1_Time, first);
        QCOMPARE(x.Low1_Time, first);
        QCOMPARE(x.Disp1_High, QStringLiteral("+10.00"));
        QCOMPARE(l.caption(XLabel::Label9), QStringLiteral("%RH"));
    }

    void comparesByNumber_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<QString>("high");
        QTest::addColumn<QString>("low");
        QTest::newRow("9.50 then 10.20") << "9.50"
                                         << "10.20"
                                         << "10.20"
                                         << "9.50";
        QTest::newRow("+5.00 equals 5.00") << "+5.00"
                                           << "5.00"
                                           << "+5.00"
                                           << "+5.00";
        QTest::newRow("negatives") << "-2.5"
                                   << "-10.0"
                                   << "-2.5"
                                   << "-10.0";
        QTest::newRow("ERROR is 0 against +1") << "ERROR"
                                               << "+1.00"
                                               << "+1.00"
                                               << "ERROR";
        QTest::newRow("ERROR is 0 against -1") << "ERROR"
                                               << "-1.00"
                                               << "ERROR"
                                               << "-1.00";
        QTest::newRow("ERROR equals +0.00") << "ERROR"
                                            << "+0.00"
                                            << "ERROR"
                                            << "ERROR";
        QTest::newRow("point only is 0") << "+."
                                         << "+.5"
                                         << "+.5"
                                         << "+.";
    }
    void comparesByNumber()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(QString, high);
        QFETCH(QString, low);
        Extremes x;
        MapLabels l;
        Stamps s;
        feed(x, l, s, first, QStringLiteral("V"));
        feed(x, l, s, second, QStringLiteral("V"));
        QCOMPARE(x.Disp1_High, high);
        QCOMPARE(x.Disp1_Low, low);
        QCOMPARE(l.caption(XLabel::Label7), high);
        QCOMPARE(l.caption(XLabel::Label13), low);
    }

    void errorAfterResetBecomesBoth()
    {
        Extremes x;
        MapLabels l;
        Stamps s;
        feed(x, l, s, QStringLiteral("+45.12"), QStringLiteral("%RH"));
        resetExtremes1(x, l);
        feed(x, l, s, QStringLiteral("ERROR"), QStringLiteral("%RH"));
        QCOMPARE(x.Disp1_High, QStringLiteral("ERROR"));
        QCOMPARE(x.Disp1_Low, QStringLiteral("ERROR"));
    }

    void resetTexts()
    {
        Extremes x;
        MapLabels l;
        Stamps s;
        feed(x, l, s, QStringLiteral("+1.00"), QStringLiteral("A"), QStringLiteral("+2.00"),
             QStringLiteral("B"));
        const Extremes before = x;
        resetExtremes1(x, l);
        QCOMPARE(l.caption(XLabel::Label7), QStringLiteral("-9999"));
        QCOMPARE(l.caption(XLabel::Label13), QStringLiteral("99999"));
        QCOMPARE(x.Disp1_High, QStringLiteral("-99999"));
        QCOMPARE(x.Disp1_Low, QStringLiteral("99999"));
        resetExtremes2(x, l);
        QCOMPARE(l.caption(XLabel::Label8), QStringLiteral("-9999"));
        QCOMPARE(l.caption(XLabel::Label14), QStringLiteral("9999"));
        QCOMPARE(x.Disp2_High, QStringLiteral("-99999"));
        QCOMPARE(x.Disp2_Low, QStringLiteral("99999"));
        // Units, the one-display panel and the closing-row copies stay.
        QCOMPARE(l.caption(XLabel::Label9), QStringLiteral("A"));
        QCOMPARE(l.caption(XLabel::Label16), QStringLiteral("B"));
        QCOMPARE(l.caption(XLabel::Label1), QStringLiteral("+1.00"));
        QCOMPARE(x.High1_Value, before.High1_Value);
        QCOMPARE(x.Low2_Time, before.Low2_Time);
        // The next reading beats both sentinels and rewrites every extreme label.
        feed(x, l, s, QStringLiteral("+0.50"), QStringLiteral("A"), QStringLiteral("-0.50"),
             QStringLiteral("B"));
        QCOMPARE(l.caption(XLabel::Label7), QStringLiteral("+0.50"));
        QCOMPARE(l.caption(XLabel::Label13), QStringLiteral("+0.50"));
        QCOMPARE(l.caption(XLabel::Label8), QStringLiteral("-0.50"));
        QCOMPARE(l.caption(XLabel::Label14), QStringLiteral("-0.50"));
    }

    void onePanelUnitsFollowDisplay1OnlyOnDisplay2Extremes()
    {
        Extremes x;
        MapLabels l;
        Stamps s;
        feed(x, l, s, QStringLiteral("+1.00"), QStringLiteral("A"), QStringLiteral("+5.0"));
        QCOMPARE(l.caption(XLabel::Label4), QStringLiteral("A"));
        // Display 1 takes a new high in another unit; display 2 stays inside its extremes.
        feed(x, l, s, QStringLiteral("+2.00"), QStringLiteral("C"), QStringLiteral("+5.0"));
        QCOMPARE(l.caption(XLabel::Label9), QStringLiteral("C"));
        QCOMPARE(l.caption(XLabel::Label4), QStringLiteral("A"));
        feed(x, l, s, QStringLiteral("+2.00"), QStringLiteral("C"), QStringLiteral("+6.0"));
        QCOMPARE(l.caption(XLabel::Label4), QStringLiteral("C"));
    }

    void onePanelLowFollowsDisplay1()
    {
        Extremes x;
        MapLabels l;
        Stamps s;
        feed(x, l, s, QStringLiteral("+1.00"), QStringLiteral("A"), QStringLiteral("+5.0"));
        QCOMPARE(l.caption(XLabel::Label19), QStringLiteral("A"));
        // Display 1's new low in another unit: the low moves, its unit waits for display 2.
        feed(x, l, s, QStringLiteral("+0.50"), QStringLiteral("C"), QStringLiteral("+5.0"));
        QCOMPARE(l.caption(XLabel::Label18), QStringLiteral("+0.50"));
        QCOMPARE(l.caption(XLabel::Label19), QStringLiteral("A"));
        feed(x, l, s, QStringLiteral("+0.50"), QStringLiteral("C"), QStringLiteral("+4.0"));
        QCOMPARE(l.caption(XLabel::Label19), QStringLiteral("C"));
        // A window made afresh shows its stored captions; the next reading, though no new low,
        // puts the recorded low back.
        l.m = {{XLabel::Label18, QStringLiteral("Label18")}, {XLabel::Label19, QStringLiteral("Label19")}};
        feed(x, l, s, QStringLiteral("+0.90"), QStringLiteral("C"), QStringLiteral("+4.5"));
        QCOMPARE(l.caption(XLabel::Label18), QStringLiteral("+0.50"));
        QCOMPARE(l.caption(XLabel::Label19), QStringLiteral("Label19"));
    }

    void unitRefReadsCaptionAtClosingTime()
    {
        Extremes x;
        MapLabels l;
        Stamps s;
        feed(x, l, s, QStringLiteral("+1.00"), QStringLiteral("A"), QStringLiteral("+1.00"),
             QStringLiteral("B"));
        QCOMPARE(x.Low1_Unit.resolve(l), QStringLiteral("A"));
        l.setCaption(XLabel::Label15, QStringLiteral("later"));
        QCOMPARE(x.Low1_Unit.resolve(l), QStringLiteral("later"));
        QCOMPARE(x.High1_Unit.resolve(l), QStringLiteral("A"));
    }

    // ---- pure rules of the dispatcher ----
    void display1Guard_data()
    {
        QTest::addColumn<QString>("digits2");
        QTest::addColumn<bool>("runs");
        QTest::newRow("digits") << "0123" << true;
        QTest::newRow("all zero") << "0000" << true;
        QTest::newRow("all nine") << "9999" << true;
        QTest::newRow("light meter: emptied") << "" << false;
        QTest::newRow("vibration") << "????" << false;
        QTest::newRow("over range tail") << "1???" << false;
        QTest::newRow("error pattern") << QStringLiteral("000") + QChar(24) << false;
        QTest::newRow("blank inside") << "1 23" << false;
        QTest::newRow("short, digits") << "99" << true;
        QTest::newRow("only last three count") << "?123" << true;
        QTest::newRow("colon after nines") << "999:" << false;
    }
    void display1Guard()
    {
        QFETCH(QString, digits2);
        QFETCH(bool, runs);
        QCOMPARE(display1UnitCheckRuns(digits2), runs);
    }

    void graphBound_data()
    {
        QTest::addColumn<float>("bound");
        QTest::addColumn<double>("x");
        QTest::addColumn<bool>("raised");
        QTest::addColumn<double>("next");
        QTest::newRow("50 over 40") << 40.0f << 50.0 << true << 55.0;
        QTest::newRow("-5 under 40") << 40.0f << -5.0 << false << 0.0;
        QTest::newRow("equal") << 40.0f << 40.0 << false << 0.0;
        QTest::newRow("equal in single precision") << 40.0f << 40.0000001 << false << 0.0;
        QTest::newRow("negative bound") << -20.0f << -15.75 << true << -18.0;
        QTest::newRow("whole part in double") << 1.0f << 10.0 << true << 11.0;
    }
    void graphBound()
    {
        QFETCH(float, bound);
        QFETCH(double, x);
        QFETCH(bool, raised);
        QFETCH(double, next);
        const auto b = raisedGraphBound(bound, x);
        QCOMPARE(b.has_value(), raised);
        if (raised)
            QCOMPARE(*b, next);
    }

    void gaugeUpdate_data()
    {
        QTest::addColumn<int>("upper");
        QTest::addColumn<double>("offset");
        QTest::addColumn<double>("v");
        QTest::addColumn<int>("newUpper");
        QTest::addColumn<double>("newOffset");
        QTest::addColumn<QString>("lowerText");
        QTest::addColumn<QString>("upperText");
        QTest::addColumn<double>("needle");
        QTest::newRow("grows above") << 100 << 0.0 << 120.0 << 180 << 0.0 << "0"
                                     << "180" << 120.0;
        QTest::newRow("inside") << 180 << 0.0 << 150.0 << 180 << 0.0 << "0"
                                << "180" << 150.0;
        QTest::newRow("equal to U-O") << 100 << 10.0 << 90.0 << 100 << 10.0 << "-10"
                                      << "90" << 100.0;
        QTest::newRow("below zero") << 100 << 0.0 << -10.0 << 100 << 15.0 << "-15"
                                    << "85" << 5.0;
        QTest::newRow("whole part down") << 100 << 0.0 << -10.5 << 100 << 16.0 << "-16"
                                         << "84" << 5.5;
        QTest::newRow("offset never shrinks") << 100 << 30.0 << -1.0 << 100 << 30.0 << "-30"
                                              << "70" << 29.0;
    }
    void gaugeUpdate()
    {
        QFETCH(int, upper);
        QFETCH(double, offset);
        QFETCH(double, v);
        QFETCH(int, newUpper);
        QFETCH(double, newOffset);
        QFETCH(QString, lowerText);
        QFETCH(QString, upperText);
        QFETCH(double, needle);
        GaugeModel g(0, upper);
        QLabel lo, hi;
        updateGauge(g, offset, v, &lo, &hi);
        QCOMPARE(int(g.maxValue()), newUpper);
        QCOMPARE(offset, newOffset);
        QCOMPARE(lo.text(), lowerText);
        QCOMPARE(hi.text(), upperText);
        QCOMPARE(g.value(), needle);
    }

    void gaugeRejectsOutOfRange()
    {
        GaugeModel g(0, 100);
        double offset = 0;
        QVERIFY_THROWS_EXCEPTION(RuntimeError, updateGauge(g, offset, 30000.0, nullptr, nullptr));
        QCOMPARE(int(g.maxValue()), 100);
    }

    // ---- raw line store ----
    void storeKeepsLines()
    {
        RawLineStore st;
        st.append(QString());
        st.append(QStringLiteral("A,+1.00,%RH"));
        st.append(QStringLiteral("µ, Ω and ü"));
        const QString big(1100000, u'x'); // larger than a block
        st.append(big);
        st.append(QStringLiteral("after"));
        QCOMPARE(st.size(), 5);
        QCOMPARE(st.at(0), QString());
        QCOMPARE(st.at(1), QStringLiteral("A,+1.00,%RH"));
        QCOMPARE(st.at(2), QStringLiteral("µ, Ω and ü"));
        QCOMPARE(st.at(3), big);
        QCOMPARE(st.at(4), QStringLiteral("after"));
        st.clear();
        QCOMPARE(st.size(), 0);
        st.append(QStringLiteral("again"));
        QCOMPARE(st.at(0), QStringLiteral("again"));
    }

    void storeCrossesBlocks()
    {
        RawLineStore st;
        for (int i = 0; i < 40000; ++i)
            st.append(QStringLiteral("%1,+12.34,Deg C,+023.5, Deg F,14:03:09,05-31-2026").arg(i));
        QCOMPARE(st.size(), 40000);
        for (int i : {0, 1, 19999, 20000, 39999})
            QCOMPARE(st.at(i),
                     QStringLiteral("%1,+12.34,Deg C,+023.5, Deg F,14:03:09,05-31-2026").arg(i));
    }

    // ---- raw data list window ----
    void listNewestFirst()
    {
        FrmDataDisplay w;
        w.addLine(QStringLiteral("A"));
        w.addLine(QStringLiteral("B"));
        w.addLine(QStringLiteral("C"));
        QCOMPARE(w.lineCount(), 3);
        QCOMPARE(w.line(0), QStringLiteral("C"));
        QCOMPARE(w.line(1), QStringLiteral("B"));
        QCOMPARE(w.line(2), QStringLiteral("A"));
        QVERIFY(!w.isVisible());
    }

    void hideKeepsReceiving()
    {
        FrmDataDisplay w;
        QCOMPARE(w.Command1->text(), QStringLiteral("Hide"));
        QCOMPARE(w.Command2->text(), QStringLiteral("Clear Display"));
        QCOMPARE(w.windowTitle(), QStringLiteral("Data Display"));
        w.show();
        w.addLine(QStringLiteral("A"));
        QTest::mouseClick(w.Command1, Qt::LeftButton);
        QVERIFY(!w.isVisible());
        w.addLine(QStringLiteral("B"));
        w.show();
        QCOMPARE(w.line(0), QStringLiteral("B"));
        QCOMPARE(w.lineCount(), 2);
    }

    void clearDisplay()
    {
        FrmDataDisplay w;
        QTest::mouseClick(w.Command2, Qt::LeftButton);
        QCOMPARE(w.lineCount(), 0);
        w.addLine(QStringLiteral("A"));
        w.addLine(QStringLiteral("B"));
        QTest::mouseClick(w.Command2, Qt::LeftButton);
        QCOMPARE(w.lineCount(), 0);
        QCOMPARE(w.line(0), QString());
        w.addLine(QStringLiteral("C"));
        QCOMPARE(w.line(0), QStringLiteral("C"));
    }

    void listResizeRule()
    {
        FrmDataDisplay w;
        w.show();
        w.resize(twipsToPixels(9000, &w), twipsToPixels(6000, &w));
        QApplication::processEvents();
        QCOMPARE(w.List1->width(), twipsToPixels(outerWidthTwips(&w) - 150, &w));
        QCOMPARE(w.List1->height(), twipsToPixels(outerHeightTwips(&w) - 400, &w));
        QVERIFY(w.List1->y() >= w.Command1->geometry().bottom());
        QVERIFY(w.List1->y() >= w.Command2->geometry().bottom());
        w.resize(5, 5);
        QApplication::processEvents();
        QCOMPARE(w.List1->width(), 0);
        QCOMPARE(w.List1->height(), 0);
    }

    void scrolledListKeepsWhatIsReadAndClicksWhatIsPainted_data()
    {
        QTest::addColumn<int>("scrolledTo"); // top row before the new lines arrive
        QTest::addColumn<bool>("stays");     // the lines in sight stay where they are
        QTest::newRow("reading older lines") << 50 << true;
        QTest::newRow("at the top") << 0 << false;
    }
    void scrolledListKeepsWhatIsReadAndClicksWhatIsPainted()
    {
        QFETCH(int, scrolledTo);
        QFETCH(bool, stays);
        FrmDataDisplay w;
        w.resize(400, 300);
        w.show();
        for (int i = 0; i < 200; ++i)
            w.addLine(QStringLiteral("line %1").arg(i));
        QApplication::processEvents();
        RawListBox* list = w.List1;
        list->verticalScrollBar()->setValue(scrolledTo);
        QApplication::processEvents();
        const QImage before = list->viewport()->grab().toImage();
        const int rowH = list->fontMetrics().height() + 2;
        const QPoint third(10, 2 * rowH + rowH / 2);
        const QString underCursor = list->line(scrolledTo + 2);

        for (int i = 200; i < 210; ++i)
            w.addLine(QStringLiteral("line %1").arg(i));
        const QImage between = list->viewport()->grab().toImage(); // before the scroll bar catches up
        QApplication::processEvents();
        const QImage after = list->viewport()->grab().toImage();
        QCOMPARE(before == after, stays);
        QCOMPARE(between == after, true);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, third);
        const QString selected = list->line(list->selectedRow());
        if (stays) {
            QCOMPARE(selected, underCursor);
            QCOMPARE(list->verticalScrollBar()->value(), scrolledTo + 10);
        } else {
            QCOMPARE(list->line(0), QStringLiteral("line 209"));
            QCOMPARE(selected, QStringLiteral("line 207"));
        }
    }

    void newLinesAtTheTopShowAsAFreshPaintWould()
    {
        // The lines already on screen are moved down rather than drawn again: what is on screen
        // must be what drawing the whole list afresh gives.
        FrmDataDisplay w;
        w.resize(400, 300);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        RawListBox* list = w.List1;
        for (int turn = 0; turn < 60; ++turn) {
            for (int i = 0; i <= turn % 3; ++i)
                w.addLine(QStringLiteral("turn %1 line %2").arg(turn).arg(i));
            QApplication::processEvents();
        }
        // The scroll bar too, which draws itself again only when its handle moves.
        for (QWidget* part : {list->viewport(), static_cast<QWidget*>(list->verticalScrollBar())}) {
            const QPoint at = part->mapTo(&w, QPoint(0, 0));
            const QRect inside = QRect(QPoint(0, 0), part->size()) & QRect(-at, w.size());
            const QImage onScreen =
                w.screen()
                    ->grabWindow(w.winId(), at.x(), at.y(), inside.width(), inside.height())
                    .toImage()
                    .convertToFormat(QImage::Format_RGB32);
            const QImage fresh = part->grab(inside).toImage().convertToFormat(QImage::Format_RGB32);
            QCOMPARE(onScreen.size(), fresh.size());
            QVERIFY2(onScreen == fresh, part->metaObject()->className());
        }
    }

    // The list's scroll bar draws itself a band at a time: it must look as a plain one does.
    void scrollBarLooksAsAPlainOne_data()
    {
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("scrolledTo");
        QTest::addColumn<int>("height");
        QTest::newRow("few lines, large handle") << 20 << 0 << 300;
        QTest::newRow("many lines, in the middle") << 500 << 240 << 300;
        QTest::newRow("at the end, tall list") << 900 << 900 << 700;
    }
    void scrollBarLooksAsAPlainOne()
    {
        QFETCH(int, lines);
        QFETCH(int, scrolledTo);
        QFETCH(int, height);
        FrmDataDisplay w;
        w.resize(400, height);
        w.show();
        for (int i = 0; i < lines; ++i)
            w.addLine(QStringLiteral("line %1").arg(i));
        QApplication::processEvents();
        QScrollBar* bar = w.List1->verticalScrollBar();
        bar->setValue(scrolledTo);
        QApplication::processEvents();
        QVERIFY(bar->height() > 200);
        QScrollBar plain(Qt::Vertical);
        plain.resize(bar->size());
        plain.setRange(bar->minimum(), bar->maximum());
        plain.setPageStep(bar->pageStep());
        plain.setValue(bar->value());
        QCOMPARE(bar->grab().toImage().convertToFormat(QImage::Format_RGB32),
                 plain.grab().toImage().convertToFormat(QImage::Format_RGB32));
    }

    void listKeys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("to"); // -1: not a navigation key
        QTest::newRow("up at the top") << int(Qt::Key_Up) << 0 << 0;
        QTest::newRow("up with none selected") << int(Qt::Key_Up) << -1 << 0;
        QTest::newRow("down at the last") << int(Qt::Key_Down) << 49 << 49;
        QTest::newRow("page down past the end") << int(Qt::Key_PageDown) << 45 << 49;
        QTest::newRow("page up") << int(Qt::Key_PageUp) << 30 << 20;
        QTest::newRow("home") << int(Qt::Key_Home) << 30 << 0;
        QTest::newRow("end") << int(Qt::Key_End) << 3 << 49;
        QTest::newRow("a letter") << int(Qt::Key_A) << 3 << -1;
    }
    void listKeys()
    {
        QFETCH(int, key);
        QFETCH(int, row);
        QFETCH(int, to);
        QCOMPARE(rowForKey(key, row, 10, 50).value_or(-1), to);
    }

    void writerWithoutYieldQueuesLittle()
    {
        // A download adds lines in a loop that never yields: the list must not queue work per line.
        struct Count : QObject
        {
            int n = 0;
            bool eventFilter(QObject*, QEvent*) override
            {
                ++n;
                return false;
            }
        } count;
        FrmDataDisplay w;
        w.show();
        QApplication::processEvents();
        for (int i = 0; i < 5000; ++i)
            w.addLine(QStringLiteral("line %1").arg(i));
        qApp->installEventFilter(&count);
        QApplication::processEvents();
        qApp->removeEventFilter(&count);
        QVERIFY2(count.n < 100, qPrintable(QString::number(count.n)));
        // The scroll range caught up in the one pass.
        QScrollBar* sb = w.List1->verticalScrollBar();
        QCOMPARE(sb->maximum(), 5000 - sb->pageStep());
        QCOMPARE(w.line(0), QStringLiteral("line 4999"));
    }

    // ---- digital display window ----
    void digitalDisplayLoad()
    {
        FrmDigDisplay d;
        QCOMPARE(d.windowTitle(), QStringLiteral("   Digital Display"));
        QCOMPARE(d.Label7->text(), QStringLiteral("-99999"));
        QCOMPARE(d.Label8->text(), QStringLiteral("-99999"));
        QCOMPARE(d.Label13->text(), QStringLiteral("99999"));
        QCOMPARE(d.Label14->text(), QStringLiteral("99999"));
        QCOMPARE(d.Frame1->title(), QStringLiteral("Frame1"));
        QCOMPARE(d.Label1->text(), QStringLiteral("Label1"));
        QCOMPARE(d.Label4->text(), QStringLiteral("Label4"));
        QCOMPARE(d.Label18->text(), QStringLiteral("Label18"));
        QCOMPARE(d.Label19->text(), QStringLiteral("Label19"));
        QCOMPARE(d.Label11->text(), QStringLiteral("Recorded Highs"));
        QCOMPARE(d.Label12->text(), QStringLiteral(" Recorded   Lows"));
        QCOMPARE(d.Label17->text(), QStringLiteral("Recorded High"));
        QCOMPARE(d.Label20->text(), QStringLiteral("Recorded Low"));
        for (QLabel* l :
             {d.Label2, d.Label5, d.Label3, d.Label6, d.Label9, d.Label10, d.Label15, d.Label16})
            QVERIFY(l->text().isEmpty());
        // The panels hold their labels.
        QCOMPARE(d.Label7->parentWidget(), d.Frame2);
        QCOMPARE(d.Label16->parentWidget(), d.Frame3);
        QCOMPARE(d.Label19->parentWidget(), d.Frame1);
    }

    void digitalLabelsByName()
    {
        FrmDigDisplay d;
        const std::pair<XLabel, const char*> all[] = {
            {XLabel::Label1, "Label1"},   {XLabel::Label4, "Label4"},
            {XLabel::Label7, "Label7"},   {XLabel::Label8, "Label8"},
            {XLabel::Label9, "Label9"},   {XLabel::Label10, "Label10"},
            {XLabel::Label13, "Label13"}, {XLabel::Label14, "Label14"},
            {XLabel::Label15, "Label15"}, {XLabel::Label16, "Label16"},
            {XLabel::Label18, "Label18"}, {XLabel::Label19, "Label19"}};
        for (const auto& [which, name] : all) {
            QCOMPARE(d.label(which)->objectName(), QLatin1String(name));
            d.setCaption(which, QLatin1String(name) + QStringLiteral("!"));
            QCOMPARE(d.caption(which), QLatin1String(name) + QStringLiteral("!"));
        }
    }

    void digitalCloseBox()
    {
        FrmDigDisplay d;
        QSignalSpy spy(&d, &FrmDigDisplay::unloaded);
        d.show();
        d.close();
        QCOMPARE(spy.count(), 1);
    }

    void valueTextScalesWithWindow()
    {
        FrmDigDisplay d;
        d.Frame1->hide();
        d.setFrame3Top(2760);
        d.resize(twipsToPixels(6000, &d), twipsToPixels(4170, &d));
        d.show();
        QApplication::processEvents();
        const int small = d.Label2->font().pixelSize();
        d.resize(d.width() * 2, d.height() * 2);
        QApplication::processEvents();
        QVERIFY(d.Label2->font().pixelSize() > small);
        QVERIFY(d.Label2->font().pixelSize() > d.Label5->font().pixelSize());
        // Large enough to read across a bench at the standard size.
        QVERIFY(small >= 24);
    }
};

QTEST_MAIN(TestView)
#include "test_view.moc"
