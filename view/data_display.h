#pragma once

#include <QAbstractScrollArea>
#include <QHash>
#include <QStaticText>
#include <QWidget>

#include "raw_lines.h"

class QPushButton;

// A list box of plain lines, newest on top. Only the rows in sight are ever laid out or drawn,
// so a new line costs the same with ten lines as with a million.
class RawListBox : public QAbstractScrollArea
{
    Q_OBJECT
  public:
    explicit RawListBox(QWidget* parent = nullptr);

    void addLine(const QString& line); // at the top
    void clear();
    int count() const { return int(m_lines.size()); }
    QString line(int row) const; // row 0 is the top line
    int topRow() const;
    int selectedRow() const; // -1 when none

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

  private:
    int rowHeight() const;
    int rowsInView() const;
    void updateScrollRange();
    void takeArrivals();
    qsizetype arrivalOf(int row) const { return m_lines.size() - 1 - row; }

    RawLineStore m_lines;
    QHash<qsizetype, QStaticText> m_shaped; // the lines in sight at the last paint
    bool m_rangePending = false;
    int m_arrived = 0;         // lines added since the last turn
    qsizetype m_selected = -1; // arrival index of the selected line, so it stays on its line
    // Arrival index of the top line in sight, or -1 while the view follows the newest line. Paint
    // and clicks both go by it, so what is painted is what a click selects even before the scroll
    // bar has caught up with lines that just arrived.
    qsizetype m_topArrival = -1;
};

// "Data Display": raw lines, newest first.
class FrmDataDisplay : public QWidget
{
    Q_OBJECT
  public:
    explicit FrmDataDisplay(QWidget* parent = nullptr);

    QPushButton* Command1; // "Hide"
    QPushButton* Command2; // "Clear Display"
    RawListBox* List1;

    void addLine(const QString& line); // at the top
    int lineCount() const;
    QString line(int index) const; // 0 is the top line

    void Command1_Click();
    void Command2_Click();

  protected:
    void resizeEvent(QResizeEvent* event) override;
};
