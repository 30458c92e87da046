#pragma once

#include <QPixmap>
#include <QRegion>
#include <QWidget>

class GaugeModel;

// A needle gauge drawn from a GaugeModel: a scale arc with ticks from the lower limit at its left
// end to the upper limit at its right end, and an anti-aliased needle at the value.
class GaugeDial : public QWidget
{
    Q_OBJECT
  public:
    explicit GaugeDial(GaugeModel* model, QWidget* parent = nullptr);

    void setAccent(const QColor& colour); // a band along the scale, to tell gauges apart
    // A dimmed gauge shows its needle faded: the reading it stands at is no longer live.
    void setDimmed(bool dimmed);
    bool dimmed() const { return m_dimmed; }

    // The ends of the scale in this widget's coordinates.
    QPointF lowerEnd() const;
    QPointF upperEnd() const;
    // Where a limit text of the given size goes on the face: in the lower corner below that end
    // of the scale, clear of the arc, its ticks, the needle wherever it stands, and the border.
    QRect limitTextRect(bool upper, const QSize& text) const;
    // The face's colour where nothing is drawn.
    static QColor faceColour() { return QColor(253, 253, 250); }

    // Where the needle stands along the scale: 0 at the lower limit, 1 at the upper. A value
    // beyond a limit rests just past that end, as a pegged meter's needle does.
    static double needleFraction(const GaugeModel& model);
    // The point `part` of the way from the needle's hub to its tip, for that fraction.
    QPointF alongNeedle(double fraction, double part) const;
    // Every pixel the needle and its hub cover when it stands at `fraction`.
    QRegion needleRegion(double fraction) const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    QPointF pivot() const;
    double radius() const;
    QPointF onScale(double fraction, double r) const;
    void paintFace(QPainter& p) const;
    void modelChanged();
    double needleWidth() const;

    GaugeModel* m_model;
    QColor m_accent;
    bool m_dimmed = false;
    QPixmap m_face;                // everything but the needle; redrawn when the size changes
    double m_paintedFraction = -1; // where the needle last stood on screen; -1 before a paint
};
