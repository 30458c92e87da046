// "Download Datalogger": the main window's side of the download (logger/).

#include <QTimer>

#include "data_display.h"
#include "datalog_window.h"
#include "download.h"
#include "frm_main.h"

namespace {

class MainDownloadHost final : public DownloadHost
{
  public:
    MainDownloadHost(FrmMain& w, const std::function<void()>& chooseName)
        : m_w(w), m_chooseName(chooseName)
    {
    }

    QString chooseFileName() override
    {
        m_chooseName();
        return m_w.session().Save_File_Name;
    }
    bool stopSamplingClock() override
    {
        const bool ran = m_w.Timer1->isActive();
        m_w.Timer1->stop();
        return ran;
    }
    void startSamplingClock() override { m_w.Timer1->start(); }
    bool programClosing() const override { return m_w.closingAfterDownload(); }
    void decode(const QString& packet) override
    {
        m_w.session().Sig_Str = packet;
        m_w.Proc_Sig();
    }
    int downloadEnd() const override { return m_w.session().Download_End; }
    void setDownloadEnd(int value) override { m_w.session().Download_End = value; }
    DownloadReading reading() const override
    {
        const SessionState& s = m_w.session();
        return {s.Disp1_Value, s.Disp1_Unit, s.Disp2_Value, s.Disp2_Unit};
    }
    void addRawListItem(const QString& item) override { m_w.dataDisplay()->addLine(item); }
    FrmDatalogDownload* progressWindow() override { return m_w.datalogDownload(); }
    FrmDatalogDownload* progressWindowIfLoaded() override
    {
        return m_w.datalogDownloadLoaded() ? m_w.datalogDownload() : nullptr;
    }

  private:
    FrmMain& m_w;
    const std::function<void()>& m_chooseName;
};

} // namespace

FrmDatalogDownload* FrmMain::datalogDownload()
{
    return m_datalogDownload.get();
}

void FrmMain::Download_Datalogger_Click()
{
    downloadDatalogger([this] { FILE_SAVE_NAME(); });
}

void FrmMain::downloadDatalogger(const std::function<void()>& chooseName)
{
    MainDownloadHost host(*this, chooseName);
    m_downloading = true;
    DatalogDownload(*Comm1, *m_p.clock, *m_p.files, *m_p.boxes, host).run();
    m_downloading = false;
    if (m_closeAfterDownload)
        close(); // asked for while the download ran (a signal: the progress window is modal)
}

bool FrmMain::downloadRunning()
{
    if (!m_downloading)
        return false;
    // The download is on the stack: it ends first, and the main window closes after it.
    m_closeAfterDownload = true;
    m_s.Download_End = 1;
    return true;
}
