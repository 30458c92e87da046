#pragma once

#include <memory>

#include "fakes.h"
#include "frm_main.h"

// A main window wired to fakes, as the tests use it. Pointers to the fakes stay valid while
// the window lives.
struct MainWithFakes
{
    FakeSerialControl* comm;
    std::shared_ptr<FakeClock> clock = std::make_shared<FakeClock>();
    std::shared_ptr<FakeMessageBoxes> boxes = std::make_shared<FakeMessageBoxes>();
    std::shared_ptr<FakeCommonDialog> dialog = std::make_shared<FakeCommonDialog>();
    std::shared_ptr<SeqFiles> files = std::make_shared<SeqFiles>();
    std::unique_ptr<FrmMain> w;

    explicit MainWithFakes(PortMap ports = PortMap())
    {
        auto c = std::make_unique<FakeSerialControl>();
        comm = c.get();
        Platform p;
        p.comm = std::move(c);
        p.clock = clock;
        p.boxes = boxes;
        p.dialog = dialog;
        p.files = files;
        w = std::make_unique<FrmMain>(std::move(p), std::move(ports));
    }
    FrmMain* operator->() { return w.get(); }

    // Start-up through both dialogs with the given port (0: none) and display mode.
    void startLinked(int port = 1, bool singleDisplay = false, int saveAnswer = Mb::No);
};
