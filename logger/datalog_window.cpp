#include "datalog_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QLabel>
#include <QThread>
#include <QWindow>

#include "twips.h"

FrmDatalogDownload::FrmDatalogDownload(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Datalogger Download"));
    // The download handles events while it runs: none of the user's may reach another window.
    setWindowModality(Qt::ApplicationModal);
    Label1 = new QLabel(QStringLiteral("Downloading Datalogger"), this);
    Label2 = new QLabel(QStringLiteral("Sample Number"), this);
    Label3 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2->setObjectName(QStringLiteral("Label2"));
    Label3->setObjectName(QStringLiteral("Label3"));
    QFont big = Label1->font();
    big.setPointSizeF(big.pointSizeF() * 1.4);
    big.setBold(true);
    Label1->setFont(big);
    Label1->setAlignment(Qt::AlignCenter);
    QFont number = Label3->font();
    number.setPointSizeF(number.pointSizeF() * 1.4);
    Label3->setFont(number);
    // Room for the largest sample number a datalogger holds, so the label never reflows.
    Label3->setMinimumWidth(QFontMetrics(number).horizontalAdvance(QStringLiteral("-0000000")));
    Label3->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    auto* grid = new QGridLayout(this);
    grid->addWidget(Label1, 0, 0, 1, 2);
    grid->addWidget(Label2, 1, 0, Qt::AlignRight);
    grid->addWidget(Label3, 1, 1);
    grid->setHorizontalSpacing(twipsToPixels(120, this));
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    resize(std::max(sizeHint().width(), twipsToPixels(4200, this)),
           std::max(sizeHint().height(), twipsToPixels(1500, this)));
}

void FrmDatalogDownload::showNow()
{
    show();
    raise();
    // Nothing is painted before the window system has said that the window is on screen: wait for
    // that word here, a moment at most, letting no input and no serial data through, so that the
    // first sample number is seen.
    QElapsedTimer waited;
    waited.start();
    const QWindow* w = windowHandle();
    while (w && !w->isExposed() && waited.elapsed() < 1000) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                        QEventLoop::ExcludeSocketNotifiers);
        if (!w->isExposed())
            QThread::msleep(2);
    }
    repaint();
}

void FrmDatalogDownload::showSample(long long sample)
{
    Label3->setText(QString::number(sample));
    Label3->repaint();
}

void FrmDatalogDownload::closeEvent(QCloseEvent* event)
{
    if (!m_downloading) {
        QWidget::closeEvent(event);
        return;
    }
    // The download hides the window itself once the file is closed.
    event->ignore();
    emit closeRequested();
}
