#pragma once

#include <QPixmap>
#include <QWidget>
#include <optional>

#include "plot_painter.h"

// The plot of a file on screen, and the ways around it: the wheel zooms about the pointer, a box
// dragged with the left button zooms to it, a drag with the right or middle button (or with
// Shift) and the arrow keys pan, Home or a double click shows the whole file, End the newest
// rows. A cursor line under the pointer tells the time and each display's value there.
//
// The plot is drawn into a picture that only a change of rows, view or size makes anew; the
// cursor and the box are drawn over it.
class PlotArea : public QWidget
{
    Q_OBJECT
  public:
    explicit PlotArea(QWidget* parent = nullptr);

    void setData(const PlotData* data); // nullptr: nothing to show
    // Rows came: drawn anew, and with Follow on a view that showed the newest rows shows them
    // still.
    void rowsAppended();
    // The time axis changed (a download's start and interval): drawn anew.
    void keysRelabelled();

    const PlotView& view() const { return m_view; }
    void setView(PlotView v);
    void showWhole();
    void showNewest();
    void zoomAbout(double key, double factor);
    void panBy(double fraction); // of the span in view; positive: later
    bool whole() const { return m_whole; }

    void setFollow(bool on) { m_follow = on; }
    bool follow() const { return m_follow; }
    void setEmptyText(const QString& text);
    const QString& emptyText() const { return m_emptyText; } // shown while nothing is plotted

    const PlotFrame& frame();
    // What the cursor shows at `key`: the time, then each display's value there.
    QStringList cursorTexts(double key) const;

    // Narrower spans show nothing more (keys are seconds or records).
    static constexpr double MinSpan = 10;

  signals:
    void viewChanged();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    void changed(); // the picture is out of date
    void ensureFrame();
    QRect cursorRect() const; // what the cursor's line and texts cover
    QRect cursorBox(const QStringList& texts) const;
    qint64 nearestRow(double key) const; // -1 when no row is near
    void paintCursor(QPainter& p);
    bool hasPlot() const;

    const PlotData* m_data = nullptr;
    PlotView m_view;
    bool m_whole = true; // the view is the whole file, and grows with it
    bool m_follow = true;
    double m_lastKey = 0; // the newest key when the view was last set
    QString m_emptyText;

    QPixmap m_picture;
    PlotFrame m_frame;
    bool m_current = false;

    std::optional<QPoint> m_pointer;
    enum class Drag
    {
        None,
        Box,
        Pan
    } m_drag = Drag::None;
    QPoint m_pressAt;
    PlotView m_pressView;
    QRect m_box;
};
