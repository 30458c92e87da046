#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include "background_sync.h"

class SeqFiles;

// The save file, file number 1, opened for appending. Every line reaches the operating system
// as it is written and the disk within SyncDelayMs, and again at closing, so that a crash or a
// power cut loses no row. The delayed write-out runs on a thread of its own: a disk that takes
// seconds over it never holds up a row. Failures raise RuntimeError naming the file and the
// reason; a failure of the delayed write-out comes as syncFailed.
//
// A file that loses its last name while open (deleted, or its folder removed) is written again
// at the next row or within WatchMs and a quarter, whichever is sooner, at its path, folder and
// all, or else under its name in the home folder, with every row it held; recording goes on
// there (restored). If neither can be written: lost.
class SaveFile : public QObject
{
    Q_OBJECT
  public:
    static constexpr int Number = 1;
    static constexpr int SyncDelayMs = 2000;
    static constexpr int WatchMs = 1000;

    explicit SaveFile(SeqFiles& files, QObject* parent = nullptr);

    void open(const QString& path); // created when absent
    bool isOpen() const;
    void writeLine(const QString& line);
    void close();   // written out, then closed; raises when the write-out failed (closed anyway)
    void abandon(); // closed without a word, after a failure

    QString path() const; // empty when not open
    // The file was found without a name: put it back (see above). Runs from the watch, too.
    void restore();

  signals:
    void syncFailed(const QString& description);
    void restored(const QString& path);
    void lost(const QString& description);

  private:
    void startSync(); // on the sync thread; once more after the one under way, if one is
    SeqFiles& m_files;
    QTimer m_sync;
    BackgroundSync m_background;
    bool m_syncAgain = false;
    QTimer m_watch;
};
