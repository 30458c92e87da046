#include "download.h"

#include <QFileInfo>
#include <QPointer>
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

QString DatalogDownload::replaceQuestion(const QString& path)
{
    return QStringLiteral("%1 already exists and holds data.\r\n"
                          "Replace it with the download? No keeps it as it is.")
        .arg(path);
}

void DatalogDownload::run()
{
    bool fileOpen = false;
    bool clockRan = false;
    QPointer<FrmDatalogDownload> shown;
    QMetaObject::Connection closeBox;
    // However the download ends, the sampling clock goes on as it did before it.
    const auto finish = [&] {
        if (shown) {
            QObject::disconnect(closeBox);
            shown->setDownloading(false);
            shown = nullptr;
        }
        if (clockRan)
            m_host.startSamplingClock();
        clockRan = false;
    };
    try {
        const QString name = m_host.chooseFileName();
        // Nothing is created or emptied before it is known that something can be received.
        if (!m_comm.PortOpen())
            throw RuntimeError(QStringLiteral("Nothing can be received: the port is not open. "
                                              "No file was created or changed."));
        if (m_files.numberHolding(name) == SaveFileNumber)
            throw RuntimeError(QStringLiteral("%1 is the file being recorded: a download is never "
                                              "written into it. The recording goes on.")
                                   .arg(name));
        SeqFiles::checkNotWrittenElsewhere(name);
        // Enter keeps the file: replacing it takes a deliberate Yes.
        const QFileInfo existing(name);
        if (existing.isFile() && existing.size() > 0 &&
            m_boxes.msgBox(replaceQuestion(name),
                           int(Mb::YesNo) | int(Mb::Question) | int(Mb::DefaultButton2)) != Mb::Yes)
            return; // the file as it was, and nothing else changed
        m_files.open(FileNumber, name, SeqFiles::Mode::Output);
        fileOpen = true;
        (void)m_comm.Input();
        m_comm.setInBufferCount(0);
        m_comm.setInputLen(16);
        m_boxes.msgBox(firstInstruction(), Mb::OkOnly);
        m_boxes.msgBox(secondInstruction(), Mb::OkOnly);
        // Only now: while the instructions are up the live packets still reach the recording,
        // and without its timer it would write a row every other second.
        clockRan = m_host.stopSamplingClock();
        {
            // From here the line is the download's: a receive event would hand the meter's
            // packets to the live view.
            const QSignalBlocker quiet(&m_comm);
            shown = m_host.progressWindow();
            closeBox = QObject::connect(shown, &FrmDatalogDownload::closeRequested, shown,
                                        [this] { m_host.setDownloadEnd(1); });
            shown->setDownloading(true);
            shown->showNow();
            m_host.setDownloadEnd(0);
            m_packets = 0;
            m_files.printLine(FileNumber, headerLine());
            receive();
        }
        finish();
        if (!m_host.programClosing())
            m_boxes.msgBox(QStringLiteral("Finished Downloading Data"), Mb::OkOnly);
        m_files.close(FileNumber);
        if (FrmDatalogDownload* w = m_host.progressWindowIfLoaded())
            w->hide();
    } catch (const RuntimeError& e) {
        finish();
        // Whatever was written stays in the file; the program goes on as before the command.
        if (fileOpen)
            m_files.close(FileNumber);
        if (FrmDatalogDownload* w = m_host.progressWindowIfLoaded())
            w->hide();
        if (!m_host.programClosing())
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
        if (m_host.downloadEnd() == 1 || m_host.programClosing())
            break;
        if (m_comm.InBufferCount() > 15) {
            lastActivity = m_clock.monotonicMs();
            takePacket();
        } else {
            m_comm.waitForInput(PollWaitMs); // windows are painted meanwhile
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
