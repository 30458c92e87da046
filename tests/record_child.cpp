// Records into the file named on the command line as a user would (saving answered Yes, the
// file chosen, Start with the window's settings) on a clock ten times fast, two displays, ten
// packets a second. Ends on a signal as the program does.
#include <QApplication>
#include <QDateTime>
#include <QTimer>
#include <cstdio>

#include "data_collect.h"
#include "termination_signals.h"
#include "test_main_window.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc != 2)
        return 2;
    MainWithFakes m;
    closeOnTerminationSignals(m.w.get());
    QDateTime now(QDate(2026, 12, 7), QTime(23, 59, 50)); // the run goes through midnight
    m.clock->set(now.date(), now.time());
    m.dialog->choices.push_back(QString::fromLocal8Bit(argv[1]));
    m.startLinked(1, false, Mb::Yes);
    m->dataCollect()->Command1_Click();
    int n = 0;
    QTimer feed;
    QObject::connect(&feed, &QTimer::timeout, [&] {
        now = now.addSecs(1);
        m.clock->set(now.date(), now.time());
        m.comm->fire("\x02"
                     "0104120235" +
                     QByteArray::number(1000 + n++ % 9000) + "\r");
    });
    feed.start(100);
    long long told = 0;
    QTimer report; // the rows written so far, which the file must hold whatever ends the run
    QObject::connect(&report, &QTimer::timeout, [&] {
        if (m->session().Rec_Num != told)
            std::printf("%lld\n", told = m->session().Rec_Num), std::fflush(stdout);
    });
    report.start(20);
    return app.exec();
}
