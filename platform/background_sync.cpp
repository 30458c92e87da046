#include "background_sync.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace {

std::mutex g_callLock;
BackgroundSync::Call g_call;

QString syncError(const QString& name, int err)
{
    return QStringLiteral("Cannot write %1: %2")
        .arg(name, QString::fromLocal8Bit(std::strerror(err)));
}

} // namespace

void BackgroundSync::setCall(Call call)
{
    const std::lock_guard lock(g_callLock);
    g_call = std::move(call);
}

int BackgroundSync::run(int fd)
{
    Call call;
    {
        const std::lock_guard lock(g_callLock);
        call = g_call;
    }
    const int err = call ? call(fd) : (::fdatasync(fd) == 0 ? 0 : errno);
    // Devices and pipes have nothing to write out.
    return err == EINVAL || err == EROFS ? 0 : err;
}

BackgroundSync::BackgroundSync(QObject* parent) : QObject(parent) {}

BackgroundSync::~BackgroundSync()
{
    join();
}

void BackgroundSync::join()
{
    if (m_thread.joinable())
        m_thread.join();
}

bool BackgroundSync::start(int fd, const QString& name)
{
    if (m_running)
        return false;
    m_name = name;
    const int run = ++m_run;
    const int own = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (own < 0) {
        const int err = errno;
        QMetaObject::invokeMethod(
            this, [this, err] { emit done(syncError(m_name, err)); }, Qt::QueuedConnection);
        return true;
    }
    m_running = true;
    m_thread = std::thread([this, own, run] {
        m_error = BackgroundSync::run(own);
        ::close(own);
        QMetaObject::invokeMethod(
            this,
            [this, run] {
                if (run <= m_dropped)
                    return;
                join();
                m_running = false;
                emit done(m_error == 0 ? QString() : syncError(m_name, m_error));
            },
            Qt::QueuedConnection);
    });
    return true;
}

QString BackgroundSync::finish()
{
    if (!m_running)
        return {};
    join();
    m_running = false;
    m_dropped = m_run;
    return m_error == 0 ? QString() : syncError(m_name, m_error);
}
