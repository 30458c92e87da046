#pragma once

#include <memory>

#include "clock.h"
#include "common_dialog.h"
#include "message_boxes.h"
#include "serial_control.h"
#include "seq_files.h"
#include "window_placement.h"

// Everything the program reaches outside itself. main() hands in the real pieces; tests fakes.
struct Platform
{
    std::unique_ptr<SerialControl> comm;
    std::shared_ptr<Clock> clock;
    std::shared_ptr<MessageBoxes> boxes;
    std::shared_ptr<CommonDialog> dialog;
    std::shared_ptr<SeqFiles> files;
    std::shared_ptr<WindowPlacement> placement; // none: the window system places the windows
};
