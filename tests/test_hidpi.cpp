// The pictures at two device pixels to a logical one, as QT_SCALE_FACTOR=2 gives them: drawn at
// that ratio, not enlarged from a picture drawn for one.

#include <QApplication>
#include <QTest>

#include "artwork.h"
#include "picture_box.h"
#include "small_windows.h"
#include "test_main_window.h"

// How far `sharp` is from `one` enlarged to its size, by the nearer of the two ways of
// enlarging: the mean over its colour channels, 0 to 255.
static double fromEnlarged(const QPixmap& sharp, const QPixmap& one)
{
    const QImage a = sharp.toImage().convertToFormat(QImage::Format_RGB888);
    double nearest = 255;
    for (const auto mode : {Qt::FastTransformation, Qt::SmoothTransformation}) {
        const QImage b = one.toImage()
                             .scaled(a.size(), Qt::IgnoreAspectRatio, mode)
                             .convertToFormat(QImage::Format_RGB888);
        double sum = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < 3 * a.width(); ++x)
                sum += std::abs(a.constScanLine(y)[x] - b.constScanLine(y)[x]);
        nearest = std::min(nearest, sum / (3.0 * a.width() * a.height()));
    }
    return nearest;
}

class TestHiDpi : public QObject
{
    Q_OBJECT

  private slots:
    // Each window shows its picture drawn at the screen's ratio, not enlarged (a sharp drawing
    // differs from both enlargements by 2.8 or more); the icon is drawn at each size and ratio.
    void windowsAreSharp_data()
    {
        QTest::addColumn<bool>("main");
        QTest::newRow("main window") << true;
        QTest::newRow("About window") << false;
    }
    void windowsAreSharp()
    {
        QFETCH(bool, main);
        QCOMPARE(qApp->devicePixelRatio(), 2.0);
        MainWithFakes m;
        QWidget* window =
            main ? static_cast<QWidget*>(m.w.get()) : static_cast<QWidget*>(m->about());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        auto* picture = window->findChild<PictureBox*>();
        QVERIFY(picture);
        const QPixmap shown = picture->grab();
        QCOMPARE(shown.size(), picture->size() * 2);
        const QPixmap one = main ? mainPicture(1) : aboutPicture(1);
        QVERIFY(fromEnlarged(shown, one) > 0.5);
        for (const int size : {16, 32, 48}) {
            const QPixmap two = window->windowIcon().pixmap(QSize(size, size), 2.0);
            QCOMPARE(two.size(), QSize(2 * size, 2 * size));
            QVERIFY(fromEnlarged(two, window->windowIcon().pixmap(QSize(size, size), 1.0)) > 0.5);
        }
    }
};

int main(int argc, char* argv[])
{
    // Before the application object: a 2560 x 1440 desktop at scale 2.
    qputenv("QT_SCALE_FACTOR", "2");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TestHiDpi t;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&t, argc, argv);
}

#include "test_hidpi.moc"
