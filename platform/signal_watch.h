#pragma once

#include <functional>

class QObject;

// SIGTERM, SIGINT and SIGHUP (a shutdown, a logout, Ctrl+C in a terminal) run `close` from the
// event loop, while `context` lives. A second such signal ends the program at once.
void onTerminationSignals(QObject* context, std::function<void()> close);
