// What the window system itself costs: WINDOWS plain windows, each filling a 40 x 20 corner RATE
// times a second and nothing else. bench/paint-floor.sh measures it from outside, as it measures
// the live view, to tell the program's own cost from the floor under it.
// Run: bench_paint_floor WINDOWS RATE. Prints "ready" once the windows are up.

#include <QApplication>
#include <QPainter>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

class Blinker : public QWidget
{
  protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(0, 0, 40, 20, (m_turn++ & 1) ? Qt::red : Qt::blue);
    }

  private:
    int m_turn = 0;
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_paint_floor WINDOWS RATE\n");
        return 2;
    }
    const int count = std::atoi(argv[1]);
    const int rate = std::max(1, std::atoi(argv[2]));
    std::vector<std::unique_ptr<Blinker>> windows;
    for (int i = 0; i < count; ++i) {
        windows.push_back(std::make_unique<Blinker>());
        windows.back()->setGeometry(40 + 310 * (i % 4), 40 + 240 * (i / 4), 300, 200);
        windows.back()->show();
    }
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&windows] {
        for (auto& w : windows)
            w->update(0, 0, 40, 20);
    });
    tick.start(1000 / rate);
    QTimer::singleShot(1000, [] {
        std::printf("ready\n");
        std::fflush(stdout);
    });
    return app.exec();
}
