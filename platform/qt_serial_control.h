#pragma once

#include <QByteArray>
#include <QSerialPort>
#include <QTimer>

#include "port_map.h"
#include "serial_control.h"

// Comm1 on QSerialPort. Received bytes gather in our own buffer; OnComm is raised once a packet's
// worth is waiting and the line has paused, so every read starts at a packet boundary, or at once
// when what is waiting is exactly one packet, start code to closing return.
class QtSerialControl : public SerialControl
{
    Q_OBJECT
  public:
    explicit QtSerialControl(PortMap ports, QObject* parent = nullptr);
    ~QtSerialControl() override;

    void setCommPort(int port) override;
    int CommPort() const override { return m_commPort; }
    void setDTREnable(bool on) override;
    bool DTREnable() const override { return m_dtr; }
    void setSettings(const QString& settings) override;
    QString Settings() const override { return m_settingsText; }
    void setInputLen(int len) override { m_inputLen = len < 0 ? 0 : len; }
    int InputLen() const override { return m_inputLen; }
    void setPortOpen(bool open) override;
    bool PortOpen() const override { return m_wantOpen; }
    int InBufferCount() override;
    void setInBufferCount(int count) override;
    QString Input() override;
    void waitForInput(int ms) override;

    // Tuning, in milliseconds; the defaults suit 9600 baud over real and USB lines.
    void setPauseMs(int ms) { m_pauseMs = ms; }
    void setStaleMs(int ms) { m_staleMs = ms; }
    void setReconnectMs(int ms) { m_reconnect.setInterval(ms); }

    bool deviceConnected() const { return m_port.isOpen() && !m_lost; }

  private:
    void openDevice(); // throws RuntimeError
    void applyLine();
    void onReadyRead();
    void onError(QSerialPort::SerialPortError error);
    void onPause();
    static bool endsAsAPacket(const QByteArray& bytes);
    void onStale();
    void tryReconnect();
    void closeLost();
    void pull();
    void takeAll();
    void takeWhatFits();
    QString portName() const;

    PortMap m_ports;
    QSerialPort m_port;
    QByteArray m_buffer;
    QTimer m_pause;
    int m_pauseMs = 5; // three character times at 9600 baud are 3 ms; timers are coarser
    QTimer m_stale;
    int m_staleMs = 100;
    QTimer m_reconnect;
    int m_commPort = 0;
    bool m_dtr = false;
    QString m_settingsText = QStringLiteral("9600,N,8,1");
    LineSettings m_line;
    int m_inputLen = 0;
    static constexpr qsizetype kInBufferSize = 1024;
    static constexpr qsizetype kThreshold = 16; // a packet's worth
    bool m_wantOpen = false;
    bool m_lost = false;                   // device gone; closing and reopening are under way
    bool m_polling = false;                // inside a poll of the device
    class QEventLoop* m_waiting = nullptr; // waitForInput's, which new characters end
    QString m_device;
};
