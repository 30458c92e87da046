#include "view_file.h"

#include <QCoreApplication>
#include <QPointer>
#include <new>

#include "common_dialog.h"
#include "fil_disp.h"
#include "message_boxes.h"
#include "runtime_error.h"
#include "seq_files.h"

void viewFile(const FileViewerIo& io, QString& saveFileName, int& viewOpen)
{
    io.window()->List1->clear();
    io.window()->setListedFile(QString());
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
        // In pieces, letting the sampling clock and the serial line have their turns between
        // them; the user's input waits, so nothing can start another viewing meanwhile.
        QPointer<FrmFilDisp> shown = w;
        FileListing listing;
        listing.reserve(qsizetype(io.files.size(ViewerFileNumber)));
        for (;;) {
            const QByteArray piece = io.files.read(ViewerFileNumber, ViewerPieceBytes);
            if (piece.isEmpty())
                break;
            listing.append(piece);
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            if (!shown || !io.files.isOpen(ViewerFileNumber))
                break; // the window went away, or the program is closing: so does the viewing
        }
        io.files.close(ViewerFileNumber);
        viewOpen = 0;
        if (shown) {
            shown->List1->setListing(std::move(listing));
            shown->setListedFile(saveFileName);
        }
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
