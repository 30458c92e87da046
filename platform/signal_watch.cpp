#include "signal_watch.h"

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "runtime_error.h"

namespace {

int g_pipe[2] = {-1, -1};
volatile sig_atomic_t g_received = 0;

// Only async-signal-safe calls: the event loop does the closing.
void onSignal(int sig)
{
    if (g_received) {
        ::signal(sig, SIG_DFL);
        ::raise(sig);
        return;
    }
    g_received = sig;
    const int saved = errno;
    const char c = 1;
    (void)!::write(g_pipe[1], &c, 1);
    errno = saved;
}

} // namespace

void onTerminationSignals(QObject* context, std::function<void()> close)
{
    if (g_pipe[0] < 0 && ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        throw RuntimeError(QStringLiteral("Cannot watch for termination signals: %1")
                               .arg(QString::fromLocal8Bit(std::strerror(errno))));
    auto* notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [close = std::move(close)] {
        char c;
        while (::read(g_pipe[0], &c, 1) > 0) {
        }
        close();
    });
    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (const int sig : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(sig, &sa, nullptr);
}
