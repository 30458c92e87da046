#pragma once

#include <QWidget>

#include "extremes.h"

class DigitalCaptions;
class QGroupBox;
class QLabel;

// "   Digital Display": current values and units, recorded highs and lows.
class FrmDigDisplay : public QWidget, public ExtremeLabels
{
    Q_OBJECT
  public:
    explicit FrmDigDisplay(QWidget* parent = nullptr);

    QLabel *Label2, *Label5, *Label3, *Label6;
    QGroupBox* Frame2;
    QLabel *Label11, *Label7, *Label9, *Label8, *Label10;
    QGroupBox* Frame3;
    QLabel *Label12, *Label13, *Label15, *Label14, *Label16;
    QGroupBox* Frame1;
    QLabel *Label17, *Label1, *Label4, *Label20, *Label18, *Label19;

    QLabel* label(XLabel which) const;
    void showCaptions(const DigitalCaptions& captions); // every caption at once
    QString caption(XLabel which) const override;
    void setCaption(XLabel which, const QString& text) override;

    // The meter has gone quiet: the current values and units are shown faded, and their tool tip
    // says since when (`since` empty: live again).
    void showStale(const QString& since);
    // Display 1 or 2 shows a value beyond one of its limits: in the alarm colour, value and unit.
    void showAlarm(int display, bool beyond);
    bool showsAlarm(int display) const;

    // Where the extremes panels begin; the one-display panel starts there too.
    void setFrame3Top(int twips);
    int frame3TopTwips() const { return m_frame3TopTwips; }

  signals:
    void unloaded(); // closed with its close box

  protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Form_Load();
    void relayout();

    int m_frame3TopTwips = 960;
};
