#pragma once

#include <QString>
#include <functional>

class CommonDialog;
class FrmFilDisp;
class MessageBoxes;
class SeqFiles;

// What a viewing reaches: the open dialog, the numbered files, message boxes, and the viewer
// window (created if needed; asked for again after the dialog, whose wait lets events run).
struct FileViewerIo
{
    CommonDialog& dialog;
    SeqFiles& files;
    MessageBoxes& boxes;
    std::function<FrmFilDisp*()> window;
};

// "View File": asks for a file (proposing `saveFileName`, which takes the name chosen) and lists
// it, reading it in pieces with the event loop's timers and the serial line served between
// them. Only regular files are read. A failure ends the viewing after one message, with the file
// released and `viewOpen` 0.
void viewFile(const FileViewerIo& io, QString& saveFileName, int& viewOpen);

constexpr int ViewerFileNumber = 3;
constexpr qint64 ViewerPieceBytes = 1 << 20; // read between two turns of the event loop
