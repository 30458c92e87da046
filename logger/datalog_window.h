#pragma once

#include <QWidget>

class QLabel;

// "Datalogger Download": the number of the sample being received. No buttons: the download
// cannot be cancelled, and it handles no events while it runs, so it paints what it changes.
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
};
