#pragma once

#include <QObject>
#include <QString>

// The serial control of the main window (Comm1): exactly the properties and the one event the
// program relies on. Failures raise RuntimeError with a description a user can act on.
class SerialControl : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    virtual void setCommPort(int port) = 0; // 1 to 4
    virtual int CommPort() const = 0;
    virtual void setDTREnable(bool on) = 0;
    virtual bool DTREnable() const = 0;
    virtual void setSettings(const QString& settings) = 0; // "9600,N,8,1"
    virtual QString Settings() const = 0;
    virtual void setInputLen(int len) = 0; // 0: a read returns everything waiting
    virtual int InputLen() const = 0;
    virtual void setPortOpen(bool open) = 0;
    virtual bool PortOpen() const = 0;
    virtual int InBufferCount() = 0;
    virtual void setInBufferCount(int count) = 0; // only 0: discard what is waiting
    virtual QString Input() = 0; // one character per byte, Latin-1
    // For a caller that polls without returning to the event loop: waits until more characters
    // arrive or `ms` milliseconds pass, handling events meanwhile (OnComm included: a caller that
    // reads for itself blocks this object's signals).
    virtual void waitForInput(int ms) = 0;

signals:
    // Received characters are waiting: at least a packet's worth, and the line has paused or they
    // are exactly one packet. It may be raised from inside the port's own notification, which is
    // not raised again until the handler returns: a handler that needs the user (a message box)
    // posts that for later, as both faces do.
    void OnComm();
    // Something the user should know about the link (device lost, device back).
    void notice(const QString& text);
    // The same two events by name, each raised just before its notice, with its text.
    void deviceLost(const QString& text);
    void deviceBack(const QString& text);
};

// Parsed "baud,parity,data,stop"; throws RuntimeError on a malformed text.
struct LineSettings
{
    int baud = 9600;
    char parity = 'N'; // N, E, O, M, S
    int dataBits = 8;
    int stopBits = 10; // tenths: 10, 15, 20
    static LineSettings parse(const QString& text);
};
