#pragma once

#include <QFile>
#include <QString>
#include <map>
#include <memory>

// Numbered sequential text files (the program uses numbers 1 and 3). Lines are written with
// CR LF; a line read ends at CR, LF or CR LF. Errors raise RuntimeError.
//
// A file open for writing carries an advisory lock (flock), so a second copy of the program can
// neither append to it nor empty it; other programs still read and write it as they please. Only
// regular files are read: a pipe or a device would block or never end.
class SeqFiles
{
  public:
    enum class Mode
    {
        Append,
        Output,
        Input
    };

    // Opening a file that another number already holds raises "File already open"; one that
    // another copy of the program writes raises too, and an Output file is emptied only after
    // its lock is held.
    void open(int number, const QString& path, Mode mode);
    void close(int number);
    void closeAll();
    bool isOpen(int number) const;
    QString path(int number) const;

    // Latin-1 bytes, then CR LF, handed to the system at once; a failed write leaves no part of
    // the line behind.
    void printLine(int number, const QString& line);
    void sync(int number);         // what was written is on the disk
    int handle(int number) const;  // the descriptor, for a write-out elsewhere (BackgroundSync)
    QString lineInput(int number); // raises at end of file
    bool eof(int number) const;

    // The number holding `path`, 0 when none does.
    int numberHolding(const QString& path) const;
    // Everything from the reading position to the end, in one piece.
    QByteArray readRest(int number);
    // Up to `max` bytes from the reading position; empty at the end.
    QByteArray read(int number, qint64 max);
    qint64 size(int number) const;

    // Raises as open would when another copy of the program holds `path` open for writing
    // (this program's own written files count too).
    static void checkNotWrittenElsewhere(const QString& path);
    // The open file has lost its last name (deleted, or its folder removed).
    bool lostLastName(int number) const;
    // Copies everything the open file holds into `path`, which must not exist yet, and goes on
    // with that file under the same number and mode. On failure nothing changes.
    void moveTo(int number, const QString& path);

  private:
    QFile& file(int number) const;
    std::map<int, std::unique_ptr<QFile>> m_files;
    std::map<int, QString> m_canonical;
    std::map<int, Mode> m_modes;
};
