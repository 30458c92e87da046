#include "data_collect.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

#include "message_boxes.h"
#include "record_texts.h"
#include "window_keys.h"

namespace {

// Qt's scroll bars take the keys the other way round on a horizontal bar (Right steps down, Left
// up). Here the keys go as on any horizontal scroll bar: Left, Up and Page Up towards the
// minimum, Right, Down and Page Down towards the maximum, Home and End to the ends; each is the
// step a click on the bar would take, so the change handler runs as for a click. A bar with the
// focus is framed as the style frames a focused button; the style draws no focus on a scroll bar.
class KeyScrollBar : public QScrollBar
{
  public:
    using QScrollBar::QScrollBar;

  protected:
    void paintEvent(QPaintEvent* event) override
    {
        QScrollBar::paintEvent(event);
        if (!hasFocus())
            return;
        QStylePainter p(this);
        QStyleOptionFocusRect frame;
        frame.initFrom(this);
        // Shown from the first moment, not only after a Tab: a bar gives no other sign.
        frame.state |= QStyle::State_KeyboardFocusChange;
        frame.backgroundColor = palette().color(QPalette::Window);
        p.drawPrimitive(QStyle::PE_FrameFocusRect, frame);
    }

    void keyPressEvent(QKeyEvent* event) override
    {
        SliderAction action = SliderNoAction;
        switch (event->key()) {
        case Qt::Key_Left:
        case Qt::Key_Up:
            action = SliderSingleStepSub;
            break;
        case Qt::Key_Right:
        case Qt::Key_Down:
            action = SliderSingleStepAdd;
            break;
        case Qt::Key_PageUp:
            action = SliderPageStepSub;
            break;
        case Qt::Key_PageDown:
            action = SliderPageStepAdd;
            break;
        case Qt::Key_Home:
            action = SliderToMinimum;
            break;
        case Qt::Key_End:
            action = SliderToMaximum;
            break;
        default:
            QScrollBar::keyPressEvent(event);
            return;
        }
        triggerAction(action);
        event->accept();
    }
};

QScrollBar* makeBar(QWidget* parent, int min, int max, int value)
{
    auto* bar = new KeyScrollBar(Qt::Horizontal, parent);
    bar->setRange(min, max);
    bar->setSingleStep(1);
    bar->setPageStep(1);
    bar->setValue(value);
    bar->setFocusPolicy(Qt::StrongFocus);
    bar->setMinimumWidth(260);
    return bar;
}

QLineEdit* makeTime(QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setMaxLength(8);
    edit->setPlaceholderText(QStringLiteral("hh:mm:ss"));
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("00:00:00")) + 16);
    return edit;
}

} // namespace

FrmDataCollect::FrmDataCollect(MessageBoxes& boxes, QWidget* parent)
    : QWidget(parent, Qt::Window), m_boxes(boxes)
{
    setWindowTitle(QStringLiteral("   Data Collection Window"));
    Label1 = new QLabel(QStringLiteral("Select Sample Interval"), this);
    // The interval starts at one second: a sample at every 100 ms check is not a schedule.
    HScroll1 = makeBar(this, 1, 3600, 1);
    Label4 = new QLabel(this);
    Label27 = new QLabel(QStringLiteral("Number Of Samples"), this);
    HScroll2 = makeBar(this, 0, 10000, 0);
    Label28 = new QLabel(QStringLiteral("Start Time"), this);
    Start_Time = makeTime(this);
    Label29 = new QLabel(QStringLiteral("Stop Time"), this);
    Stop_Time = makeTime(this);
    Command1 = new QPushButton(QStringLiteral("Start"), this);

    auto* grid = new QGridLayout(this);
    grid->addWidget(Label1, 0, 0, 1, 4);
    grid->addWidget(HScroll1, 1, 0, 1, 4);
    grid->addWidget(Label4, 2, 0, 1, 4);
    grid->addWidget(Label27, 3, 0, 1, 4);
    grid->addWidget(HScroll2, 4, 0, 1, 4);
    grid->addWidget(Label28, 5, 0);
    grid->addWidget(Start_Time, 5, 1);
    grid->addWidget(Label29, 5, 2, Qt::AlignRight);
    grid->addWidget(Stop_Time, 5, 3);
    grid->addWidget(Command1, 6, 0, 1, 4, Qt::AlignHCenter);
    grid->setColumnStretch(2, 1);
    grid->setRowMinimumHeight(2, Label4->fontMetrics().height());

    setTabOrder(HScroll1, Command1);
    setTabOrder(Command1, HScroll2);
    setTabOrder(HScroll2, Start_Time);
    setTabOrder(Start_Time, Stop_Time);

    connect(HScroll1, &QScrollBar::valueChanged, this, &FrmDataCollect::HScroll1_Change);
    connect(HScroll2, &QScrollBar::valueChanged, this, &FrmDataCollect::HScroll2_Change);
    connect(Command1, &QPushButton::clicked, this, &FrmDataCollect::Command1_Click);
    takeFocusWhenShown(this);
}

void FrmDataCollect::HScroll1_Change()
{
    Label4->setText(intervalText(HScroll1->value()));
}

void FrmDataCollect::HScroll2_Change()
{
    Label27->setText(samplesText(HScroll2->value()));
}

void FrmDataCollect::Check_Times()
{
    Times_Valid = 1;
    for (const QString& message : checkTimes(Start_Time->text(), Stop_Time->text())) {
        m_boxes.msgBox(message, Mb::OkOnly);
        Times_Valid = 0;
    }
}

void FrmDataCollect::Command1_Click()
{
    Times_Valid = 0;
    Check_Times();
    if (Times_Valid != 0) {
        emit armed();
        hide();
    }
}

void FrmDataCollect::Form_Unload()
{
    Times_Valid = 0;
    Check_Times();
    if (Times_Valid != 0)
        emit armed();
}

void FrmDataCollect::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    // Never refused; the window only hides, so the clock goes on reading the user's settings
    // rather than the initial ones.
    event->ignore();
    hide();
}

Schedule FrmDataCollect::schedule() const
{
    return {HScroll1->value(), HScroll2->value(), Start_Time->text(), Stop_Time->text()};
}
