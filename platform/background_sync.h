#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <thread>

// Writes a file's data out to the disk (fdatasync) on a thread of its own: on an SD card or a
// busy USB disk that can take seconds, and the thread that samples must not stand still for it.
// One write-out at a time; its result comes back through `done` on the owner's thread.
class BackgroundSync : public QObject
{
    Q_OBJECT
  public:
    // The call that writes a descriptor out: fdatasync, or a test's stand-in. Returns 0 or an
    // errno value. It runs on the sync thread as well as wherever a file is synced at once.
    using Call = std::function<int(int fd)>;
    static void setCall(Call call); // empty: fdatasync again
    static int run(int fd);         // the call, with errors that mean "nothing to write" as 0

    explicit BackgroundSync(QObject* parent = nullptr);
    ~BackgroundSync() override; // waits for a write-out under way

    // Starts writing out what `fd` holds (on a descriptor of its own, so the file may be closed
    // meanwhile); false, and nothing done, while the last one is still under way.
    bool start(int fd, const QString& name);
    bool busy() const { return m_running; } // until its result is delivered or finish()ed
    // Waits for the write-out under way, whose `done` is then dropped; returns its error text
    // (empty when it succeeded or none was under way).
    QString finish();

  signals:
    void done(const QString& error); // empty on success

  private:
    void join();
    std::thread m_thread;
    bool m_running = false;
    int m_error = 0; // written by the thread, read after joining it
    QString m_name;
    int m_run = 0, m_dropped = 0; // runs up to m_dropped were finish()ed: no `done` for them
};
