#pragma once

#include <QPixmap>
#include <QWidget>

class GraphModel;
class QPainter;

// The value axis of a plot: `low` at the bottom, `high` (the model's upper bound) at the top,
// grid lines every `step` from the first multiple of it above `low`.
struct ValueAxis
{
    double low = 0;
    double high = 100;
    double step = 10;
    int decimals = 0; // for the grid lines' texts
    bool operator==(const ValueAxis&) const = default;
};

// The axis for an upper bound and the lowest value plotted, with about `lines` grid lines. The
// axis starts at 0 unless a value lies below it.
ValueAxis valueAxis(double upper, double lowest, int lines);

// Draws a GraphModel: both data sets as lines over a value grid, points 1 to 100 from left to
// right. The same routine draws the window and the printed page.
class GraphPlot : public QWidget
{
    Q_OBJECT
  public:
    explicit GraphPlot(GraphModel* model, QWidget* parent = nullptr);

    // The whole plot in `area` of any painter; sizes are in units of 1/96 inch.
    static void render(QPainter& p, const QRectF& area, const GraphModel& model);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void redraw();
    bool frameCurrent(const ValueAxis& axis) const;
    QRect tracesRect(const ValueAxis& axis) const;

    GraphModel* m_model;
    // Background, grid and texts change only with the axis or the size; the lines are drawn over.
    QPixmap m_frame;
    ValueAxis m_frameAxis;
    QRectF m_plotRect;
    QRect m_shown; // where the lines stand on screen
};
