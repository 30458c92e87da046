#include "test_main_window.h"

#include <QRadioButton>
#include <csignal>

#include "port_dialogs.h"
#include "qt_serial_control.h"

void MainWithFakes::startLinked(int port, bool singleDisplay, int saveAnswer)
{
    w->Form_Load();
    FrmComSelect* cs = w->comSelect();
    QRadioButton* opts[] = {cs->Option1, cs->Option2, cs->Option3, cs->Option4};
    if (port >= 1 && port <= 4)
        opts[port - 1]->setChecked(true);
    cs->Command2_Click();
    frmDisplay* d = w->displayType();
    (singleDisplay ? d->DisplayOne : d->DisplayTwo)->setChecked(true);
    boxes->answers.push_back(saveAnswer);
    d->Command2_Click();
}

int DownloadUser::msgBox(const QString& prompt, int flags)
{
    const int answer = FakeMessageBoxes::msgBox(prompt, flags);
    if (prompt.startsWith(QLatin1String("Press 'RESET>'")))
        ::kill(pid_t(meter), SIGUSR1);
    return answer;
}

std::unique_ptr<FrmMain> mainOnDevice(const QString& device,
                                      std::shared_ptr<FakeMessageBoxes> boxes)
{
    PortMap ports;
    ports.setDevice(1, device);
    Platform p;
    p.comm = std::make_unique<QtSerialControl>(ports);
    p.clock = std::make_shared<SystemClock>();
    p.boxes = boxes;
    p.dialog = std::make_shared<FakeCommonDialog>();
    p.files = std::make_shared<SeqFiles>();
    auto w = std::make_unique<FrmMain>(std::move(p), ports);
    w->Form_Load();
    w->comSelect()->Option1->setChecked(true);
    w->comSelect()->Command2_Click();
    w->displayType()->DisplayTwo->setChecked(true);
    boxes->answers.push_back(Mb::No);
    w->displayType()->Command2_Click();
    return w;
}
