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

// The user at a datalogger download: answers every box, and presses the meter's RESET key (the
// simulator's SIGUSR1) when the instructions say so.
class DownloadUser : public FakeMessageBoxes
{
  public:
    qint64 meter = 0; // the simulator's process
    int msgBox(const QString& prompt, int flags) override;
};

// The main window on the real serial control with `device` as "Com Port 1", started as a user
// would (two displays, no saving); the other pieces are fakes, `boxes` among them.
std::unique_ptr<FrmMain> mainOnDevice(const QString& device,
                                      std::shared_ptr<FakeMessageBoxes> boxes);
