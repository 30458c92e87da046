#include "gauge_dial.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "gauge_model.h"
#include "paint_bands.h"

namespace {
// Half the scale's sweep, from the vertical.
constexpr double HalfSweep = 55.0 * std::numbers::pi / 180.0;
constexpr int Divisions = 50; // minor ticks; every fifth is a major one
} // namespace

GaugeDial::GaugeDial(GaugeModel* model, QWidget* parent) : QWidget(parent), m_model(model)
{
    setAttribute(Qt::WA_OpaquePaintEvent); // the face covers the whole widget
    connect(model, &GaugeModel::changed, this, &GaugeDial::modelChanged);
}

void GaugeDial::setAccent(const QColor& colour)
{
    m_accent = colour;
    m_face = QPixmap();
    update();
}

QPointF GaugeDial::pivot() const
{
    return QPointF(width() / 2.0, height() - std::max(6.0, height() * 0.08));
}

double GaugeDial::radius() const
{
    const double up = pivot().y() - 6;
    const double across = (width() / 2.0 - 8) / std::sin(HalfSweep);
    return std::max(1.0, std::min(up, across));
}

QPointF GaugeDial::onScale(double fraction, double r) const
{
    const double a = -HalfSweep + 2 * HalfSweep * fraction;
    return pivot() + QPointF(r * std::sin(a), -r * std::cos(a));
}

void GaugeDial::setDimmed(bool dimmed)
{
    if (dimmed == m_dimmed)
        return;
    m_dimmed = dimmed;
    update();
}

QPointF GaugeDial::lowerEnd() const
{
    return onScale(0, radius());
}
QPointF GaugeDial::upperEnd() const
{
    return onScale(1, radius());
}

QRect GaugeDial::limitTextRect(bool upper, const QSize& text) const
{
    // The needle pegged past an end stands 3% of the sweep beyond it: the text keeps to the far
    // side of that line, by half the needle's width and its smoothed edge.
    const double theta = HalfSweep * 1.06;
    const double margin = needleWidth() / 2 + 3;
    const QPointF c = pivot();
    const int inset = 4; // the border and its rounded corners
    const int bottom = height() - inset;
    const int top = bottom - text.height();
    // How far from the pivot's vertical the text's inner edge must stay, at the text's top.
    // (and clear of the hub, which the needle turns on).
    const double hub = std::max(3.0, radius() * 0.075);
    const double off = std::max(
        (std::sin(theta) * std::max(0.0, c.y() - top) + margin) / std::cos(theta), hub + margin);
    const double end = radius() * std::sin(HalfSweep); // the scale's ends, from the pivot
    if (!upper) {
        const int innerMost = int(std::floor(c.x() - off));
        const int right = std::min(innerMost, int(c.x() - end) + text.width() / 2);
        const int left = std::max(inset, right - text.width());
        return QRect(left, top, text.width(), text.height());
    }
    const int innerMost = int(std::ceil(c.x() + off));
    const int left = std::max(innerMost, int(c.x() + end) - text.width() / 2);
    const int right = std::min(width() - inset, left + text.width());
    return QRect(right - text.width(), top, text.width(), text.height());
}

double GaugeDial::needleFraction(const GaugeModel& m)
{
    const double span = double(m.maxValue()) - double(m.minValue());
    if (!(span > 0))
        return 0;
    return std::clamp((m.value() - m.minValue()) / span, -0.03, 1.03);
}

QPointF GaugeDial::alongNeedle(double fraction, double part) const
{
    return onScale(fraction, radius() * 0.96 * part);
}

double GaugeDial::needleWidth() const
{
    return std::max(2.0, radius() * 0.03);
}

QRegion GaugeDial::needleRegion(double fraction) const
{
    // A chain of small boxes along the needle: a diagonal needle's bounding box would take in
    // most of the dial.
    const double margin = needleWidth() / 2 + 2; // the line's half width and its smoothed edge
    const int pieces = std::clamp(int(radius() / 24), 1, 8);
    QRegion region;
    for (int i = 0; i < pieces; ++i) {
        const QPointF a = alongNeedle(fraction, double(i) / pieces);
        const QPointF b = alongNeedle(fraction, double(i + 1) / pieces);
        region +=
            QRectF(a, b).normalized().adjusted(-margin, -margin, margin, margin).toAlignedRect();
    }
    const double hub = std::max(3.0, radius() * 0.075) + 2;
    region += QRectF(pivot() - QPointF(hub, hub), QSizeF(2 * hub, 2 * hub)).toAlignedRect();
    return region & rect();
}

void GaugeDial::modelChanged()
{
    // The face does not depend on the model: only the needle moves.
    const double f = needleFraction(*m_model);
    if (m_paintedFraction < -0.5 || m_face.isNull()) {
        update();
    } else if (f != m_paintedFraction) {
        update(needleRegion(m_paintedFraction) + needleRegion(f));
    }
}

void GaugeDial::paintFace(QPainter& p) const
{
    const double r = radius();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(QColor(176, 176, 176), 1));
    p.setBrush(faceColour());
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);

    const double degrees = 2 * HalfSweep * 180 / std::numbers::pi;
    const auto arcRect = [this](double rr) {
        return QRectF(pivot() - QPointF(rr, rr), QSizeF(2 * rr, 2 * rr));
    };
    if (m_accent.isValid()) {
        QColor band = m_accent;
        band.setAlpha(70);
        const double w = std::max(3.0, r * 0.07);
        p.setPen(QPen(band, w, Qt::SolidLine, Qt::FlatCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(arcRect(r - w / 2 - 1), int((90 - degrees / 2) * 16), int(degrees * 16));
    }
    p.setPen(QPen(QColor(50, 50, 50), std::max(1.5, r / 60)));
    p.setBrush(Qt::NoBrush);
    p.drawArc(arcRect(r), int((90 - degrees / 2) * 16), int(degrees * 16));
    for (int i = 0; i <= Divisions; ++i) {
        const bool major = i % 5 == 0;
        const double len = r * (i == 0 || i == Divisions ? 0.2 : major ? 0.13 : 0.065);
        p.setPen(QPen(QColor(50, 50, 50), major ? std::max(1.5, r / 50) : 1.0, Qt::SolidLine,
                      Qt::FlatCap));
        const double f = double(i) / Divisions;
        p.drawLine(onScale(f, r), onScale(f, r - len));
    }
}

void GaugeDial::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange)
        m_face = QPixmap(); // the face's corners take the window's colour
    QWidget::changeEvent(event);
}

void GaugeDial::paintEvent(QPaintEvent* event)
{
    const qreal dpr = devicePixelRatioF();
    const QSize device = (QSizeF(size()) * dpr).toSize();
    if (m_face.size() != device) {
        m_face = QPixmap(device);
        m_face.setDevicePixelRatio(dpr);
        m_face.fill(palette().color(QPalette::Window));
        QPainter fp(&m_face);
        paintFace(fp);
    }
    QPainter p(this);
    drawPixmapInBands(p, event->region(), m_face);

    // A line, not a tapered polygon: the rasterizer draws a square-ended line three times faster,
    // and the needle moves with nearly every packet.
    p.setRenderHint(QPainter::Antialiasing, true);
    const double r = radius();
    const double f = needleFraction(*m_model);
    m_paintedFraction = f;
    const int alpha = m_dimmed ? 80 : 255;
    p.setPen(QPen(QColor(196, 24, 24, alpha), needleWidth(), Qt::SolidLine, Qt::FlatCap));
    p.drawLine(pivot(), alongNeedle(f, 1));
    p.setPen(Qt::NoPen);
    const double hub = std::max(3.0, r * 0.075);
    p.setBrush(QColor(45, 45, 45, alpha));
    p.drawEllipse(pivot(), hub, hub);
}
