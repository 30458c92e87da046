#pragma once

#include <QFile>
#include <QString>
#include <map>
#include <memory>

// Numbered sequential text files (the program uses numbers 1 and 3). Lines are written with
// CR LF; a line read ends at CR, LF or CR LF. Errors raise RuntimeError.
class SeqFiles
{
public:
    enum class Mode { Append, Output, Input };

    // Opening a file that another number already holds raises "File already open".
    void open(int number, const QString& path, Mode mode);
    void close(int number);
    void closeAll();
    bool isOpen(int number) const;
    QString path(int number) const;

    // Latin-1 bytes, then CR LF, handed to the system at once; a failed write leaves no part of
    // the line behind.
    void printLine(int number, const QString& line);
    void sync(int number); // what was written is on the disk
    QString lineInput(int number);                   // raises at end of file
    bool eof(int number) const;

    // The number holding `path`, 0 when none does.
    int numberHolding(const QString& path) const;
    // Everything from the reading position to the end, in one piece.
    QByteArray readRest(int number);

private:
    QFile& file(int number) const;
    std::map<int, std::unique_ptr<QFile>> m_files;
    std::map<int, QString> m_canonical;
};
