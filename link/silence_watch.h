#pragma once

#include <QObject>
#include <QTimer>

class Clock;

// A meter that falls silent, or a pulled cable, must not pass for a live one: after SilenceMs
// without a packet `silent` tells since when, and the next packet brings `speaking`.
class SilenceWatch : public QObject
{
    Q_OBJECT
  public:
    static constexpr int SilenceMs = 5000;

    explicit SilenceWatch(const Clock& clock, QObject* parent = nullptr);

    void noteReading();    // a packet was accepted
    void expectReadings(); // a meter that never speaks is silent too, from now
    bool isSilent() const { return m_silent; }

  signals:
    void silent(const QString& since); // "No reading from the meter since hh:mm:ss"
    void speaking();

  private:
    void check();

    const Clock& m_clock;
    QTimer m_timer;
    qint64 m_lastReadingMs = 0;
    bool m_silent = false;
};
