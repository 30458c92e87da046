#pragma once

#include <QPointer>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <memory>

#include "file_follower.h"
#include "plot_file.h"

class CommonDialog;
class MessageBoxes;
class PlotArea;
class QLabel;
class QPushButton;

// A plot of a saved, downloaded or any CSV file, captioned with the file's name: the plot, the
// statistics of the span in view and of the whole file, and buttons to show the whole file,
// follow the file as it grows, give a download a time axis, export and print. The file is read
// in the background, then followed: rows appended show within a second.
class FrmFilePlot : public QWidget
{
    Q_OBJECT
  public:
    FrmFilePlot(CommonDialog& dialog, MessageBoxes& boxes, QWidget* parent = nullptr);
    ~FrmFilePlot() override;

    // Plots `path`, from its start; `from` and `to` (as the command line takes them) set the span
    // shown first.
    void openFile(const QString& path, const QString& from = QString(),
                  const QString& to = QString());
    const QString& path() const { return m_path; }
    bool loading() const { return m_thread != nullptr; }
    const PlotData* data() const { return m_file ? &m_file->data : nullptr; }

    PlotArea* Plot;
    QPushButton* Whole;
    QPushButton* Follow;   // checkable
    QPushButton* TimeAxis; // a download's records against time
    QPushButton* Export;
    QPushButton* Print;
    QLabel* Stats;
    QLabel* Status;

    void Export_Click();
    void Print_Click();
    void TimeAxis_Click();
    // Exports what is in view without asking, as Export does after its dialog.
    void exportTo(const QString& path);

  signals:
    void loaded(); // a reading from the start ended (with rows or without)

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    struct Load;
    void loadEnded(const std::shared_ptr<Load>& load);
    void takeAppended(const QByteArray& bytes);
    void showFacts();
    void stopLoad();

    CommonDialog& m_dialog;
    MessageBoxes& m_boxes;
    QString m_path;
    QString m_from, m_to;
    std::unique_ptr<PlotFile> m_file;
    FileFollower m_follower;
    std::shared_ptr<Load> m_load;
    QPointer<QThread> m_thread;
    QTimer m_progress;
    QTimer m_statsDue; // statistics follow the view once a turn of the event loop, not per event
};
