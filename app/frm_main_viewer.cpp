// "View File": the main window's side of the file viewer (viewer/).

#include "fil_disp.h"
#include "frm_main.h"
#include "view_file.h"

FrmFilDisp* FrmMain::filDisp()
{
    const bool fresh = !m_filDisp.loaded();
    FrmFilDisp* w = m_filDisp.get();
    if (fresh)
        connect(w, &FrmFilDisp::plotClicked, this, &FrmMain::plotFile);
    return w;
}

void FrmMain::View_File_Click()
{
    const FileViewerIo io{*Cmdialog1, *m_p.files, *m_p.boxes, [this] { return filDisp(); }};
    viewFile(io, m_s.Save_File_Name, m_s.View_Open);
}
