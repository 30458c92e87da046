#include "termination_signals.h"

#include <QWidget>

#include "signal_watch.h"

void closeOnTerminationSignals(QWidget* window)
{
    onTerminationSignals(window, [window] { window->close(); });
}
