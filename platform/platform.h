#pragma once

#include <memory>

#include "clock.h"
#include "common_dialog.h"
#include "message_boxes.h"
#include "seq_files.h"
#include "serial_control.h"
#include "window_placement.h"

// Everything the program reaches outside itself: desktopPlatform() below, or fakes in tests.
struct Platform
{
    std::unique_ptr<SerialControl> comm;
    std::shared_ptr<Clock> clock;
    std::shared_ptr<MessageBoxes> boxes;
    std::shared_ptr<CommonDialog> dialog;
    std::shared_ptr<SeqFiles> files;
    std::shared_ptr<WindowPlacement> placement; // none: the window system places the windows
};

class PortMap;

// The real pieces, as the program runs on a desktop: the serial ports of `ports`, the system
// clock, message boxes, file dialogs, files, and window places kept in the user's settings.
Platform desktopPlatform(const PortMap& ports);
