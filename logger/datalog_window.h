#pragma once

#include <QWidget>

class QLabel;

// "Datalogger Download": the number of the sample being received. No buttons; while a download
// runs the window is modal, and its close box asks the download to end instead of closing it.
class FrmDatalogDownload : public QWidget
{
    Q_OBJECT
  public:
    explicit FrmDatalogDownload(QWidget* parent = nullptr);

    QLabel* Label1; // "Downloading Datalogger"
    QLabel* Label2; // "Sample Number"
    QLabel* Label3; // the sample number

    // Shows the window and paints it at once.
    void showNow();
    // Label3 shows `sample` (plain decimal) and is repainted at once.
    void showSample(long long sample);
    void setDownloading(bool on) { m_downloading = on; }

  signals:
    void closeRequested(); // the close box, while a download runs

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    bool m_downloading = false;
};
