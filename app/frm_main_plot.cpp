// "Data Graph" > "Plot File", and the file viewer's "Plot": the main window's side of the plot
// of a file (plot/).

#include "file_plot.h"
#include "frm_main.h"

FrmFilePlot* FrmMain::makeFilePlot()
{
    // The open and printer dialogs are the main window's; the plot restores what it changes.
    return new FrmFilePlot(*Cmdialog1, *m_p.boxes);
}

FrmFilePlot* FrmMain::filePlot()
{
    return m_filePlot.get();
}

void FrmMain::plotFile(const QString& path)
{
    FrmFilePlot* w = filePlot();
    w->openFile(path);
    w->show();
    w->raise();
    w->activateWindow();
}

void FrmMain::Plot_File_Click()
{
    // As "View File" asks, proposing the file last saved, viewed or downloaded; Cancel plots
    // nothing.
    Cmdialog1->setFilter(QStringLiteral("CSV|*.CSV"));
    Cmdialog1->setDefaultExt(QStringLiteral("CSV"));
    Cmdialog1->setFileName(m_s.Save_File_Name);
    Cmdialog1->showOpen();
    if (!Cmdialog1->accepted() || Cmdialog1->fileName().isEmpty())
        return;
    m_s.Save_File_Name = Cmdialog1->fileName();
    plotFile(m_s.Save_File_Name);
}
