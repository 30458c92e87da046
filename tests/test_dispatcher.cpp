#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <cmath>

#include "anag_display.h"
#include "data_display.h"
#include "dig_display.h"
#include "gauge_dial.h"
#include "gauge_model.h"
#include "graph_model.h"
#include "graph_window.h"
#include "live_label.h"
#include "silence_watch.h"
#include "test_main_window.h"
#include "twips.h"

namespace {

// One meter packet: sign code, display 2 unit code, display 1 unit code (two digits), decimal
// places of display 2 and 1, display 2 digits, display 1 digits.
QByteArray packet(const char* sign, const char* unit2, const char* unit1, const char* dp2,
                  const char* dp1, const QByteArray& digits2, const QByteArray& digits1)
{
    QByteArray p("\x02");
    p += sign;
    p += unit2;
    p += unit1;
    p += dp2;
    p += dp1;
    p += digits2;
    p += digits1;
    p += '\r';
    Q_ASSERT(p.size() == 16);
    return p;
}

// Display 1 in %RH with two decimal places, display 2 in Deg C with one.
QByteArray rh(const QByteArray& d1, const QByteArray& d2 = "0235", const char* sign = "0")
{
    return packet(sign, "1", "04", "1", "2", d2, d1);
}

QByteArray degC(const QByteArray& d1, const QByteArray& d2 = "0235")
{
    return packet("0", "1", "01", "1", "2", d2, d1);
}

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

class TestDispatcher : public QObject
{
    Q_OBJECT
  private slots:
    void firstPacketCreatesWindowsHidden()
    {
        MainWithFakes m;
        m.startLinked(1, false);
        m.comm->fire(rh("4512"));
        QVERIFY(m->digDisplayLoaded());
        QVERIFY(!m->digDisplay()->isVisible());
        QVERIFY(!m->graph()->isVisible());
        QVERIFY(!m->anagDisplay()->isVisible());
        QVERIFY(m->dataDisplayLoaded());
        QVERIFY(!m->dataDisplay()->isVisible());
        FrmDigDisplay* d = m->digDisplay();
        QCOMPARE(d->Label2->text(), QStringLiteral("+45.12"));
        QCOMPARE(d->Label5->text(), QStringLiteral("%RH"));
        QCOMPARE(d->Label3->text(), QStringLiteral("+023.5"));
        QCOMPARE(d->Label6->text(), QStringLiteral(" Deg C"));
        // A hidden analog window gets nothing.
        QVERIFY(m->anagDisplay()->Label19->text().isEmpty());
        QCOMPARE(m->session().Gauge1_Offset, 0.0);
    }

    void firstReadingStamped()
    {
        MainWithFakes m;
        m.startLinked(1, false);
        m.clock->set(QDate(2026, 12, 8), QTime(9, 5, 7));
        m.comm->fire(rh("4512"));
        const SessionState& s = m->session();
        QCOMPARE(s.Disp1_High, QStringLiteral("+45.12"));
        QCOMPARE(s.Disp1_Low, QStringLiteral("+45.12"));
        QCOMPARE(s.High1_Time, QStringLiteral("12-08-2026-09:05:07"));
        QCOMPARE(s.Low1_Time, QStringLiteral("12-08-2026-09:05:07"));
        QCOMPARE(s.High2_Time, QStringLiteral("12-08-2026-09:05:07"));
        m.clock->set(QDate(2026, 12, 8), QTime(9, 5, 8));
        m.comm->fire(rh("4512"));
        QCOMPARE(s.High1_Time, QStringLiteral("12-08-2026-09:05:07"));
        QCOMPARE(s.Low1_Time, QStringLiteral("12-08-2026-09:05:07"));
        m.comm->fire(rh("5000"));
        QCOMPARE(s.High1_Time, QStringLiteral("12-08-2026-09:05:08"));
        QCOMPARE(m->digDisplay()->Label7->text(), QStringLiteral("+50.00"));
        QCOMPARE(m->digDisplay()->Label13->text(), QStringLiteral("+45.12"));
    }

    void resetTextsLastUntilNextPacket()
    {
        MainWithFakes m;
        m.startLinked(1, false);
        m.comm->fire(rh("4512"));
        m->Reset_Extremes_2();
        FrmDigDisplay* d = m->digDisplay();
        QCOMPARE(d->Label8->text(), QStringLiteral("-9999"));
        QCOMPARE(d->Label14->text(), QStringLiteral("9999"));
        m->Reset_Extremes_1();
        QCOMPARE(d->Label7->text(), QStringLiteral("-9999"));
        QCOMPARE(d->Label13->text(), QStringLiteral("99999"));
        m.comm->fire(rh("1000", "0100"));
        QCOMPARE(d->Label7->text(), QStringLiteral("+10.00"));
        QCOMPARE(d->Label13->text(), QStringLiteral("+10.00"));
        QCOMPARE(d->Label8->text(), QStringLiteral("+010.0"));
        QCOMPARE(d->Label14->text(), QStringLiteral("+010.0"));
    }

    void unitChangeResetsOnePacketLate()
    {
        MainWithFakes m;
        m.startLinked(1, false);
        const SessionState& s = m->session();
        m.comm->fire(rh("4512"));
        m.comm->fire(degC("2000"));
        // The packet with the new unit is still weighed against the old extremes.
        QCOMPARE(s.Disp1_High, QStringLiteral("+45.12"));
        QCOMPARE(s.Disp1_Low, QStringLiteral("+20.00"));
        m.comm->fire(degC("2100"));
        QCOMPARE(s.Disp1_High, QStringLiteral("+21.00"));
        QCOMPARE(s.Disp1_Low, QStringLiteral("+21.00"));
        QCOMPARE(m->digDisplay()->Label9->text(), QStringLiteral("Deg C"));
    }

    void lightMeterSkipsDisplay1Check()
    {
        MainWithFakes m;
        m.startLinked(1, false);
        const SessionState& s = m->session();
        m.comm->fire(rh("4512"));
        // Light meter, source "8", range "?0": display 2 digits are emptied by the decoder.
        const QByteArray light = packet("0", "0", "15", "0", "0", "8x?0", "0010");
        m.comm->fire(light);
        m.comm->fire(light);
        m.comm->fire(light);
        QCOMPARE(m->digDisplay()->Label5->text(), QStringLiteral("L 20K LUX"));
        QCOMPARE(s.Disp1_High, QStringLiteral("+45.12"));
        QCOMPARE(s.Disp1_Low, QStringLiteral("+0010."));
        // Display 2's check still runs: its unit went from " Deg C" to nothing.
        QCOMPARE(m->digDisplay()->Label10->text(), QString());
    }

    void errorPatternSkipsDisplay1Check()
    {
        MainWithFakes m;
        m.startLinked(1, false);
        const SessionState& s = m->session();
        m.comm->fire(rh("4512"));
        const QByteArray err =
            packet("0", "1", "01", "1", "2", QByteArray("000\x18"), QByteArray(4, '\x18'));
        m.comm->fire(err);
        m.comm->fire(err);
        QCOMPARE(m->digDisplay()->Label2->text(), QStringLiteral("ERROR"));
        QCOMPARE(m->digDisplay()->Label5->text(), QStringLiteral("Deg C"));
        // Never reset, so ERROR (0) became only the low.
        QCOMPARE(s.Disp1_High, QStringLiteral("+45.12"));
        QCOMPARE(s.Disp1_Low, QStringLiteral("ERROR"));
    }

    void onePanelUnitLabels()
    {
        MainWithFakes m;
        m.startLinked(1, true);
        m.comm->fire(packet("0", "0", "04", "1", "2", "0000", "4512"));
        FrmDigDisplay* d = m->digDisplay();
        QCOMPARE(d->Label4->text(), QStringLiteral("%RH"));
        QCOMPARE(d->Label19->text(), QStringLiteral("%RH"));
        QCOMPARE(d->Label1->text(), m->session().Disp1_High);
        QCOMPARE(d->Label18->text(), m->session().Disp1_Low);
    }

    void graphScrollsAtHundredAndOne()
    {
        MainWithFakes m;
        m.startLinked(1, false);
        GraphModel* g = m->graph()->Graph1;
        m.comm->fire(rh("0100", "0010")); // written at 99
        QCOMPARE(m->session().Graph_Point, 100);
        QCOMPARE(g->thisPoint(), 100);
        m.comm->fire(rh("0200", "0020")); // written at 100, then the scroll
        QCOMPARE(m->session().Graph_Point, 99);
        QCOMPARE(g->thisPoint(), 99);
        QCOMPARE(g->value(1, 98), 1.0f);
        QCOMPARE(g->value(1, 99), 2.0f);
        QCOMPARE(g->value(1, 100), 2.0f);
        QCOMPARE(g->value(2, 98), 1.0f);
        QCOMPARE(g->value(2, 100), 2.0f);
        QCOMPARE(m->graph()->Label1->text(), QStringLiteral("%RH"));
        QCOMPARE(m->graph()->Label2->text(), QStringLiteral(" Deg C"));
        QCOMPARE(g->thisSet(), 1);
    }

    void scrollMovesEveryPoint()
    {
        MainWithFakes m;
        GraphModel* g = m->graph()->Graph1;
        for (int set = 1; set <= 2; ++set)
            for (int p = 1; p <= 100; ++p) {
                g->setThisSet(set);
                g->setThisPoint(p);
                g->setGraphData(set * 1000 + p);
            }
        for (int i = 0; i < 99; ++i)
            m->Scroll_Graph();
        for (int set = 1; set <= 2; ++set)
            for (int p = 1; p <= 100; ++p)
                QCOMPARE(g->value(set, p), float(set * 1000 + 100));
        QCOMPARE(g->thisSet(), 2);
        QCOMPARE(g->thisPoint(), 99);
    }

    void graphBoundRisesNeverFalls()
    {
        MainWithFakes m;
        m.startLinked(1, false);
        GraphModel* g = m->graph()->Graph1;
        g->setYAxisMax(40);
        m.comm->fire(rh("5000", "0000"));
        QCOMPARE(g->yAxisMax(), 55.0f);
        m.comm->fire(rh("0500", "0000", "1")); // display 1 at -5
        QCOMPARE(m->digDisplay()->Label2->text(), QStringLiteral("-05.00"));
        QCOMPARE(g->yAxisMax(), 55.0f);
    }

    void resetGraphOnlyWhileShown()
    {
        MainWithFakes m;
        m.startLinked(1, false);
        GraphModel* g = m->graph()->Graph1;
        m.comm->fire(rh("0100"));
        m.comm->fire(degC("0100")); // new unit
        m.comm->fire(degC("0100")); // display 1 reset, graph hidden: kept
        QCOMPARE(g->value(1, 98), 1.0f);
        m->session().Graph_Shown = 1;
        m.comm->fire(rh("0100"));
        m.comm->fire(rh("0100")); // reset with the graph on: cleared, point 99
        QVERIFY(std::isnan(g->value(1, 98)));
        QCOMPARE(m->session().Graph_Point, 100);
    }

    void layoutTwoDisplays()
    {
        MainWithFakes m;
        m.startLinked(1, false);
        m.comm->fire(rh("4512"));
        FrmDigDisplay* d = m->digDisplay();
        FrmAnagDisplay* a = m->anagDisplay();
        QCOMPARE(outerHeightTwips(d), pixelsToTwips(twipsToPixels(4170, d), d));
        QCOMPARE(outerHeightTwips(a), pixelsToTwips(twipsToPixels(4020, a), a));
        QVERIFY(d->Frame3->isVisibleTo(d));
        QVERIFY(d->Label3->isVisibleTo(d));
        QVERIFY(d->Label6->isVisibleTo(d));
        QVERIFY(!d->Frame1->isVisibleTo(d));
        QCOMPARE(d->frame3TopTwips(), 2760);
        QCOMPARE(d->Frame3->y(), twipsToPixels(2760, d));
        d->resize(d->width(), 90);
        a->resize(a->width(), 500);
        m.comm->fire(rh("4512"));
        QCOMPARE(d->height(), twipsToPixels(4170, d));
        QCOMPARE(a->height(), twipsToPixels(4020, a));
        QVERIFY(!d->isVisible());
    }

    void layoutOneDisplay()
    {
        MainWithFakes m;
        m.startLinked(1, true);
        m.comm->fire(rh("4512"));
        FrmDigDisplay* d = m->digDisplay();
        FrmAnagDisplay* a = m->anagDisplay();
        QCOMPARE(d->height(), twipsToPixels(2370, d));
        QCOMPARE(a->height(), twipsToPixels(2100, a));
        QVERIFY(!d->Frame3->isVisibleTo(d));
        QVERIFY(!d->Label3->isVisibleTo(d));
        QVERIFY(!d->Label6->isVisibleTo(d));
        QVERIFY(d->Frame1->isVisibleTo(d));
        QCOMPARE(d->frame3TopTwips(), 960);
        d->resize(d->width(), 600);
        m.comm->fire(rh("4512"));
        QCOMPARE(d->height(), twipsToPixels(2370, d));
        QVERIFY(d->Frame1->geometry().bottom() < d->height());
        QVERIFY(d->Label2->geometry().bottom() <= d->Frame1->y());
    }

    void rejectedPacketAbsorbed()
    {
        MainWithFakes m;
        m.startLinked(1, false);
        m.comm->fire(rh("4512"));
        // Display 1 decimal places 5: the decoder rejects it.
        m.comm->fire(packet("0", "1", "04", "1", "5", "0235", "1111"));
        QCOMPARE(m.boxes->shown.size(), 1); // only the save question, no error shown
        m.comm->fire(rh("3000"));
        QCOMPARE(m->digDisplay()->Label2->text(), QStringLiteral("+30.00"));
        QCOMPARE(m->session().Disp1_Low, QStringLiteral("+30.00"));
    }

    void gaugeLimitErrorAbsorbed()
    {
        MainWithFakes m;
        m.startLinked(1, false);
        FrmAnagDisplay* a = m->anagDisplay();
        a->show();
        m.comm->fire(packet("0", "1", "04", "1", "0", "0235", "9999")); // 9999 -> 14998: fine
        QCOMPARE(int(a->Gauge1->maxValue()), 14998);
        QCOMPARE(a->Label19->text(), QStringLiteral("+9999."));
        QCOMPARE(a->Label26->text(), QStringLiteral("14998"));
        QCOMPARE(a->Label22->text(), QStringLiteral(" Deg C"));
        // 8-digit readings in single-reading packets can exceed what the gauge can hold.
        m.comm->fire(packet("4", "1", "04", "0", "0", "0009", "9999")); // 99999 -> 149998: rejected
        QCOMPARE(int(a->Gauge1->maxValue()), 14998);
        QCOMPARE(m.boxes->shown.size(), 1);
        m.comm->fire(rh("1000"));
        QCOMPARE(m->digDisplay()->Label2->text(), QStringLiteral("+10.00"));
        QCOMPARE(a->Label19->text(), QStringLiteral("+10.00"));
    }

    void decoderReadsDisplayTypeAndSwitches_data()
    {
        QTest::addColumn<bool>("single");
        QTest::addColumn<int>("saveData");
        QTest::addColumn<bool>("armed"); // St
        QTest::addColumn<QString>("value1");
        QTest::addColumn<int>("counted"); // Rec_Count and raw-list lines after two packets
        QTest::newRow("dual") << false << 0 << false << "+45.12" << 2;
        QTest::newRow("single") << true << 0 << false << "23545.12" << 2;
        QTest::newRow("saving, not armed") << false << 1 << false << "+45.12" << 2;
        QTest::newRow("saving, armed") << false << 1 << true << "+45.12" << 0;
        QTest::newRow("single, saving, armed") << true << 1 << true << "23545.12" << 0;
    }
    void decoderReadsDisplayTypeAndSwitches()
    {
        QFETCH(bool, single);
        QFETCH(int, saveData);
        QFETCH(bool, armed);
        QFETCH(QString, value1);
        QFETCH(int, counted);
        MainWithFakes m;
        m.startLinked(1, single);
        m->session().Save_Data = saveData;
        m->St->setChecked(armed);
        const QByteArray example("\x02"
                                 "01041202354512\r");
        m.comm->fire(example);
        m.comm->fire(example);
        QCOMPARE(m->session().Disp1_Value, value1);
        QCOMPARE(m->session().Rec_Count, counted);
        QCOMPARE(m->dataDisplay()->lineCount(), counted);
    }

    void silentMeterFadesTheLiveValues()
    {
        MainWithFakes m;
        m.startLinked(1, false);
        m->Digitial_On_Click();
        m->Analog_On_Click();
        m.clock->set(QDate(2026, 12, 8), QTime(14, 3, 9));
        m.comm->fire(rh("4512"));
        auto* silence = m->findChild<QTimer*>(QStringLiteral("silenceTimer"));
        QVERIFY(silence);
        auto waitOut = [&](int ms) {
            m.clock->advance(ms);
            silence->start(0); // what the timer would do once the time has passed
            QTest::qWait(5);
        };
        auto faded = [&] {
            const auto* value = qobject_cast<LiveLabel*>(m->digDisplay()->Label2);
            return value && value->dimmed() && m->anagDisplay()->dial(1)->dimmed() &&
                   qobject_cast<LiveLabel*>(m->anagDisplay()->Label21)->dimmed();
        };
        waitOut(4900);
        QVERIFY(!faded());
        waitOut(200);
        QVERIFY(faded());
        QCOMPARE(m->digDisplay()->Label2->toolTip(),
                 QStringLiteral("No reading from the meter since 14:03:09"));
        QCOMPARE(m->digDisplay()->Label2->text(), QStringLiteral("+45.12")); // caption kept
        // A window opened while the meter is silent opens faded.
        m->digDisplay()->close();
        flushDeletes();
        QVERIFY(qobject_cast<LiveLabel*>(m->digDisplay()->Label3)->dimmed());
        QSignalSpy speaking(m->findChild<SilenceWatch*>(), &SilenceWatch::speaking);
        m.comm->fire(rh("4613"));
        QVERIFY(!faded());
        QVERIFY(m->anagDisplay()->Label19->toolTip().isEmpty());
        m.comm->fire(rh("4613"));
        QCOMPARE(speaking.size(), 1); // told once, not at every packet
    }

    void rawListThroughPackets()
    {
        MainWithFakes m;
        m.startLinked(1, false);
        m.comm->fire(rh("0100"));
        m.comm->fire(rh("0200"));
        m.comm->fire(rh("0300"));
        FrmDataDisplay* l = m->dataDisplay();
        QCOMPARE(l->lineCount(), 3);
        // Each line holds the reading shown before its packet: newest first.
        QVERIFY(l->line(0).startsWith(QStringLiteral(" 3,+02.00,%RH")));
        QVERIFY(l->line(1).startsWith(QStringLiteral(" 2,+01.00,%RH")));
        QVERIFY(l->line(2).startsWith(QStringLiteral(" 1,,")));
        m->Data_Display_Raw_Click();
        QVERIFY(l->isVisible());
        m->Data_Display_Raw_Click();
        QVERIFY(l->isVisible());
        l->Command1->click();
        QVERIFY(!l->isVisible());
        m.comm->fire(rh("0400"));
        QVERIFY(!l->isVisible());
        QCOMPARE(l->lineCount(), 4);
        // Close box: the lines go with the window; the next packet makes an empty one, hidden.
        l->show();
        l->close();
        flushDeletes();
        QVERIFY(!m->dataDisplayLoaded());
        m.comm->fire(rh("0500"));
        QVERIFY(m->dataDisplayLoaded());
        QCOMPARE(m->dataDisplay()->lineCount(), 1);
        QVERIFY(!m->dataDisplay()->isVisible());
    }

    void digitalMenuAndCloseBox()
    {
        MainWithFakes m;
        m.startLinked(1, false);
        m.comm->fire(rh("4512"));
        m->Digitial_On->trigger();
        QVERIFY(m->Digitial_On->isChecked());
        QVERIFY(m->digDisplay()->isVisible());
        m->Digitial_On->trigger();
        QVERIFY(!m->Digitial_On->isChecked());
        QVERIFY(!m->digDisplay()->isVisible());
        m->Digitial_On->trigger();
        m->digDisplay()->close();
        QVERIFY(!m->Digitial_On->isChecked());
        flushDeletes();
        QVERIFY(!m->digDisplayLoaded());
        m.comm->fire(rh("4000"));
        QVERIFY(m->digDisplayLoaded());
        FrmDigDisplay* d = m->digDisplay();
        QVERIFY(!d->isVisible());
        // Extremes come back from the session; units only as far as this packet set them.
        QCOMPARE(d->Label7->text(), QStringLiteral("+45.12"));
        QCOMPARE(d->Label13->text(), QStringLiteral("+40.00"));
        QCOMPARE(d->Label9->text(), QString());
        QCOMPARE(d->Label15->text(), QStringLiteral("%RH"));
        QCOMPARE(m->session().Low1_Unit.resolve(*d), QStringLiteral("%RH"));
    }
};

QTEST_MAIN(TestDispatcher)
#include "test_dispatcher.moc"
