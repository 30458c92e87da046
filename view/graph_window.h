#pragma once

#include <QWidget>

class CommonDialog;
class GraphModel;
class GraphPlot;
class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class QPainter;

// "    Last 100 Captured Data Points": the plot of the last 100 readings of both displays.
class FrmGraph : public QWidget
{
    Q_OBJECT
  public:
    explicit FrmGraph(QWidget* parent = nullptr);

    GraphModel* Graph1;
    GraphPlot* Plot; // Graph1 as drawn: shown, hidden and sized with the window
    QLabel* Label1;  // display 1's unit, in data set 1's colour
    QLabel* Label2;  // display 2's unit, in data set 2's colour
    QMenuBar* Menu;
    QMenu* Graph;                         // "Print Graph"
    QAction* Print_Graph;                 // "Print"
    CommonDialog* Printer_Ctrl = nullptr; // the printer dialog, handed in by the owner

    void Form_Resize();
    void Print_Graph_Click();

    // The printed page: what the window shows, its legend and plot, scaled to `page` (in 1/96
    // inch), under the window's title and `stamp`.
    void paintPage(QPainter& p, const QRectF& page, const QString& stamp) const;

  signals:
    void unloaded(); // closed with its close box

  protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    QWidget* m_client; // everything below the menu bar
};
