#include "view_file.h"

#include <new>

#include "common_dialog.h"
#include "fil_disp.h"
#include "message_boxes.h"
#include "runtime_error.h"
#include "seq_files.h"

void viewFile(const FileViewerIo& io, QString& saveFileName, int& viewOpen)
{
    io.window()->List1->clear();
    try {
        if (viewOpen == 1)
            io.files.close(ViewerFileNumber);
        io.dialog.setFilter(QStringLiteral("CSV|*.CSV"));
        io.dialog.setDefaultExt(QStringLiteral("CSV"));
        io.dialog.setFileName(saveFileName);
        io.dialog.showOpen();
        saveFileName = io.dialog.fileName();
        FrmFilDisp* w = io.window();
        w->show();
        // The file being recorded is never opened a second time.
        if (io.files.numberHolding(saveFileName) != 0) {
            io.boxes.msgBox(QStringLiteral("File already open, Can't Open files that are in use"),
                            Mb::OkOnly);
            viewOpen = 0;
            return;
        }
        io.files.open(ViewerFileNumber, saveFileName, SeqFiles::Mode::Input);
        viewOpen = 1;
        w->List1->setListing(FileListing()); // the heading, until the lines are in
        w->List1->setListing(FileListing(io.files.readRest(ViewerFileNumber)));
        io.files.close(ViewerFileNumber);
        viewOpen = 0;
    } catch (const RuntimeError& e) {
        io.files.close(ViewerFileNumber);
        viewOpen = 0;
        io.boxes.msgBox(e.description(), Mb::OkOnly);
    } catch (const std::bad_alloc&) {
        // A file larger than the memory left: the list stays empty, the program goes on.
        io.window()->List1->clear();
        io.files.close(ViewerFileNumber);
        viewOpen = 0;
        io.boxes.msgBox(QStringLiteral("Out of memory: the file is too large to list"), Mb::OkOnly);
    }
}
