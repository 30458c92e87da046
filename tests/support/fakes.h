#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QStringList>
#include <csignal>
#include <deque>
#include <functional>
#include <sys/resource.h>

#include "background_sync.h"
#include "clock.h"
#include "common_dialog.h"
#include "message_boxes.h"
#include "runtime_error.h"
#include "serial_control.h"

// Serial control that a test feeds: push bytes, then fire OnComm (or let fire() do both).
class FakeSerialControl : public SerialControl
{
    Q_OBJECT
public:
    void setCommPort(int port) override
    {
        log << QStringLiteral("CommPort=%1").arg(port);
        if (port < 1 || port > 4)
            throw RuntimeError(QStringLiteral("Invalid port number %1").arg(port));
        m_port = port;
    }
    int CommPort() const override { return m_port; }
    void setDTREnable(bool on) override { log << QStringLiteral("DTREnable=%1").arg(on); m_dtr = on; }
    bool DTREnable() const override { return m_dtr; }
    void setSettings(const QString& s) override { log << QStringLiteral("Settings=") + s; m_settings = s; }
    QString Settings() const override { return m_settings; }
    void setInputLen(int len) override { m_inputLen = len; }
    int InputLen() const override { return m_inputLen; }
    void setPortOpen(bool open) override
    {
        log << QStringLiteral("PortOpen=%1").arg(open);
        if (open && !failOpen.isEmpty())
            throw RuntimeError(failOpen);
        m_open = open;
    }
    bool PortOpen() const override { return m_open; }
    int InBufferCount() override
    {
        mustBeOpen();
        return int(m_buffer.size());
    }
    void setInBufferCount(int count) override
    {
        log << QStringLiteral("InBufferCount=%1").arg(count);
        mustBeOpen();
        m_buffer.clear();
    }
    QString Input() override
    {
        mustBeOpen();
        const qsizetype n = m_inputLen > 0 ? std::min<qsizetype>(m_inputLen, m_buffer.size()) : m_buffer.size();
        const QString s = QString::fromLatin1(m_buffer.left(n));
        m_buffer.remove(0, n);
        ++reads;
        return reads == shortRead ? s.left(s.size() - 1) : s;
    }
    // Time passes only here: the hook moves the test's clock and may deliver bytes.
    void waitForInput(int ms) override
    {
        mustBeOpen();
        if (onWait)
            onWait(ms);
    }

    void push(const QByteArray& bytes) { m_buffer += bytes; }
    void fire(const QByteArray& bytes)
    {
        push(bytes);
        emit OnComm();
    }
    void sendNotice(const QString& text) { emit notice(text); }
    void loseDevice()
    {
        emit deviceLost(QStringLiteral("Com Port 1 was disconnected."));
        emit notice(QStringLiteral("Com Port 1 was disconnected."));
    }
    void bringDeviceBack()
    {
        emit deviceBack(QStringLiteral("Com Port 1 is connected again."));
        emit notice(QStringLiteral("Com Port 1 is connected again."));
    }
    qsizetype waiting() const { return m_buffer.size(); }

    QStringList log;         // every property written, in order
    QString failOpen;        // non-empty: opening raises this description
    std::function<void(int ms)> onWait;
    int reads = 0;           // Input() calls so far
    int shortRead = 0;       // this Input() call loses its last character, as a noisy line can

private:
    // Like the real control, a closed port refuses to be read.
    void mustBeOpen() const
    {
        if (!m_open)
            throw RuntimeError(QStringLiteral("Operation not valid: the port is not open"));
    }

    int m_port = 0;
    bool m_dtr = false;
    QString m_settings;
    int m_inputLen = 0;
    bool m_open = false;
    QByteArray m_buffer;
};

// A clock that stands where the test puts it.
class FakeClock : public Clock
{
public:
    QDate date() const override { return m_date; }
    QTime time() const override { return m_time; }
    qint64 monotonicMs() const override { return m_mono; }
    void set(QDate d, QTime t) { m_date = d; m_time = t; }
    // Time passing: the time of day (across midnight too) and the monotonic reading move together.
    void advance(qint64 ms)
    {
        const QDateTime next = QDateTime(m_date, m_time, Qt::UTC).addMSecs(ms);
        m_date = next.date();
        m_time = next.time();
        m_mono += ms;
    }
    QDate m_date{2026, 5, 31};
    QTime m_time{14, 3, 9};
    qint64 m_mono = 1000000;
};

// Message boxes that record every text and answer from a script (Mb::Ok when the script is empty).
class FakeMessageBoxes : public MessageBoxes
{
public:
    int msgBox(const QString& prompt, int flags) override
    {
        shown << prompt;
        shownFlags << flags;
        if (answers.empty())
            return (flags & 7) == Mb::YesNo ? Mb::No : Mb::Ok;
        const int a = answers.front();
        answers.pop_front();
        return a;
    }
    QStringList shown;
    QList<int> shownFlags;
    std::deque<int> answers;
};

// Common dialog whose user picks `nextChoice` (empty: Cancel).
class FakeCommonDialog : public CommonDialog
{
public:
    void showSave() override { record(QStringLiteral("save")); }
    void showOpen() override { record(QStringLiteral("open")); }
    bool showPrinter() override
    {
        shown << QStringLiteral("printer");
        return printerChosen;
    }
    QStringList shown;
    std::deque<QString> choices; // one per dialog shown; empty string means Cancel
    bool printerChosen = true;

private:
    void record(const QString& kind)
    {
        shown << kind;
        m_accepted = !choices.empty() && !choices.front().isEmpty();
        if (!choices.empty()) {
            if (!choices.front().isEmpty())
                m_fileName = choices.front();
            choices.pop_front();
        }
    }
};

// A file's bytes, or "(missing)" when it cannot be read: a failed read must not pass for an
// empty file.
inline QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

// A disk that is full for this process: no file it writes grows beyond `bytes`, and a write past
// that stops part-way and fails (EFBIG, "File too large") instead of raising SIGXFSZ.
struct FileSizeLimit
{
    rlimit m_was{};
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &m_was);
        const rlimit limit{bytes, m_was.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &m_was); }
};

// Every write-out to the disk goes through `call` while this lives (on the sync thread too).
struct SyncStandIn
{
    explicit SyncStandIn(BackgroundSync::Call call) { BackgroundSync::setCall(std::move(call)); }
    ~SyncStandIn() { BackgroundSync::setCall({}); }
};
