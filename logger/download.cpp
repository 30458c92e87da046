#include "download.h"

#include <QSignalBlocker>

#include "clock.h"
#include "datalog_window.h"
#include "message_boxes.h"
#include "runtime_error.h"
#include "seq_files.h"
#include "serial_control.h"
#include "texts.h"

QString DatalogDownload::firstInstruction()
{
    return QStringLiteral("To Download All Data\r\nSet Data Logger To OUT and\r\n"
                          "Turn Data Logger ON\r\n");
}

QString DatalogDownload::secondInstruction()
{
    return QStringLiteral("Press 'RESET>' On Datalogger To Send Data\r\nAfter Pressing 'OK'");
}

QString DatalogDownload::headerLine()
{
    return QStringLiteral("Data 1,Data Unit,Data 2,Data Unit");
}

QString DatalogDownload::recordLine(long long record, const DownloadReading& r)
{
    const QChar comma(u',');
    return texts::printNumberText(double(record)) + comma + r.Disp1_Value + comma + r.Disp1_Unit +
           comma + r.Disp2_Value + comma + r.Disp2_Unit;
}

QString DatalogDownload::rawListItem(long long sample, const QString& packet)
{
    return texts::numberText(double(sample)) + packet;
}

void DatalogDownload::run()
{
    bool fileOpen = false;
    try {
        const QString name = m_host.chooseFileName();
        m_files.open(FileNumber, name, SeqFiles::Mode::Output);
        fileOpen = true;
        (void)m_comm.Input();
        m_comm.setInBufferCount(0);
        m_comm.setInputLen(16);
        m_host.stopSamplingClock();
        m_boxes.msgBox(firstInstruction(), Mb::OkOnly);
        m_boxes.msgBox(secondInstruction(), Mb::OkOnly);
        {
            // Showing the window lets the window system's events through; a receive event
            // meanwhile would hand the meter's first packets to the live view.
            const QSignalBlocker quiet(&m_comm);
            m_host.progressWindow()->showNow();
        }
        m_host.setDownloadEnd(0);
        m_packets = 0;
        m_files.printLine(FileNumber, headerLine());
        receive();
        m_boxes.msgBox(QStringLiteral("Finished Downloading Data"), Mb::OkOnly);
        m_files.close(FileNumber);
        if (FrmDatalogDownload* w = m_host.progressWindowIfLoaded())
            w->hide();
    } catch (const RuntimeError& e) {
        // Whatever was written stays in the file; the program goes on as before the command.
        if (fileOpen)
            m_files.close(FileNumber);
        if (FrmDatalogDownload* w = m_host.progressWindowIfLoaded())
            w->hide();
        m_boxes.msgBox(QStringLiteral("Datalogger Download Stopped\r\n") + e.description(),
                       int(Mb::OkOnly) | int(Mb::Exclamation));
    }
}

void DatalogDownload::receive()
{
    // A receive event handled while the instructions were up sets the read length of its own;
    // a read here must never return more than one packet.
    m_comm.setInputLen(16);
    // Silence is measured on the monotonic clock: midnight neither ends it early nor stretches it.
    qint64 lastActivity = m_clock.monotonicMs();
    for (;;) {
        if (m_host.downloadEnd() == 1)
            break;
        if (m_comm.InBufferCount() > 15) {
            lastActivity = m_clock.monotonicMs();
            takePacket();
        } else {
            m_comm.waitForInput(PollWaitMs);
        }
        if (m_clock.monotonicMs() - lastActivity > SilenceMs) {
            m_boxes.msgBox(QStringLiteral("Datalogger Time Out"), Mb::OkOnly);
            m_host.setDownloadEnd(1);
        }
    }
}

void DatalogDownload::takePacket()
{
    const QString packet = m_comm.Input().left(16);
    if (packet.size() != 16) {
        m_files.printLine(FileNumber, QStringLiteral("Error, Data Lost"));
        return;
    }
    ++m_packets;
    const long long sample = m_packets - 2;
    m_host.progressWindow()->showSample(sample);
    try {
        m_host.decode(packet);
    } catch (const RuntimeError&) {
        return; // a packet the decoder rejects is skipped; its number stays out of the file
    }
    if (m_packets > 2)
        m_files.printLine(FileNumber, recordLine(sample, m_host.reading()));
    m_host.addRawListItem(rawListItem(sample, packet));
}
