// The windows as a user meets them: the keyboard on the collection window, where windows open,
// the gauges' limit texts.

#include <QApplication>
#include <QLabel>
#include <QScrollBar>
#include <QTest>

#include "data_collect.h"
#include "fakes.h"

using namespace Qt::StringLiterals;

class TestWindows : public QObject
{
    Q_OBJECT
  private slots:
    void collectionBarsTakeKeys_data();
    void collectionBarsTakeKeys();
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
}

QTEST_MAIN(TestWindows)
#include "test_windows.moc"
