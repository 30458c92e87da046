#pragma once

#include <QString>

class Clock;
class FrmDatalogDownload;
class MessageBoxes;
class SeqFiles;
class SerialControl;

// The reading a packet decodes into, as the decoder leaves it.
struct DownloadReading
{
    QString Disp1_Value, Disp1_Unit, Disp2_Value, Disp2_Unit;
};

// What the download needs from the main window.
class DownloadHost
{
  public:
    virtual ~DownloadHost() = default;

    // Asks the user for the download file's name (the save dialog) and returns it.
    virtual QString chooseFileName() = 0;
    // Switches the sampling clock's timer off; true when it was running.
    virtual bool stopSamplingClock() = 0;
    virtual void startSamplingClock() = 0;
    // The program is closing: the download ends without its closing message.
    virtual bool programClosing() const = 0;
    // Decodes one packet into the reading; a packet the decoder rejects raises RuntimeError.
    virtual void decode(const QString& packet) = 0;
    virtual int downloadEnd() const = 0;
    virtual void setDownloadEnd(int value) = 0;
    virtual DownloadReading reading() const = 0; // as the last decode left it
    // Inserts an item at the top of the raw data list.
    virtual void addRawListItem(const QString& item) = 0;
    // The progress window, created if needed.
    virtual FrmDatalogDownload* progressWindow() = 0;
    // The progress window if it exists, else null.
    virtual FrmDatalogDownload* progressWindowIfLoaded() = 0;
};

// Receives the meter's datalogger memory into a file, one line per packet. Between polls it waits
// on the port, handling events meanwhile, so windows stay painted; the progress window is modal,
// and its close box ends the download as the end-of-data packet does.
//
// No file is created or emptied before the port is known open; the save file is never the
// download's file; a file that holds something is replaced only when the user says so. The
// sampling clock runs again afterwards if it ran before.
class DatalogDownload
{
  public:
    static constexpr int FileNumber = 3;
    static constexpr int SaveFileNumber = 1; // the recording's file
    static constexpr int PollWaitMs = 5;
    static constexpr qint64 SilenceMs = 5000; // the download ends after more than this

    DatalogDownload(SerialControl& comm, Clock& clock, SeqFiles& files, MessageBoxes& boxes,
                    DownloadHost& host)
        : m_comm(comm), m_clock(clock), m_files(files), m_boxes(boxes), m_host(host)
    {
    }

    // The whole download. A failure (file, port) ends it with a message, the file released and
    // the progress window hidden; nothing is raised.
    void run();

    static QString firstInstruction();
    static QString secondInstruction();
    static QString headerLine();
    static QString recordLine(long long record, const DownloadReading& r);
    static QString rawListItem(long long sample, const QString& packet);
    static QString replaceQuestion(const QString& path);

  private:
    void receive();
    void takePacket();

    SerialControl& m_comm;
    Clock& m_clock;
    SeqFiles& m_files;
    MessageBoxes& m_boxes;
    DownloadHost& m_host;
    long long m_packets = 0;
};
