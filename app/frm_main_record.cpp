// The main window's recording: the save file, the collection window and the sampling clock.

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QTimer>

#include "alarm_event.h"
#include "data_collect.h"
#include "data_display.h"
#include "dig_display.h"
#include "frm_main.h"
#include "record_texts.h"
#include "runtime_error.h"
#include "sample_count.h"
#include "texts.h"

void FrmMain::connectRecording()
{
    connect(File_Save, &QAction::triggered, this, &FrmMain::File_Save_Click);
    connect(File_Close, &QAction::triggered, this, &FrmMain::File_Close_Click);
    connect(Disp_File_Count, &QAction::triggered, this, &FrmMain::Disp_File_Count_Click);
}

FrmDataCollect* FrmMain::makeDataCollect()
{
    auto* w = new FrmDataCollect(*m_p.boxes, nativeParent());
    connect(w, &FrmDataCollect::armed, this, [this] {
        St->setChecked(true);
        Timer1->start();
    });
    return w;
}

FrmSampleCount* FrmMain::makeSampleCount()
{
    return new FrmSampleCount(nativeParent());
}

FrmDataCollect* FrmMain::dataCollect()
{
    return m_dataCollect.get();
}

FrmSampleCount* FrmMain::sampleCount()
{
    return m_sampleCount.get();
}

// ---- the save file ----

void FrmMain::FILE_SAVE_NAME()
{
    m_s.Save_File_Name = saveNameProposal(m_p.clock->date());
    // Explorer style only: it neither asks before overwriting nor treats Cancel as an error.
    Cmdialog1->setFlags(0x80000);
    Cmdialog1->setFilter(QStringLiteral("CSV|*.CSV"));
    Cmdialog1->setDefaultExt(QStringLiteral("CSV"));
    Cmdialog1->setDialogTitle(QStringLiteral("Select File For Saving"));
    Cmdialog1->setFileName(m_s.Save_File_Name);
    Cmdialog1->showSave();
    // Cancel keeps the proposed name: the file is made all the same.
    m_s.Save_File_Name = Cmdialog1->fileName();
    m_p.boxes->msgBox(QStringLiteral("The File Is Saved As ") + QChar(13) + m_s.Save_File_Name,
                      Mb::OkOnly);
}

void FrmMain::Open_Save_File()
{
    FILE_SAVE_NAME();
    if (m_unloaded)
        return; // the program was closed while the dialogs were up
    try {
        m_core->openSaveFile(m_s.Save_File_Name);
    } catch (const RuntimeError& e) {
        // Nothing can be recorded: no schedule to arm either. The collection window is never
        // shown, so no window that is mapped and hidden at once can be left behind.
        m_s.Save_Data = 0;
        m_p.boxes->msgBox(e.description() + QStringLiteral("\nNo save file is open."),
                          int(Mb::OkOnly) | int(Mb::Critical));
        return;
    }
    fileEvent(AlarmKind::FileOpened,
              QStringLiteral("Recording into %1").arg(m_core->saveFilePath()));
    FrmDataCollect* w = dataCollect();
    w->show();
    w->raise();
}

void FrmMain::File_Save_Click()
{
    const bool armed = St->isChecked();
    if (armed && m_p.boxes->msgBox(QStringLiteral("Closing Old File"),
                                   int(Mb::OkCancel) | int(Mb::Question)) != Mb::Ok)
        return;
    // Closed without closing rows; an open file that no collection used goes the same way, as
    // there is one save file at a time.
    if (armed || m_core->saveFileOpen()) {
        fileEvent(
            AlarmKind::FileClosed,
            QStringLiteral("%1 is closed without its closing rows").arg(m_core->saveFilePath()));
        m_core->dropSaveFile();
    }
    m_s.Save_Data = 1;
    Open_Save_File();
}

void FrmMain::File_Close_Click()
{
    if (m_s.Save_Data == 1)
        Close_Save_File(singleDisplay());
}

void FrmMain::Close_Save_File(bool oneDisplay, bool atExit)
{
    m_core->Close_Save_File(oneDisplay, atExit);
}

void FrmMain::tellFileError(const QString& text, int icon)
{
    if (m_unloaded) { // the program is ending: no window to wait for
        qWarning("%s", qPrintable(text));
        return;
    }
    // From the event loop: the clock that met the error finishes its tick first.
    QTimer::singleShot(0, this,
                       [this, text, icon] { m_p.boxes->msgBox(text, int(Mb::OkOnly) | icon); });
}

// ---- the sampling clock ----

void FrmMain::Time_Check()
{
    m_core->Time_Check();
}

void FrmMain::Take_Sample()
{
    m_core->Take_Sample();
}

// ---- what the recording session reads and shows ----

bool FrmMain::recordingSwitch() const
{
    return St->isChecked();
}

void FrmMain::setRecordingSwitch(bool on)
{
    St->setChecked(on);
}

Schedule FrmMain::schedule()
{
    return dataCollect()->schedule();
}

void FrmMain::captionsNeeded()
{
    digDisplay();
}

void FrmMain::captionChanged(XLabel which, const QString& text)
{
    if (FrmDigDisplay* d = m_digDisplay.peek())
        d->setCaption(which, text);
}

void FrmMain::decoded()
{
    if (!m_s.Light_Letter.isEmpty())
        Light_Src->setText(m_s.lightCaption());
}

void FrmMain::listLine(const QString& line)
{
    dataDisplay()->addLine(line);
}

void FrmMain::extremesReset()
{
    if (m_s.Graph_Shown != 0)
        Reset_Graph();
}

void FrmMain::collectionOpened()
{
    FrmDigDisplay* d = digDisplay();
    for (QLabel* l : {d->Label9, d->Label15, d->Label10, d->Label16})
        l->repaint();
}

void FrmMain::countChanged(long long recNum)
{
    sampleCount()->Label2->setText(QString::number(recNum));
}

void FrmMain::notice(const QString& text)
{
    const QString path = m_core->saveFilePath();
    fileEvent(AlarmKind::FileClosed, path.isEmpty() ? QStringLiteral("The save file is closed")
                                                    : QStringLiteral("%1 is closed").arg(path));
    showNotice(text);
}

void FrmMain::fileError(const QString& text)
{
    fileEvent(AlarmKind::FileError, text);
    tellFileError(text);
}

void FrmMain::fileWarning(const QString& text)
{
    fileEvent(AlarmKind::FileRestored, text);
    tellFileError(text, Mb::Exclamation);
}

void FrmMain::Disp_File_Count_Click()
{
    FrmSampleCount* w = sampleCount();
    w->show();
    w->raise();
}
