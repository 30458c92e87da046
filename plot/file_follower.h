#pragma once

#include <QByteArray>
#include <QFile>
#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

#include "plot_file.h"

// Watches a file that may be growing and hands on the bytes appended after those read, within a
// second: at each change the system reports, and once a second in case it reports none (a file
// on a network share). It reads from where it stopped, never from the start, unless the file was
// truncated, replaced or rewritten under its name: then it says so and stops.
//
// It opens the file for reading only and takes no lock, so whoever writes it is not disturbed.
class FileFollower : public QObject
{
    Q_OBJECT
  public:
    explicit FileFollower(QObject* parent = nullptr);

    // Follows `path` from `offset`, the bytes of the file `identity` already read.
    void start(const QString& path, const FileIdentity& identity, qint64 offset);
    void stop();
    bool following() const { return m_poll.isActive(); }
    void check();

    // Bytes handed on at most at once; more follow at the next turn of the event loop.
    static constexpr qint64 MaxPiece = 8 << 20;

  signals:
    void appended(const QByteArray& bytes);
    void replaced(); // read the file again from its start

  private:
    bool sameAsRead();

    QString m_path;
    FileIdentity m_identity;
    qint64 m_offset = 0;
    QByteArray m_tail; // the last bytes read, to see a file rewritten past where it was
    QFile m_file;
    QFileSystemWatcher m_watcher;
    QTimer m_poll;
};
