// The main window's recording: the save file, the collection window and the sampling clock.

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QTimer>

#include "data_collect.h"
#include "dig_display.h"
#include "frm_main.h"
#include "record_texts.h"
#include "runtime_error.h"
#include "sample_count.h"
#include "save_file.h"
#include "texts.h"

void FrmMain::connectRecording()
{
    m_saveFile = new SaveFile(*m_p.files, this);
    connect(m_saveFile, &SaveFile::syncFailed, this,
            [this](const QString& description) { saveFileFailed(description); });
    connect(m_saveFile, &SaveFile::restored, this, [this](const QString& path) {
        tellFileError(QStringLiteral("The save file was deleted while it was being recorded.\n"
                                     "Every row written so far is back in\n%1\n"
                                     "and the recording goes on in that file.")
                          .arg(path),
                      Mb::Exclamation);
    });
    connect(m_saveFile, &SaveFile::lost, this, [this](const QString& description) {
        saveFileFailed(description, QStringLiteral("\nThe recording has stopped."));
    });
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
        m_saveFile->open(m_s.Save_File_Name);
    } catch (const RuntimeError& e) {
        // Nothing can be recorded: no schedule to arm either. The collection window is never
        // shown, so no window that is mapped and hidden at once can be left behind.
        m_s.Save_Data = 0;
        m_p.boxes->msgBox(e.description() + QStringLiteral("\nNo save file is open."),
                          int(Mb::OkOnly) | int(Mb::Critical));
        return;
    }
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
    if (armed || m_saveFile->isOpen()) {
        dropSaveFile();
        St->setChecked(false);
        m_s.Rec_Count = 0;
        m_s.Rec_Num = 0;
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
    QString failure;
    if (m_saveFile->isOpen()) { // Save_Data is 1 while the dialogs choose the file, too
        FrmDigDisplay* d = digDisplay();
        const auto fields = [d](const QString& value, const UnitRef& unit, const QString& stamp) {
            return ClosingFields{value, unit.resolve(*d), stamp};
        };
        const Extremes& x = m_s;
        try {
            m_saveFile->writeLine(closingRow(QStringLiteral("High"), oneDisplay,
                                             fields(x.High1_Value, x.High1_Unit, x.High1_Time),
                                             fields(x.High2_Value, x.High2_Unit, x.High2_Time)));
            m_saveFile->writeLine(closingRow(QStringLiteral("Lo"), oneDisplay,
                                             fields(x.Low1_Value, x.Low1_Unit, x.Low1_Time),
                                             fields(x.Low2_Value, x.Low2_Unit, x.Low2_Time)));
        } catch (const RuntimeError& e) {
            failure = e.description();
        }
    }
    if (!atExit)
        m_s.Save_Data = 0;
    St->setChecked(false);
    m_s.Rec_Count = 0;
    m_s.Rec_Num = 0;
    // A collection closed by hand has ended too: a later window must open afresh.
    m_s.Collecting = false;
    showNotice(QStringLiteral("File Closed"));
    try {
        m_saveFile->close();
    } catch (const RuntimeError& e) {
        if (failure.isEmpty())
            failure = e.description();
    }
    if (!failure.isEmpty())
        tellFileError(failure + QStringLiteral("\nThe rows written before are kept."));
}

void FrmMain::closeSaveFileAtExit()
{
    if (m_s.Save_Data == 1)
        Close_Save_File(false, true); // both displays' rows, whatever the mode
}

void FrmMain::dropSaveFile()
{
    m_s.Collecting = false;
    try {
        m_saveFile->close();
    } catch (const RuntimeError& e) {
        tellFileError(e.description());
    }
}

// A write that failed ends the collection; the file keeps every whole row written before.
void FrmMain::saveFileFailed(const QString& description, const QString& outcome)
{
    m_saveFile->abandon();
    m_s.Collecting = false;
    m_s.Save_Data = 0;
    St->setChecked(false);
    m_s.Rec_Count = 0;
    m_s.Rec_Num = 0;
    tellFileError(description + outcome);
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
    timeCheck(m_s, m_s.Rec_Count, texts::timeText(m_p.clock->time()), St->isChecked(),
              {[this] { return dataCollect()->schedule(); }, [this] { Take_Sample(); },
               [this] { addRawListLine(); }});
}

void FrmMain::Take_Sample()
{
    takeSample(m_s, m_s.Rec_Count, dataCollect()->schedule(), texts::timeText(m_p.clock->time()),
               {[this] { startCollection(); }, [this] { Close_Save_File(singleDisplay()); },
                [this] { writeRecordRow(); },
                [this] { sampleCount()->Label2->setText(QString::number(m_s.Rec_Num)); }});
}

void FrmMain::startCollection()
{
    FrmDigDisplay* d = digDisplay();
    startCollectionExtremes(m_s, *d, texts::stampText(m_p.clock->date(), m_p.clock->time()));
    for (QLabel* l : {d->Label9, d->Label15, d->Label10, d->Label16})
        l->repaint();
}

void FrmMain::writeRecordRow()
{
    // A row due with no file open (armed, then "Close Current File") goes nowhere.
    if (m_s.Save_Data != 1 || !m_saveFile->isOpen())
        return;
    FrmDigDisplay* d = digDisplay();
    const QString row = recordRow(
        m_s.Rec_Num, singleDisplay(), d->Label2->text(), d->Label5->text(), d->Label3->text(),
        d->Label6->text(), texts::timeText(m_p.clock->time()), texts::dateText(m_p.clock->date()));
    try {
        m_saveFile->writeLine(row);
    } catch (const RuntimeError& e) {
        saveFileFailed(e.description());
    }
}

void FrmMain::Disp_File_Count_Click()
{
    FrmSampleCount* w = sampleCount();
    w->show();
    w->raise();
}
