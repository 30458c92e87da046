#include "qt_serial_control.h"

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <utility>

#include "runtime_error.h"

LineSettings LineSettings::parse(const QString& text)
{
    const QStringList f = text.split(u',');
    LineSettings s;
    bool ok = f.size() == 4;
    if (ok)
        s.baud = f[0].trimmed().toInt(&ok);
    if (ok) {
        const QString p = f[1].trimmed().toUpper();
        ok = p.size() == 1 && QStringLiteral("NEOMS").contains(p);
        if (ok)
            s.parity = char(p[0].unicode());
    }
    if (ok) {
        s.dataBits = f[2].trimmed().toInt(&ok);
        ok = ok && s.dataBits >= 5 && s.dataBits <= 8;
    }
    if (ok) {
        const QString stop = f[3].trimmed();
        if (stop == QLatin1String("1"))
            s.stopBits = 10;
        else if (stop == QLatin1String("1.5"))
            s.stopBits = 15;
        else if (stop == QLatin1String("2"))
            s.stopBits = 20;
        else
            ok = false;
    }
    if (!ok || s.baud <= 0)
        throw RuntimeError(QStringLiteral("Invalid port settings \"%1\"").arg(text));
    return s;
}

QtSerialControl::QtSerialControl(PortMap ports, QObject* parent)
    : SerialControl(parent), m_ports(std::move(ports))
{
    m_pause.setSingleShot(true);
    m_pause.setTimerType(Qt::PreciseTimer);
    // A partial packet is stale only after a silence well beyond a USB adapter's latency.
    m_stale.setSingleShot(true);
    m_reconnect.setInterval(500);
    connect(&m_port, &QSerialPort::readyRead, this, &QtSerialControl::onReadyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialControl::onError);
    connect(&m_pause, &QTimer::timeout, this, &QtSerialControl::onPause);
    connect(&m_stale, &QTimer::timeout, this, &QtSerialControl::onStale);
    connect(&m_reconnect, &QTimer::timeout, this, &QtSerialControl::tryReconnect);
}

QtSerialControl::~QtSerialControl()
{
    m_port.disconnect(this);
    m_port.close();
}

QString QtSerialControl::portName() const
{
    return QStringLiteral("Com Port %1 (%2)").arg(m_commPort).arg(m_device);
}

void QtSerialControl::setCommPort(int port)
{
    if (m_wantOpen)
        throw RuntimeError(QStringLiteral("The port number cannot change while the port is open"));
    if (port < 1 || port > 4)
        throw RuntimeError(
            QStringLiteral("Invalid port number %1: choose Com Port 1 to 4").arg(port));
    m_commPort = port;
}

void QtSerialControl::setDTREnable(bool on)
{
    m_dtr = on;
    if (m_port.isOpen())
        m_port.setDataTerminalReady(on); // fails harmlessly on lines without modem signals
}

void QtSerialControl::setSettings(const QString& settings)
{
    m_line = LineSettings::parse(settings);
    m_settingsText = settings;
    if (m_port.isOpen())
        applyLine();
}

void QtSerialControl::applyLine()
{
    m_port.setBaudRate(m_line.baud);
    switch (m_line.parity) {
    case 'E':
        m_port.setParity(QSerialPort::EvenParity);
        break;
    case 'O':
        m_port.setParity(QSerialPort::OddParity);
        break;
    case 'M':
        m_port.setParity(QSerialPort::MarkParity);
        break;
    case 'S':
        m_port.setParity(QSerialPort::SpaceParity);
        break;
    default:
        m_port.setParity(QSerialPort::NoParity);
        break;
    }
    m_port.setDataBits(static_cast<QSerialPort::DataBits>(m_line.dataBits));
    m_port.setStopBits(m_line.stopBits == 20   ? QSerialPort::TwoStop
                       : m_line.stopBits == 15 ? QSerialPort::OneAndHalfStop
                                               : QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
}

namespace {

// Only a terminal line can be a meter's port. The terminal this program runs in, the console
// and the pseudo-terminal multiplexer are terminals too, but never a meter's.
bool isSerialDevice(const struct stat& st)
{
    if (!S_ISCHR(st.st_mode))
        return false;
    return !(major(st.st_rdev) == 5 && minor(st.st_rdev) <= 2); // /dev/tty, console, ptmx
}

// A name without a slash is a device under /dev, as the serial port looks it up; a path, even a
// relative one, is taken as it stands.
QString devicePath(const QString& name)
{
    if (!name.contains(u'/'))
        return QStringLiteral("/dev/") + name;
    return QFileInfo(name).absoluteFilePath();
}

RuntimeError notSerial(const QString& name)
{
    return RuntimeError(QStringLiteral("%1 is not a serial device").arg(name));
}

} // namespace

void QtSerialControl::openDevice()
{
    m_port.setPortName(m_device);
    struct stat st;
    const QByteArray path = QFile::encodeName(m_device);
    if (::stat(path.constData(), &st) == 0 && !isSerialDevice(st))
        throw notSerial(portName());
    if (!m_port.open(QIODevice::ReadWrite)) {
        const auto err = m_port.error();
        const QString why = m_port.errorString();
        const QString name = portName();
        m_port.clearError();
        // A character device that is no terminal (/dev/null) cannot take line settings.
        const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        const bool noTerminal = fd >= 0 && !::isatty(fd);
        if (fd >= 0)
            ::close(fd);
        if (noTerminal)
            throw notSerial(name);
        switch (err) {
        case QSerialPort::DeviceNotFoundError:
            throw RuntimeError(QStringLiteral("%1: no such port").arg(name));
        case QSerialPort::PermissionError:
            if (QFileInfo::exists(m_device) && !QFileInfo(m_device).isWritable())
                throw RuntimeError(QStringLiteral("%1: permission denied. Add your user to the "
                                                  "dialout group and log in again.")
                                       .arg(name));
            throw RuntimeError(QStringLiteral("%1: port in use by another program").arg(name));
        case QSerialPort::OpenError:
            throw RuntimeError(QStringLiteral("%1: port already open").arg(name));
        default:
            throw RuntimeError(QStringLiteral("%1: cannot open (%2)").arg(name, why));
        }
    }
    applyLine();
    // On a line without modem signals (a pseudo-terminal) this fails; the port still works.
    m_port.setDataTerminalReady(m_dtr);
    m_port.clearError();
    m_buffer.clear();
    m_lost = false;
}

void QtSerialControl::setPortOpen(bool open)
{
    if (open == m_wantOpen)
        return;
    if (open) {
        if (m_commPort < 1 || m_commPort > 4)
            throw RuntimeError(
                QStringLiteral("Invalid port number %1: choose Com Port 1 to 4").arg(m_commPort));
        // The messages name the path that is tried.
        m_device = devicePath(m_ports.device(m_commPort));
        openDevice();
        m_wantOpen = true;
    } else {
        m_wantOpen = false;
        m_reconnect.stop();
        m_pause.stop();
        m_stale.stop();
        if (m_port.isOpen())
            m_port.close();
        m_buffer.clear();
        m_lost = false;
    }
}

void QtSerialControl::takeAll()
{
    // Read into the buffer's own room: readAll would set aside a 16 KiB block for every packet.
    const qint64 n = m_port.bytesAvailable();
    const qsizetype had = m_buffer.size();
    m_buffer.resize(had + n);
    const qint64 got = m_port.read(m_buffer.data() + had, n);
    m_buffer.resize(had + std::max<qint64>(got, 0));
    // A line that never pauses would grow the buffer without end; like the control's receive
    // buffer, what overflows it is lost (a read that long could never be one packet).
    if (m_buffer.size() > kInBufferSize)
        m_buffer.remove(0, m_buffer.size() - kInBufferSize);
}

void QtSerialControl::pull()
{
    if (!m_port.isOpen() || m_lost)
        return;
    // A caller that polls without returning to the event loop (the datalogger download) must
    // still see characters arrive, so look at the device itself while less than a packet waits.
    // With a packet's worth waiting, leave later characters alone: the receive handler then
    // reads exactly what the pause delimited.
    if (m_buffer.size() < kThreshold && !m_polling) {
        m_polling = true;
        m_port.waitForReadyRead(0); // delivers through onReadyRead
        m_polling = false;
        if (!m_port.isOpen() || m_lost)
            return;
    }
    takeWhatFits();
}

// A caller that polls (the datalogger download) reads the buffer in packet steps; what does not
// fit yet waits in the port until it does, so a download that falls behind loses nothing.
void QtSerialControl::takeWhatFits()
{
    const qsizetype room = kInBufferSize - m_buffer.size();
    if (room > 0 && m_port.bytesAvailable() > 0)
        m_buffer += m_port.read(room);
}

int QtSerialControl::InBufferCount()
{
    if (!m_wantOpen)
        throw RuntimeError(QStringLiteral("Operation not valid: the port is not open"));
    pull();
    return int(std::min<qsizetype>(m_buffer.size(), 32767));
}

void QtSerialControl::setInBufferCount(int count)
{
    if (!m_wantOpen)
        throw RuntimeError(QStringLiteral("Operation not valid: the port is not open"));
    if (count != 0)
        throw RuntimeError(QStringLiteral("Invalid property value"));
    pull();
    m_buffer.clear();
    m_pause.stop();
    m_stale.stop();
}

QString QtSerialControl::Input()
{
    if (!m_wantOpen)
        throw RuntimeError(QStringLiteral("Operation not valid: the port is not open"));
    pull();
    const qsizetype n =
        m_inputLen > 0 ? std::min<qsizetype>(m_inputLen, m_buffer.size()) : m_buffer.size();
    const QString text = QString::fromLatin1(m_buffer.constData(), n);
    m_buffer.remove(0, n);
    return text;
}

void QtSerialControl::waitForInput(int ms)
{
    if (!m_wantOpen)
        throw RuntimeError(QStringLiteral("Operation not valid: the port is not open"));
    // In an event loop, so that windows are painted and the window system answered meanwhile; a
    // lost device still gives the caller its pause.
    QEventLoop wait;
    QTimer::singleShot(ms, Qt::PreciseTimer, &wait, &QEventLoop::quit);
    QEventLoop* outer = std::exchange(m_waiting, &wait);
    wait.exec();
    m_waiting = outer;
}

void QtSerialControl::onReadyRead()
{
    if (m_lost)
        return;
    // While nobody is told of a packet (the download polls, with the receive event blocked), every
    // character is kept for the poll; otherwise the buffer holds the newest, as the control's does.
    if (m_polling || signalsBlocked())
        takeWhatFits();
    else if (m_port.bytesAvailable() > 0)
        takeAll();
    if (m_waiting)
        m_waiting->quit();
    if (m_buffer.isEmpty())
        return;
    // Only a piece that the pause leaves short of a packet needs watching for staleness: a whole
    // packet, the usual case, then costs one timer and not two.
    if (m_stale.isActive())
        m_stale.stop();
    // Exactly one packet, from its start code to its closing return, needs no pause to show where
    // it ends: it is handed on at once, in the wake-up that brought it, which halves what a packet
    // costs a recorder left running for months. Inside a poll the caller reads it for itself.
    // Anything else waits for the line to pause.
    if (endsAsAPacket(m_buffer) && !m_polling) {
        m_pause.stop();
        emit OnComm();
        return;
    }
    m_pause.start(m_pauseMs);
}

bool QtSerialControl::endsAsAPacket(const QByteArray& bytes)
{
    return bytes.size() == kThreshold && bytes.front() == '\x02' && bytes.back() == '\r';
}

void QtSerialControl::onPause()
{
    if (m_buffer.size() >= kThreshold)
        emit OnComm();
    else
        m_stale.start(std::max(0, m_staleMs - m_pauseMs)); // counted from the last byte
}

void QtSerialControl::onStale()
{
    if (!m_buffer.isEmpty() && m_buffer.size() < kThreshold)
        m_buffer.clear(); // never join a stale piece to the next packet
}

void QtSerialControl::onError(QSerialPort::SerialPortError error)
{
    if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError)
        return;
    // A vanished device raises these endlessly while the port still reads as open: act on the
    // first one only. The port is closed from the event loop, not inside its own notification.
    if (!m_port.isOpen() || m_lost)
        return;
    m_lost = true;
    m_pause.stop();
    m_stale.stop();
    m_buffer.clear();
    QTimer::singleShot(0, this, &QtSerialControl::closeLost);
    if (m_wantOpen) {
        const QString text =
            QStringLiteral("%1 was disconnected. Waiting for it to come back…").arg(portName());
        emit deviceLost(text);
        emit notice(text);
    }
}

void QtSerialControl::closeLost()
{
    if (!m_lost)
        return;
    if (m_port.isOpen())
        m_port.close();
    m_port.clearError();
    if (m_wantOpen)
        m_reconnect.start();
}

void QtSerialControl::tryReconnect()
{
    if (!m_wantOpen) {
        m_reconnect.stop();
        return;
    }
    if (!QFileInfo::exists(m_device))
        return;
    try {
        openDevice();
    } catch (const RuntimeError&) {
        return; // not ready yet; try again on the next tick
    }
    m_reconnect.stop();
    const QString text = QStringLiteral("%1 is connected again.").arg(portName());
    emit deviceBack(text);
    emit notice(text);
}
