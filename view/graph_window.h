#pragma once

#include <QWidget>

class GraphModel;
class QLabel;

// "    Last 100 Captured Data Points": the plot of the last 100 readings of both displays.
class FrmGraph : public QWidget
{
    Q_OBJECT
public:
    explicit FrmGraph(QWidget* parent = nullptr);

    GraphModel* Graph1;
    QLabel* Label1; // display 1's unit, in data set 1's colour
    QLabel* Label2; // display 2's unit, in data set 2's colour

signals:
    void unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;
};
