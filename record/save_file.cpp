#include "save_file.h"

#include <QDir>
#include <QFileInfo>
#include <utility>

#include "runtime_error.h"
#include "seq_files.h"

SaveFile::SaveFile(SeqFiles& files, QObject* parent) : QObject(parent), m_files(files)
{
    m_sync.setSingleShot(true);
    connect(&m_sync, &QTimer::timeout, this, &SaveFile::startSync);
    connect(&m_background, &BackgroundSync::done, this, [this](const QString& error) {
        if (!error.isEmpty())
            emit syncFailed(error);
        else if (std::exchange(m_syncAgain, false))
            startSync(); // rows came while it ran: they are due by now
    });
    m_watch.setSingleShot(true);
    connect(&m_watch, &QTimer::timeout, this, [this] {
        if (m_files.lostLastName(Number))
            restore();
        if (isOpen())
            m_watch.start(WatchMs);
    });
}

QString SaveFile::path() const
{
    return m_files.path(Number);
}

// A name in `dir` that nothing holds yet: the file's own, else with a number added.
static QString freeName(const QDir& dir, const QFileInfo& file)
{
    QString name = file.fileName();
    for (int n = 2; QFileInfo::exists(dir.filePath(name)) && n < 1000; ++n)
        name = QStringLiteral("%1-%2.%3").arg(file.completeBaseName()).arg(n).arg(file.suffix());
    return dir.filePath(name);
}

void SaveFile::restore()
{
    if (!isOpen())
        return;
    const QFileInfo was(path());
    QString why;
    for (const QString& to : {was.absoluteFilePath(), freeName(QDir::home(), was)}) {
        try {
            QDir().mkpath(QFileInfo(to).absolutePath());
            m_files.moveTo(Number, to);
            emit restored(to);
            return;
        } catch (const RuntimeError& e) {
            if (why.isEmpty())
                why = e.description();
        }
    }
    m_watch.stop();
    emit lost(QStringLiteral("%1 was deleted while it was being recorded, and its rows could not "
                             "be written again: %2")
                  .arg(was.absoluteFilePath(), why));
}

void SaveFile::open(const QString& path)
{
    // The absolute path, so that a message names the file wherever the program was started.
    m_files.open(Number, QFileInfo(path).absoluteFilePath(), SeqFiles::Mode::Append);
    m_watch.start(WatchMs);
}

bool SaveFile::isOpen() const
{
    return m_files.isOpen(Number);
}

void SaveFile::writeLine(const QString& line)
{
    m_files.printLine(Number, line);
    // One write-out covers every row of the next few seconds. One already waiting is done as soon
    // as this row returns: rows a second apart then bring it, instead of a wake-up of its own.
    m_sync.start(m_sync.isActive() ? 0 : SyncDelayMs);
    // A row is a look at the file as good as the watch's, which then waits for a quiet spell:
    // rows a second apart keep it from waking at all.
    m_watch.start(m_files.lostLastName(Number) ? 0 : WatchMs + WatchMs / 4);
}

void SaveFile::startSync()
{
    m_sync.stop();
    if (!isOpen())
        return;
    m_syncAgain = !m_background.start(m_files.handle(Number), path());
}

void SaveFile::close()
{
    m_sync.stop();
    m_syncAgain = false;
    // The write-out under way may have met an error that the last one would not see again.
    QString error = m_background.finish();
    if (isOpen()) {
        try {
            m_files.sync(Number);
        } catch (const RuntimeError& e) {
            if (error.isEmpty())
                error = e.description();
        }
    }
    abandon();
    if (!error.isEmpty())
        throw RuntimeError(error);
}

void SaveFile::abandon()
{
    m_sync.stop();
    m_syncAgain = false;
    m_background.finish();
    m_watch.stop();
    m_files.close(Number);
}
