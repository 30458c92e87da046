#include "graph_plot.h"

#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "graph_model.h"
#include "paint_bands.h"

namespace {

// 1, 2, 2.5 or 5 times a power of ten, at least `raw`.
double niceStep(double raw)
{
    if (!(raw > 0) || !std::isfinite(raw))
        return 1;
    const double mag = std::pow(10.0, std::floor(std::log10(raw)));
    const double n = raw / mag;
    return (n <= 1 ? 1 : n <= 2 ? 2 : n <= 2.5 ? 2.5 : n <= 5 ? 5 : 10) * mag;
}

QString numberText(double v, int decimals)
{
    if (v == 0)
        v = 0; // no "-0"
    return QString::number(v, 'f', decimals);
}

// The bound is written as it is held: whole numbers without decimals.
QString boundText(double v)
{
    if (std::fabs(v) < 1e15 && v == std::trunc(v))
        return QString::number(qint64(v));
    return QString::number(v, 'g', 7);
}

QFont plotFont()
{
    QFont f;
    f.setPixelSize(13);
    return f;
}

double lowestValue(const GraphModel& m)
{
    double lowest = 0;
    for (int s = 1; s <= GraphModel::Sets; ++s)
        for (int i = 1; i <= GraphModel::Points; ++i)
            if (const double v = m.value(s, i); std::isfinite(v))
                lowest = std::min(lowest, v);
    return lowest;
}

ValueAxis axisFor(const QRectF& area, const GraphModel& m)
{
    return valueAxis(m.yAxisMax(), lowestValue(m),
                     int(std::clamp(area.height() / 45.0, 2.0, 10.0)));
}

// Where points 1 to 100 and the axis lie inside `area`: room is left for the value texts on the
// left and the point numbers below.
QRectF plotRect(const QRectF& area, const ValueAxis& axis)
{
    const QFontMetricsF fm(plotFont());
    const double labels =
        std::max({fm.horizontalAdvance(numberText(axis.low, axis.decimals)),
                  fm.horizontalAdvance(boundText(axis.high)),
                  fm.horizontalAdvance(numberText(axis.high - axis.step, axis.decimals))});
    const double left = area.left() + labels + 10;
    const double top = area.top() + fm.height() / 2 + 4;
    const double right = area.right() - (fm.horizontalAdvance(QStringLiteral("100")) / 2 + 6);
    const double bottom = area.bottom() - fm.height() - 8;
    return QRectF(QPointF(left, top), QPointF(std::max(left, right), std::max(top, bottom)));
}

double xOf(const QRectF& r, int point)
{
    return r.left() + r.width() * (point - 1) / (GraphModel::Points - 1);
}

double yOf(const QRectF& r, const ValueAxis& a, double v)
{
    const double y = r.bottom() - r.height() * (v - a.low) / (a.high - a.low);
    return std::clamp(y, r.top() - 1e5, r.bottom() + 1e5); // far off the plot, never overflowing
}

void paintFrame(QPainter& p, const QRectF& area, const QRectF& r, const ValueAxis& a)
{
    p.save();
    p.fillRect(area, Qt::white);
    p.setFont(plotFont());
    const QFontMetricsF fm(p.font());
    const QColor text(40, 40, 40);

    // Points: a line every ten, numbered where the numbers have room.
    const double pitch = r.width() * 10 / (GraphModel::Points - 1);
    const int every = pitch >= fm.horizontalAdvance(QStringLiteral("100")) + 10       ? 10
                      : pitch * 2 >= fm.horizontalAdvance(QStringLiteral("100")) + 10 ? 20
                                                                                      : 50;
    for (int point = 10; point <= GraphModel::Points; point += 10) {
        const double x = xOf(r, point);
        p.setPen(QPen(QColor(228, 228, 228), 1));
        p.drawLine(QPointF(x, r.top()), QPointF(x, r.bottom()));
    }
    p.setPen(text);
    for (int point = 0; point <= GraphModel::Points; point += every) {
        const int n = std::max(point, 1);
        const double x = xOf(r, n);
        const QString t = QString::number(n);
        p.drawText(QRectF(x - 40, r.bottom() + 4, 80, fm.height()), Qt::AlignHCenter | Qt::AlignTop,
                   t);
    }

    // Values: grid lines at whole steps, the bound itself at the top.
    const double first = std::ceil(a.low / a.step - 1e-9) * a.step;
    for (int k = 0; k < 60; ++k) {
        const double v = first + k * a.step;
        if (v > a.high - a.step * 0.4)
            break;
        const double y = yOf(r, a, v);
        p.setPen(QPen(v == 0 && a.low < 0 ? QColor(150, 150, 150) : QColor(218, 218, 218), 1));
        p.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
        p.setPen(text);
        p.drawText(
            QRectF(area.left(), y - fm.height() / 2, r.left() - area.left() - 6, fm.height()),
            Qt::AlignRight | Qt::AlignVCenter, numberText(v, a.decimals));
    }
    p.drawText(
        QRectF(area.left(), r.top() - fm.height() / 2, r.left() - area.left() - 6, fm.height()),
        Qt::AlignRight | Qt::AlignVCenter, boundText(a.high));

    p.setPen(QPen(QColor(110, 110, 110), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r);
    p.restore();
}

void paintTraces(QPainter& p, const QRectF& r, const ValueAxis& a, const GraphModel& m,
                 bool onScreen)
{
    p.save();
    p.setClipRect(r.adjusted(-2, -2, 2, 2), Qt::IntersectClip);
    // Separate segments, not one polyline: the rasterizer's fast path for square-capped lines
    // is several times quicker than stroking a joined path, and looks the same at this width.
    // Antialiasing costs a blend on every row a line crosses; a steep line shows no stairs, so
    // it goes without, and readings that jump about cost a quarter of what they would.
    QLineF shallow[GraphModel::Points - 1];
    QLineF steep[GraphModel::Points - 1];
    for (int s = GraphModel::Sets; s >= 1; --s) { // display 1 on top
        const QColor colour = GraphModel::paletteColour(m.colorData(s));
        int nShallow = 0, nSteep = 0;
        for (int i = 1; i < GraphModel::Points; ++i) {
            const float v0 = m.value(s, i), v1 = m.value(s, i + 1);
            if (!std::isfinite(v0) || !std::isfinite(v1))
                continue;
            const QLineF line(xOf(r, i), yOf(r, a, v0), xOf(r, i + 1), yOf(r, a, v1));
            if (std::fabs(line.dy()) > 3 * std::fabs(line.dx()))
                steep[nSteep++] = line;
            else
                shallow[nShallow++] = line;
        }
        if (onScreen) {
            // Two one-pixel lines side by side, across the line's run: the rasterizer draws those
            // without stroking, for a fraction of a two-pixel line's cost.
            p.setPen(QPen(colour, 0));
            p.setRenderHint(QPainter::Antialiasing, false);
            p.drawLines(steep, nSteep);
            p.drawLines(shallow, nShallow);
            p.translate(1, 0);
            p.drawLines(steep, nSteep);
            p.translate(-1, 1);
            p.drawLines(shallow, nShallow);
            p.translate(0, -1);
        } else {
            p.setPen(QPen(colour, 2, Qt::SolidLine, Qt::SquareCap));
            p.setRenderHint(QPainter::Antialiasing, false);
            p.drawLines(steep, nSteep);
            p.setRenderHint(QPainter::Antialiasing, true);
            p.drawLines(shallow, nShallow);
        }
        // A point with empty neighbours has no line: it shows as a dot.
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        for (int i = 1; i <= GraphModel::Points; ++i) {
            const bool before = i > 1 && std::isfinite(m.value(s, i - 1));
            const bool after = i < GraphModel::Points && std::isfinite(m.value(s, i + 1));
            if (std::isfinite(m.value(s, i)) && !before && !after)
                p.drawEllipse(QPointF(xOf(r, i), yOf(r, a, m.value(s, i))), 2.5, 2.5);
        }
    }
    p.restore();
}

} // namespace

ValueAxis valueAxis(double upper, double lowest, int lines)
{
    ValueAxis a;
    a.low = std::isfinite(lowest) ? std::min(lowest, 0.0) : 0.0;
    a.high = std::isfinite(upper) ? upper : a.low + 1;
    if (!(a.high > a.low))
        a.high = a.low + 1; // a bound at or below every value still gives an axis
    a.step = niceStep((a.high - a.low) / std::max(lines, 1));
    a.low = std::floor(a.low / a.step) * a.step;
    const int e = int(std::floor(std::log10(a.step) + 1e-9));
    const bool quarter = std::fabs(a.step / std::pow(10.0, e) - 2.5) < 1e-9;
    a.decimals = std::max(0, -e + (quarter ? 1 : 0));
    return a;
}

GraphPlot::GraphPlot(GraphModel* model, QWidget* parent) : QWidget(parent), m_model(model)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    connect(model, &GraphModel::redrawRequested, this, &GraphPlot::redraw);
}

void GraphPlot::render(QPainter& p, const QRectF& area, const GraphModel& model)
{
    const ValueAxis axis = axisFor(area, model);
    const QRectF r = plotRect(area, axis);
    paintFrame(p, area, r, axis);
    paintTraces(p, r, axis, model, false);
}

bool GraphPlot::frameCurrent(const ValueAxis& axis) const
{
    return axis == m_frameAxis && m_frame.size() == (QSizeF(size()) * devicePixelRatioF()).toSize();
}

// The band the lines occupy: from the highest to the lowest value, across the plot.
QRect GraphPlot::tracesRect(const ValueAxis& axis) const
{
    double top = m_plotRect.bottom(), bottom = m_plotRect.top();
    for (int s = 1; s <= GraphModel::Sets; ++s)
        for (int i = 1; i <= GraphModel::Points; ++i)
            if (const float v = m_model->value(s, i); std::isfinite(v)) {
                const double y = yOf(m_plotRect, axis, v);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    if (top > bottom)
        return QRect();
    return QRectF(m_plotRect.left() - 4, top - 4, m_plotRect.width() + 8, bottom - top + 8)
        .toAlignedRect();
}

void GraphPlot::redraw()
{
    if (!isVisible())
        return; // showing paints everything
    const ValueAxis axis = axisFor(rect(), *m_model);
    if (!frameCurrent(axis)) {
        update();
        return;
    }
    // Only where the lines were and where they go: usually a narrow band of the plot.
    update(m_shown.united(tracesRect(axis)));
}

void GraphPlot::paintEvent(QPaintEvent* event)
{
    const QRectF area = rect();
    const ValueAxis axis = axisFor(area, *m_model);
    if (!frameCurrent(axis)) {
        const qreal dpr = devicePixelRatioF();
        m_frame = QPixmap((QSizeF(size()) * dpr).toSize());
        m_frame.setDevicePixelRatio(dpr);
        m_frameAxis = axis;
        m_plotRect = plotRect(area, axis);
        QPainter fp(&m_frame);
        paintFrame(fp, area, m_plotRect, axis);
    }
    QPainter p(this);
    drawPixmapInBands(p, event->region(), m_frame);
    paintTraces(p, m_plotRect, axis, *m_model, true);
    const QRect drawn = tracesRect(axis);
    m_shown = event->region().contains(drawn) ? drawn : m_shown.united(drawn);
}
