#include "plot_painter.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <optional>

namespace {

const QColor kText(40, 40, 40);
const QColor kGrid(228, 228, 228);
const QColor kFrame(110, 110, 110);
const QColor kGapFill(236, 236, 236);
const QColor kGapHatch(200, 200, 200);
const QColor kClockBack(210, 120, 0);
const QColor kDataLost(200, 0, 0);
const QColor kCollection(150, 150, 150);

constexpr double kMargin = 6;
constexpr double kTickLength = 4;

SpanStats seriesRange(const PlotData& data, const Series& s, qint64 from, qint64 to)
{
    const Channel& c = data.channels[size_t(s.channel)];
    SpanStats out;
    data.forEachPiece(s.channel, s.unit, from, to,
                      [&](qint64 a, qint64 b) { out.merge(c.summary.minMax(c.values, a, b)); });
    return out;
}

// An axis' column: its tick texts, and its unit's name above it.
double axisWidth(const PlotAxis& a, const QFontMetricsF& fm)
{
    const ValueScale& s = a.scale;
    double w = fm.horizontalAdvance(a.label) - kTickLength;
    for (double v = std::ceil(s.low / s.step - 1e-9) * s.step; v <= s.high + s.step * 1e-6;
         v += s.step)
        w = std::max(w, fm.horizontalAdvance(plottext::value(v, s.decimals)));
    return w + kTickLength + 6;
}

struct LegendItem
{
    enum Kind
    {
        Line,
        High,
        Lo,
        Gap,
        ClockBack,
        DataLost,
        Collection
    } kind;
    QColor colour;
    QString text;
};

std::vector<LegendItem> legendItems(const PlotData& data, const std::vector<PlotAxis>& axes)
{
    std::vector<LegendItem> items;
    for (const PlotAxis& a : axes)
        items.push_back({LegendItem::Line, a.colour, seriesName(data, a.series)});
    bool high = false, lo = false, back = false, lost = false, collection = false;
    for (const Mark& m : data.marks) {
        high |= m.kind == MarkKind::High;
        lo |= m.kind == MarkKind::Lo;
        back |= m.kind == MarkKind::ClockBack;
        lost |= m.kind == MarkKind::DataLost;
        collection |= m.kind == MarkKind::Collection;
    }
    if (high)
        items.push_back({LegendItem::High, kText, QStringLiteral("High")});
    if (lo)
        items.push_back({LegendItem::Lo, kText, QStringLiteral("Lo")});
    if (!data.gaps().empty())
        items.push_back({LegendItem::Gap, kText, QStringLiteral("gap")});
    if (collection)
        items.push_back({LegendItem::Collection, kCollection, QStringLiteral("new collection")});
    if (back)
        items.push_back({LegendItem::ClockBack, kClockBack, QStringLiteral("clock set back")});
    if (lost)
        items.push_back({LegendItem::DataLost, kDataLost, QStringLiteral("data lost")});
    return items;
}

constexpr double kSymbol = 22; // room for an item's symbol

double legendItemWidth(const LegendItem& item, const QFontMetricsF& fm)
{
    return kSymbol + 4 + fm.horizontalAdvance(item.text) + 14;
}

int legendLines(const std::vector<LegendItem>& items, double width, const QFontMetricsF& fm)
{
    int lines = items.empty() ? 0 : 1;
    double x = 0;
    for (const LegendItem& item : items) {
        const double w = legendItemWidth(item, fm);
        if (x > 0 && x + w > width) {
            ++lines;
            x = 0;
        }
        x += w;
    }
    return lines;
}

void triangle(QPainter& p, QPointF at, bool up, double size)
{
    const double h = size * 0.9;
    QPolygonF t;
    if (up)
        t << QPointF(at.x(), at.y() - h) << QPointF(at.x() - size, at.y() + h * 0.6)
          << QPointF(at.x() + size, at.y() + h * 0.6);
    else
        t << QPointF(at.x(), at.y() + h) << QPointF(at.x() - size, at.y() - h * 0.6)
          << QPointF(at.x() + size, at.y() - h * 0.6);
    p.drawPolygon(t);
}

void cross(QPainter& p, QPointF at, double size)
{
    p.drawLine(at + QPointF(-size, -size), at + QPointF(size, size));
    p.drawLine(at + QPointF(-size, size), at + QPointF(size, -size));
}

void paintLegend(QPainter& p, const PlotData& data, const PlotFrame& f, const QFontMetricsF& fm)
{
    const std::vector<LegendItem> items = legendItems(data, f.axes);
    double x = f.area.left() + kMargin;
    double y = f.legendTop;
    const double lineHeight = fm.height() + 4;
    for (const LegendItem& item : items) {
        const double w = legendItemWidth(item, fm);
        if (x > f.area.left() + kMargin && x + w > f.area.right() - kMargin) {
            x = f.area.left() + kMargin;
            y += lineHeight;
        }
        const QPointF mid(x + kSymbol / 2, y + lineHeight / 2);
        p.save();
        switch (item.kind) {
        case LegendItem::Line:
            p.setPen(QPen(item.colour, 2));
            p.drawLine(QPointF(x, mid.y()), QPointF(x + kSymbol, mid.y()));
            break;
        case LegendItem::High:
        case LegendItem::Lo:
            p.setPen(QPen(kText, 1));
            p.setBrush(Qt::white);
            triangle(p, mid, item.kind == LegendItem::High, 4.5);
            break;
        case LegendItem::Gap:
            p.fillRect(QRectF(x + 3, y + 3, kSymbol - 6, lineHeight - 6), kGapFill);
            p.fillRect(QRectF(x + 3, y + 3, kSymbol - 6, lineHeight - 6),
                       QBrush(kGapHatch, Qt::BDiagPattern));
            break;
        case LegendItem::ClockBack:
        case LegendItem::Collection:
            p.setPen(QPen(item.colour, 1.5, Qt::DashLine));
            p.drawLine(QPointF(mid.x(), y + 2), QPointF(mid.x(), y + lineHeight - 2));
            break;
        case LegendItem::DataLost:
            p.setPen(QPen(item.colour, 1.5));
            cross(p, mid, 3.5);
            break;
        }
        p.restore();
        p.setPen(kText);
        p.drawText(QRectF(x + kSymbol + 4, y, w, lineHeight), Qt::AlignLeft | Qt::AlignVCenter,
                   item.text);
        x += w;
    }
}

void paintGaps(QPainter& p, const PlotData& data, const PlotFrame& f, qint64 firstRow,
               qint64 lastRow, const QFontMetricsF& fm)
{
    const std::vector<Gap>& gaps = data.gaps();
    auto it = std::lower_bound(gaps.begin(), gaps.end(), firstRow,
                               [](const Gap& g, qint64 r) { return g.row < r; });
    double shownTo = -1e9;
    for (; it != gaps.end() && it->row <= lastRow; ++it) {
        const double x0 = std::max(f.xOf(data.key(it->row - 1)), f.plot.left());
        const double x1 = std::min(f.xOf(data.key(it->row)), f.plot.right());
        if (x1 <= x0 || x1 < shownTo + 0.5)
            continue;
        const QRectF band(x0, f.plot.top(), x1 - x0, f.plot.height());
        p.fillRect(band, kGapFill);
        p.fillRect(band, QBrush(kGapHatch, Qt::BDiagPattern));
        shownTo = x1;
        const QString text = plottext::keySpan(data, it->keys);
        if (fm.horizontalAdvance(text) + 8 < band.width()) {
            p.setPen(kText);
            p.drawText(band.adjusted(0, 4, 0, 0), Qt::AlignHCenter | Qt::AlignTop, text);
        }
    }
}

void paintXAxis(QPainter& p, const PlotData& data, const PlotFrame& f, const QFontMetricsF& fm)
{
    const std::vector<XTick> ticks =
        xTicks(data, f.from, f.to, f.plot.width(), fm.horizontalAdvance(QLatin1Char('0')));
    double textEnd = -1e9, secondEnd = -1e9;
    for (const XTick& t : ticks) {
        const double x = f.xOf(t.key);
        if (x < f.plot.left() - 0.5 || x > f.plot.right() + 0.5)
            continue;
        p.setPen(QPen(kGrid, 0));
        p.drawLine(QPointF(x, f.plot.top()), QPointF(x, f.plot.bottom()));
        p.setPen(QPen(kFrame, 0));
        p.drawLine(QPointF(x, f.plot.bottom()), QPointF(x, f.plot.bottom() + kTickLength));
        p.setPen(kText);
        const double w = fm.horizontalAdvance(t.text);
        const double left = std::clamp(x - w / 2, f.area.left(), f.area.right() - w);
        if (left > textEnd + 6) {
            p.drawText(QRectF(left, f.plot.bottom() + kTickLength + 1, w + 2, fm.height()),
                       Qt::AlignLeft | Qt::AlignTop, t.text);
            textEnd = left + w;
        }
        if (!t.second.isEmpty()) {
            const double w2 = fm.horizontalAdvance(t.second);
            const double left2 = std::clamp(x - w2 / 2, f.area.left(), f.area.right() - w2);
            if (left2 > secondEnd + 10) {
                p.drawText(QRectF(left2, f.plot.bottom() + kTickLength + 1 + fm.height(), w2 + 2,
                                  fm.height()),
                           Qt::AlignLeft | Qt::AlignTop, t.second);
                secondEnd = left2 + w2;
            }
        }
    }
}

void paintValueAxes(QPainter& p, const PlotFrame& f, const QFontMetricsF& fm)
{
    bool grid = true;
    for (const PlotAxis& a : f.axes) {
        const ValueScale& s = a.scale;
        p.setPen(QPen(a.colour, 0));
        p.drawLine(QPointF(a.edge, f.plot.top()), QPointF(a.edge, f.plot.bottom()));
        for (double v = std::ceil(s.low / s.step - 1e-9) * s.step; v <= s.high + s.step * 1e-6;
             v += s.step) {
            const double y = f.yOf(a, v);
            if (grid) {
                p.setPen(QPen(kGrid, 0));
                p.drawLine(QPointF(f.plot.left(), y), QPointF(f.plot.right(), y));
            }
            p.setPen(QPen(a.colour, 0));
            const double tick = a.left ? -kTickLength : kTickLength;
            p.drawLine(QPointF(a.edge, y), QPointF(a.edge + tick, y));
            const QString text = plottext::value(v, s.decimals);
            const double w = fm.horizontalAdvance(text);
            const double x = a.left ? a.edge - kTickLength - 3 - w : a.edge + kTickLength + 3;
            p.drawText(QRectF(x, y - fm.height() / 2, w + 2, fm.height()),
                       Qt::AlignLeft | Qt::AlignVCenter, text);
        }
        grid = false; // the first axis' lines only, so the plot does not fill with grids
        // The unit's name above its own column, clear of the axis beside it.
        const double w = fm.horizontalAdvance(a.label);
        const double x = a.left ? a.edge - w : a.edge + 1;
        p.drawText(QRectF(x, f.plot.top() - fm.height() - 3, w + 2, fm.height()),
                   Qt::AlignLeft | Qt::AlignBottom, a.label);
    }
}

void paintSeries(QPainter& p, const PlotData& data, const PlotFrame& f, const PlotAxis& a,
                 const std::vector<qint64>& bounds, bool screen)
{
    const Series& s = a.series;
    const Channel& c = data.channels[size_t(s.channel)];
    const std::vector<PixelColumn> columns = pixelColumns(data, s, bounds);
    const int width = int(columns.size());
    const qint64 rowsInView = bounds.back() - bounds.front();
    const bool everyPoint = rowsInView * 6 <= width;

    std::vector<QLineF> lines;
    std::vector<QPointF> dots;
    lines.reserve(size_t(width) * 2 + 4);
    struct Last
    {
        double x, y;
        qint64 row;
    };
    std::optional<Last> last;
    std::optional<QPointF> lone; // a point not joined to the one before; a dot unless one follows

    auto take = [&](double x, const PixelColumn& col) {
        if (col.count == 0)
            return;
        const double yFirst = f.yOf(a, c.values.at(col.firstRow));
        const double yLast = f.yOf(a, c.values.at(col.lastRow));
        const bool joined = last && col.firstRow == last->row + 1 && !data.gapBefore(col.firstRow);
        if (joined) {
            lines.emplace_back(last->x, last->y, x, yFirst);
            lone.reset();
        } else {
            if (lone)
                dots.push_back(*lone);
            lone = QPointF(x, yFirst);
        }
        const double yMin = f.yOf(a, col.min), yMax = f.yOf(a, col.max);
        if (std::fabs(yMin - yMax) >= 0.5) {
            lines.emplace_back(x, yMin, x, yMax);
            lone.reset();
        }
        if (everyPoint)
            dots.emplace_back(x, yFirst);
        last = Last{x, yLast, col.lastRow};
    };
    // The rows just outside the view, so lines run on to the edges.
    auto outside = [&](qint64 row) {
        if (row < 0 || row >= data.rowCount() || c.values.isGap(row) ||
            data.unitAt(s.channel, row) != s.unit)
            return;
        const double v = c.values.at(row);
        take(f.xOf(data.key(row)), PixelColumn{1, v, v, row, row});
    };
    outside(bounds.front() - 1);
    for (int col = 0; col < width; ++col)
        take(f.plot.left() + col + 0.5, columns[size_t(col)]);
    outside(bounds.back());
    if (lone && !everyPoint)
        dots.push_back(*lone);

    p.save();
    p.setClipRect(f.plot.adjusted(-1, -1, 1, 1));
    if (screen) {
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QPen(a.colour, 0));
        p.drawLines(lines.data(), int(lines.size()));
    } else {
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(QPen(a.colour, 1.3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawLines(lines.data(), int(lines.size()));
    }
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(a.colour);
    const double r = everyPoint ? 2.2 : 1.8;
    for (const QPointF& d : dots)
        p.drawEllipse(d, r, r);
    p.restore();
}

void paintMarks(QPainter& p, const PlotData& data, const PlotFrame& f, const QFontMetricsF& fm)
{
    p.save();
    p.setClipRect(f.plot.adjusted(-8, -8, 8, 8));
    p.setRenderHint(QPainter::Antialiasing, true);
    double labelEnd = -1e9;
    for (const Mark& m : data.marks) {
        const double x = f.xOf(m.key);
        if (x < f.plot.left() - 6 || x > f.plot.right() + 6)
            continue;
        switch (m.kind) {
        case MarkKind::High:
        case MarkKind::Lo: {
            const int axis = f.axisOf(m.channel, m.unit);
            if (axis < 0)
                break;
            const PlotAxis& a = f.axes[size_t(axis)];
            const double y = f.yOf(a, m.value);
            if (y < f.plot.top() - 6 || y > f.plot.bottom() + 6)
                break;
            p.setPen(QPen(kText, 1));
            p.setBrush(a.colour);
            triangle(p, QPointF(x, y), m.kind == MarkKind::High, 5);
            break;
        }
        case MarkKind::DataLost:
            p.setPen(QPen(kDataLost, 1.5));
            cross(p, QPointF(x, f.plot.bottom() - 6), 3.5);
            break;
        case MarkKind::ClockBack:
        case MarkKind::Collection: {
            const bool back = m.kind == MarkKind::ClockBack;
            p.setPen(QPen(back ? kClockBack : kCollection, back ? 1.5 : 1, Qt::DashLine));
            p.drawLine(QPointF(x, f.plot.top()), QPointF(x, f.plot.bottom()));
            if (back) {
                const QString text = plottext::time(double(m.realFrom)) + QStringLiteral(" → ") +
                                     plottext::time(double(m.realTo));
                const double w = fm.horizontalAdvance(text);
                if (x + 4 > labelEnd && x + 4 + w < f.plot.right()) {
                    p.setPen(kClockBack);
                    p.drawText(QRectF(x + 4, f.plot.top() + 2, w + 2, fm.height()),
                               Qt::AlignLeft | Qt::AlignTop, text);
                    labelEnd = x + 4 + w + 6;
                }
            }
            break;
        }
        }
    }
    p.restore();
}

} // namespace

QFont plotFont()
{
    QFont f;
    f.setPixelSize(12);
    return f;
}

PlotView wholeView(const PlotData& data)
{
    PlotView v;
    v.from = data.firstKey();
    v.to = data.lastKey();
    if (v.to - v.from < 1) {
        v.from -= 5;
        v.to += 5;
    }
    return v;
}

double PlotFrame::yOf(const PlotAxis& a, double v) const
{
    const double y =
        plot.bottom() - plot.height() * (v - a.scale.low) / (a.scale.high - a.scale.low);
    return std::clamp(y, plot.top() - 1e5, plot.bottom() + 1e5);
}

double PlotFrame::valueAt(const PlotAxis& a, double y) const
{
    return a.scale.low + (plot.bottom() - y) * (a.scale.high - a.scale.low) / plot.height();
}

int PlotFrame::axisOf(int channel, int unit) const
{
    for (size_t i = 0; i < axes.size(); ++i)
        if (axes[i].series.channel == channel && axes[i].series.unit == unit)
            return int(i);
    return -1;
}

std::vector<qint64> columnBounds(const PlotData& data, double from, double to, int width)
{
    std::vector<qint64> bounds(size_t(width) + 1);
    const double step = (to - from) / width;
    for (int c = 0; c < width; ++c)
        bounds[size_t(c)] = data.lowerBound(from + step * c);
    bounds[size_t(width)] = data.upperBound(to);
    return bounds;
}

std::vector<PixelColumn> pixelColumns(const PlotData& data, const Series& s,
                                      const std::vector<qint64>& bounds)
{
    const Channel& ch = data.channels[size_t(s.channel)];
    std::vector<PixelColumn> out(bounds.size() - 1);
    for (size_t c = 0; c + 1 < bounds.size(); ++c) {
        PixelColumn& col = out[c];
        data.forEachPiece(s.channel, s.unit, bounds[c], bounds[c + 1], [&](qint64 a, qint64 b) {
            const SpanStats mm = ch.summary.minMax(ch.values, a, b);
            if (mm.count == 0)
                return;
            if (col.count == 0) {
                col.min = mm.min;
                col.max = mm.max;
                col.firstRow = data.firstNumber(s.channel, a, b);
            } else {
                col.min = std::min(col.min, mm.min);
                col.max = std::max(col.max, mm.max);
            }
            col.count += mm.count;
            col.lastRow = data.lastNumber(s.channel, a, b);
        });
    }
    return out;
}

PlotFrame layoutPlot(const PlotData& data, const PlotView& view, const QRectF& area,
                     const PlotStyle& style)
{
    PlotFrame f;
    f.area = area;
    f.from = view.from;
    f.to = view.to > view.from ? view.to : view.from + 1;
    const QFontMetricsF fm(plotFont());
    const std::vector<Series> series = data.series();

    // Top to bottom: title, legend, unit names, plot, tick texts and dates.
    double top = area.top() + kMargin;
    if (!style.title.isEmpty())
        top += fm.height() * 1.25 + 4;
    f.legendTop = top;
    for (const Series& s : series)
        f.axes.push_back({s,
                          seriesColour(s.channel, s.rank),
                          data.unitNames.value(s.unit),
                          s.channel % 2 == 0,
                          0,
                          {}});
    for (PlotAxis& a : f.axes)
        if (a.label.isEmpty())
            a.label = data.channels[size_t(a.series.channel)].name;
    const int legend = legendLines(legendItems(data, f.axes), area.width() - 2 * kMargin, fm);
    top += legend * (fm.height() + 4) + fm.height() + 6;
    const double bottom = area.bottom() - kTickLength - 2 * fm.height() - 4;
    const double height = std::max(10.0, bottom - top);
    const int lines = int(std::clamp(height / 45, 2.0, 12.0));

    // Each axis' span: what the zoom box holds, or the values in view (else the whole file's).
    const qint64 r0 = data.lowerBound(f.from), r1 = data.upperBound(f.to);
    for (size_t i = 0; i < f.axes.size(); ++i) {
        PlotAxis& a = f.axes[i];
        if (view.fixedValues.size() == f.axes.size()) {
            a.scale = fixedScale(view.fixedValues[i].first, view.fixedValues[i].second, lines);
            continue;
        }
        SpanStats range = seriesRange(data, a.series, r0, r1);
        if (range.count == 0)
            range = seriesRange(data, a.series, 0, data.rowCount());
        a.scale = valueScale(range.min, range.max, lines);
    }

    // Left axes outwards from the plot's left edge, right axes from its right edge.
    double leftWidth = 0, rightWidth = 0;
    for (const PlotAxis& a : f.axes)
        (a.left ? leftWidth : rightWidth) += axisWidth(a, fm);
    const double halfLabel = fm.horizontalAdvance(QStringLiteral("00:00:00")) / 2;
    const double left = area.left() + kMargin + std::max(leftWidth, halfLabel);
    const double right = area.right() - kMargin - std::max(rightWidth, halfLabel);
    f.plot = QRectF(QPointF(left, top), QPointF(std::max(left + 10, right), top + height));
    double l = f.plot.left(), r = f.plot.right();
    for (PlotAxis& a : f.axes) {
        if (a.left) {
            a.edge = l;
            l -= axisWidth(a, fm);
        } else {
            a.edge = r;
            r += axisWidth(a, fm);
        }
    }
    return f;
}

void paintPlot(QPainter& p, const PlotData& data, const PlotFrame& f, const PlotStyle& style)
{
    p.save();
    p.fillRect(f.area, Qt::white);
    p.setFont(plotFont());
    const QFontMetricsF fm(plotFont());
    if (!style.title.isEmpty()) {
        QFont bold = plotFont();
        bold.setBold(true);
        p.setFont(bold);
        p.setPen(kText);
        p.drawText(QRectF(f.area.left() + kMargin, f.area.top() + kMargin,
                          f.area.width() - 2 * kMargin, fm.height() * 1.25),
                   Qt::AlignLeft | Qt::AlignVCenter, style.title);
        p.setFont(plotFont());
    }
    const int width = std::max(1, int(std::floor(f.plot.width())));
    const std::vector<qint64> bounds = columnBounds(data, f.from, f.to, width);
    paintGaps(p, data, f, bounds.front(), bounds.back(), fm);
    paintXAxis(p, data, f, fm);
    paintValueAxes(p, f, fm);
    // Display 1 on top, as in the live graph.
    for (auto a = f.axes.rbegin(); a != f.axes.rend(); ++a)
        paintSeries(p, data, f, *a, bounds, style.screen);
    paintMarks(p, data, f, fm);
    p.setPen(QPen(kFrame, 0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(f.plot);
    paintLegend(p, data, f, fm);
    if (f.axes.empty() && !style.emptyText.isEmpty()) {
        p.setPen(kText);
        p.drawText(f.plot.adjusted(10, 10, -10, -10), Qt::AlignCenter | Qt::TextWordWrap,
                   style.emptyText);
    }
    p.restore();
}
