#include "test_main_window.h"

#include <QRadioButton>

#include "port_dialogs.h"

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
