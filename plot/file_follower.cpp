#include "file_follower.h"

namespace {
constexpr qint64 kTail = 64;
}

FileFollower::FileFollower(QObject* parent) : QObject(parent)
{
    m_poll.setInterval(1000);
    connect(&m_poll, &QTimer::timeout, this, &FileFollower::check);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &FileFollower::check);
}

void FileFollower::start(const QString& path, const FileIdentity& identity, qint64 offset)
{
    stop();
    m_path = path;
    m_identity = identity;
    m_offset = offset;
    m_file.setFileName(path);
    // Read only: no lock is taken, and a writer's advisory lock does not stop a reader.
    if (m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered) && m_offset > 0) {
        const qint64 from = std::max<qint64>(0, m_offset - kTail);
        if (m_file.seek(from))
            m_tail = m_file.read(m_offset - from);
    }
    m_watcher.addPath(path);
    m_poll.start();
}

void FileFollower::stop()
{
    m_poll.stop();
    if (!m_watcher.files().isEmpty())
        m_watcher.removePaths(m_watcher.files());
    m_file.close();
    m_tail.clear();
}

// The bytes last read are still where they were: nothing was written over them.
bool FileFollower::sameAsRead()
{
    if (m_tail.isEmpty())
        return true;
    const qint64 from = m_offset - m_tail.size();
    return m_file.seek(from) && m_file.read(m_tail.size()) == m_tail;
}

void FileFollower::check()
{
    if (!m_poll.isActive())
        return;
    // A file removed and written again is watched again under its name.
    if (m_watcher.files().isEmpty())
        m_watcher.addPath(m_path);
    qint64 size = 0;
    const FileIdentity now = identityOf(m_path, &size);
    if (now == FileIdentity{})
        return; // gone for now: the recorder may write it again
    if (!m_file.isOpen() || !(now == m_identity) || size < m_offset || !sameAsRead()) {
        stop();
        emit replaced();
        return;
    }
    if (size == m_offset)
        return;
    if (!m_file.seek(m_offset))
        return;
    const QByteArray bytes = m_file.read(std::min(size - m_offset, MaxPiece));
    if (bytes.isEmpty())
        return;
    m_offset += bytes.size();
    m_tail = (m_tail + bytes).right(kTail);
    if (m_offset < size)
        QTimer::singleShot(0, this, &FileFollower::check);
    emit appended(bytes);
}
