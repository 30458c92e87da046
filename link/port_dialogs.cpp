#include "port_dialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "port_map.h"
#include "window_keys.h"

// Enter presses OK wherever the focus stands, as it does in any dialog; the OK button shows
// that it is the default. Space still presses the focused button.
static void makeOkTheDefault(QWidget* dialog, QPushButton* ok)
{
    ok->setDefault(true);
    takeFocusWhenShown(dialog);
}

static bool pressedEnter(QKeyEvent* event, QPushButton* ok)
{
    const int key = event->key();
    if ((key != Qt::Key_Return && key != Qt::Key_Enter) || !ok->isVisible() || !ok->isEnabled())
        return false;
    ok->click();
    return true;
}

// A window of its own, kept above the main window that it belongs to: the choice comes first.
FrmComSelect::FrmComSelect(const PortMap& ports, QWidget* parent) : QWidget(parent, Qt::Dialog)
{
    setWindowTitle(QStringLiteral("  Com Select"));
    auto* lay = new QVBoxLayout(this);
    Label17 = new QLabel(QStringLiteral("Please Select Your Communications Port"), this);
    lay->addWidget(Label17);
    QRadioButton** opts[] = {&Option1, &Option2, &Option3, &Option4};
    auto* group = new QButtonGroup(this);
    for (int i = 0; i < 4; ++i) {
        auto* b = new QRadioButton(QStringLiteral("Com Port %1").arg(i + 1), this);
        b->setObjectName(QStringLiteral("Option%1").arg(i + 1));
        b->setToolTip(ports.device(i + 1));
        group->addButton(b, i + 1);
        lay->addWidget(b);
        *opts[i] = b;
    }
    Enable_DTR = new QCheckBox(QStringLiteral("SLM Enabled"), this);
    lay->addWidget(Enable_DTR);
    Command2 = new QPushButton(QStringLiteral("OK"), this);
    Command2->setMinimumWidth(88);
    lay->addWidget(Command2, 0, Qt::AlignHCenter);
    setTabOrder(Option1, Option2);
    setTabOrder(Option2, Option3);
    setTabOrder(Option3, Option4);
    setTabOrder(Option4, Enable_DTR);
    setTabOrder(Enable_DTR, Command2);
    Command2->installEventFilter(this);
    makeOkTheDefault(this, Command2);
    connect(Command2, &QPushButton::clicked, this, &FrmComSelect::Command2_Click);
}

void FrmComSelect::keyPressEvent(QKeyEvent* event)
{
    if (!pressedEnter(event, Command2))
        QWidget::keyPressEvent(event);
}

int FrmComSelect::portNumber() const
{
    if (Option1->isChecked())
        return 1;
    if (Option2->isChecked())
        return 2;
    if (Option3->isChecked())
        return 3;
    if (Option4->isChecked())
        return 4;
    return 0;
}

void FrmComSelect::Command2_Click()
{
    hide();
    emit proceed();
}

bool FrmComSelect::Command2_KeyPress(int key)
{
    QRadioButton* opts[] = {Option1, Option2, Option3, Option4};
    if (key >= 49 && key <= 52) {
        opts[key - 49]->setChecked(true);
        return true;
    }
    return false;
}

bool FrmComSelect::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Command2 && event->type() == QEvent::KeyPress) {
        const QString text = static_cast<QKeyEvent*>(event)->text();
        if (text.size() == 1)
            Command2_KeyPress(text.at(0).unicode());
        // The key goes on unchanged: selecting a port does not swallow it.
    }
    return QWidget::eventFilter(watched, event);
}

frmDisplay::frmDisplay(QWidget* parent) : QWidget(parent, Qt::Dialog)
{
    setWindowTitle(QStringLiteral("  Display Type"));
    auto* lay = new QVBoxLayout(this);
    Label17 = new QLabel(QStringLiteral("Does your meter have 1 or 2 Displays ?"), this);
    DisplayOne = new QRadioButton(QStringLiteral("Single Display"), this);
    DisplayTwo = new QRadioButton(QStringLiteral("Dual Display"), this);
    DisplayOne->setChecked(true);
    Command2 = new QPushButton(QStringLiteral("OK"), this);
    lay->addWidget(Label17);
    lay->addWidget(DisplayOne);
    lay->addWidget(DisplayTwo);
    Command2->setMinimumWidth(88);
    lay->addWidget(Command2, 0, Qt::AlignHCenter);
    makeOkTheDefault(this, Command2);
    connect(Command2, &QPushButton::clicked, this, &frmDisplay::Command2_Click);
}

void frmDisplay::keyPressEvent(QKeyEvent* event)
{
    if (!pressedEnter(event, Command2))
        QWidget::keyPressEvent(event);
}

void frmDisplay::Command2_Click()
{
    hide();
    emit proceed();
}
