#include "small_windows.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "artwork.h"
#include "picture_box.h"

E_MsgBox::E_MsgBox(QWidget* parent) : QWidget(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
{
    setWindowTitle(QStringLiteral("System Info"));
    auto* lay = new QVBoxLayout(this);
    Msg = new QLabel(this);
    Msg->setMinimumWidth(260);
    Msg->setWordWrap(true);
    Command1 = new QPushButton(QStringLiteral("OK"), this);
    lay->addWidget(Msg);
    lay->addWidget(Command1, 0, Qt::AlignHCenter);
    lay->setSizeConstraint(QLayout::SetFixedSize);
    connect(Command1, &QPushButton::clicked, this, &E_MsgBox::Command1_Click);
}

FrmAbout::FrmAbout(QWidget* parent) : QWidget(parent, Qt::Tool | Qt::MSWindowsFixedSizeDialogHint)
{
    setWindowTitle(QStringLiteral("   About This Program"));
    const QSize pic = kAboutPictureSize;
    auto* background = new PictureBox(&aboutPicture, pic, this);
    background->move(0, 0);
    Command1 = new QPushButton(QStringLiteral("OK"), this);
    Command1->setGeometry(pic.width() - 76, pic.height() - 32, 64, 24);
    setFixedSize(pic);
    connect(Command1, &QPushButton::clicked, this, &FrmAbout::Command1_Click);
}

void FrmAbout::Command1_Click()
{
    hide();
    close(); // unloads: the next About creates the window afresh
}
