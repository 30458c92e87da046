#pragma once

class QWidget;

// SIGTERM, SIGINT and SIGHUP (a shutdown, a logout, Ctrl+C in a terminal) close `window` from
// the event loop as its close box does. A second such signal ends the program at once.
void closeOnTerminationSignals(QWidget* window);
