#include "save_file.h"

#include <QFileInfo>

#include "runtime_error.h"
#include "seq_files.h"

SaveFile::SaveFile(SeqFiles& files, QObject* parent) : QObject(parent), m_files(files)
{
    m_sync.setSingleShot(true);
    m_sync.setInterval(SyncDelayMs);
    connect(&m_sync, &QTimer::timeout, this, [this] {
        try {
            syncNow();
        } catch (const RuntimeError& e) {
            emit syncFailed(e.description());
        }
    });
}

void SaveFile::open(const QString& path)
{
    // The absolute path, so that a message names the file wherever the program was started.
    m_files.open(Number, QFileInfo(path).absoluteFilePath(), SeqFiles::Mode::Append);
}

bool SaveFile::isOpen() const
{
    return m_files.isOpen(Number);
}

void SaveFile::writeLine(const QString& line)
{
    m_files.printLine(Number, line);
    if (!m_sync.isActive())
        m_sync.start(); // one write-out covers every row of the next few seconds
}

void SaveFile::syncNow()
{
    m_sync.stop();
    if (isOpen())
        m_files.sync(Number);
}

void SaveFile::close()
{
    try {
        syncNow();
    } catch (const RuntimeError&) {
        abandon();
        throw;
    }
    abandon();
}

void SaveFile::abandon()
{
    m_sync.stop();
    m_files.close(Number);
}
