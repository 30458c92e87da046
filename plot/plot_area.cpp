#include "plot_area.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace {

constexpr double kWheelStep = 1.25; // zoom of one wheel notch
constexpr int kMinBox = 5;          // pixels a box must span to zoom
const QColor kCursor(60, 60, 60);

} // namespace

PlotArea::PlotArea(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(320, 200);
}

bool PlotArea::hasPlot() const
{
    return m_data && !m_data->series().empty();
}

void PlotArea::setData(const PlotData* data)
{
    m_data = data;
    if (m_data) {
        m_view = wholeView(*m_data);
        m_whole = true;
        m_lastKey = m_data->lastKey();
    }
    changed();
    emit viewChanged();
}

void PlotArea::setEmptyText(const QString& text)
{
    m_emptyText = text;
    changed();
}

void PlotArea::rowsAppended()
{
    if (!m_data)
        return;
    const double newest = m_data->lastKey();
    if (m_follow) {
        if (m_whole) {
            m_view = wholeView(*m_data);
        } else if (m_view.to >= m_lastKey) {
            // The newest rows were in view: they stay, the span moving with them.
            m_view.from += newest - m_lastKey;
            m_view.to += newest - m_lastKey;
        }
    }
    m_lastKey = newest;
    changed();
    emit viewChanged();
}

void PlotArea::keysRelabelled()
{
    changed();
    emit viewChanged();
}

void PlotArea::setView(PlotView v)
{
    if (!m_data)
        return;
    const PlotView all = wholeView(*m_data);
    const double fileSpan = all.to - all.from;
    double span = std::clamp(v.to - v.from, std::min(MinSpan, fileSpan), fileSpan * 4 + MinSpan);
    const double middle = (v.from + v.to) / 2;
    v.from = middle - span / 2;
    v.to = middle + span / 2;
    // Some of the file stays in view.
    if (v.to < all.from + span * 0.1) {
        v.from += all.from + span * 0.1 - v.to;
        v.to = v.from + span;
    }
    if (v.from > all.to - span * 0.1) {
        v.to -= v.from - (all.to - span * 0.1);
        v.from = v.to - span;
    }
    m_whole = v.from == all.from && v.to == all.to && v.fixedValues.empty();
    m_view = v;
    m_lastKey = m_data->lastKey();
    changed();
    emit viewChanged();
}

void PlotArea::showWhole()
{
    if (!m_data)
        return;
    setView(wholeView(*m_data));
}

void PlotArea::showNewest()
{
    if (!m_data)
        return;
    const double span = m_view.to - m_view.from;
    PlotView v = m_view;
    v.to = m_data->lastKey() + span * 0.02;
    v.from = v.to - span;
    setView(v);
}

void PlotArea::zoomAbout(double key, double factor)
{
    const double span = m_view.to - m_view.from;
    PlotView v = m_view;
    const double wanted = span * factor;
    v.from = key - (key - m_view.from) * wanted / span;
    v.to = v.from + wanted;
    // A span held at its limit keeps the pointer's key in place rather than drifting.
    if (m_data) {
        const PlotView all = wholeView(*m_data);
        const double limited = std::clamp(wanted, std::min(MinSpan, all.to - all.from),
                                          (all.to - all.from) * 4 + MinSpan);
        if (limited != wanted) {
            v.from = key - (key - m_view.from) * limited / span;
            v.to = v.from + limited;
        }
    }
    setView(v);
}

void PlotArea::panBy(double fraction)
{
    const double shift = (m_view.to - m_view.from) * fraction;
    PlotView v = m_view;
    v.from += shift;
    v.to += shift;
    setView(v);
}

void PlotArea::changed()
{
    m_current = false;
    update();
}

const PlotFrame& PlotArea::frame()
{
    ensureFrame();
    return m_frame;
}

void PlotArea::ensureFrame()
{
    if (m_current && m_picture.size() == (QSizeF(size()) * devicePixelRatioF()).toSize())
        return;
    const qreal dpr = devicePixelRatioF();
    m_picture = QPixmap((QSizeF(size()) * dpr).toSize());
    m_picture.setDevicePixelRatio(dpr);
    QPainter p(&m_picture);
    PlotStyle style;
    style.screen = true;
    style.emptyText = m_emptyText;
    if (m_data) {
        m_frame = layoutPlot(*m_data, m_view, rect(), style);
        paintPlot(p, *m_data, m_frame, style);
    } else {
        m_frame = PlotFrame();
        p.fillRect(rect(), Qt::white);
        p.setPen(QColor(40, 40, 40));
        p.drawText(rect().adjusted(20, 20, -20, -20), Qt::AlignCenter | Qt::TextWordWrap,
                   m_emptyText);
    }
    m_current = true;
}

qint64 PlotArea::nearestRow(double key) const
{
    if (!m_data || m_data->rowCount() == 0)
        return -1;
    const qint64 after = m_data->lowerBound(key);
    qint64 row = after;
    if (row >= m_data->rowCount() ||
        (row > 0 && key - m_data->key(row - 1) < m_data->key(row) - key))
        row = after - 1;
    row = std::max<qint64>(row, 0);
    // Further than a step or a pixel away: the pointer is in a gap, or beyond the file.
    const double pixel = (m_view.to - m_view.from) / std::max(1.0, m_frame.plot.width());
    const double near = std::max(m_data->usualStep(), pixel) * 1.5;
    return std::fabs(m_data->key(row) - key) > near ? -1 : row;
}

QStringList PlotArea::cursorTexts(double key) const
{
    if (!m_data || m_data->rowCount() == 0)
        return {};
    QStringList out{plottext::key(*m_data, key)};
    const qint64 row = nearestRow(key);
    if (row < 0) {
        out << QStringLiteral("no row here");
        return out;
    }
    for (int c = 0; c < int(m_data->channels.size()); ++c) {
        const Channel& ch = m_data->channels[size_t(c)];
        const QString unit = m_data->unitNames.value(m_data->unitAt(c, row));
        QString text = ch.name + QStringLiteral(": ");
        if (ch.values.isGap(row))
            text += QStringLiteral("no number");
        else
            text += plottext::value(ch.values.at(row), ch.values.decimals()) +
                    (unit.isEmpty() || unit == ch.name ? QString() : u' ' + unit);
        out << text;
    }
    return out;
}

QRect PlotArea::cursorBox(const QStringList& texts) const
{
    const QFontMetrics fm(plotFont());
    int w = 0;
    for (const QString& t : texts)
        w = std::max(w, fm.horizontalAdvance(t));
    QRect box(m_pointer->x() + 12, m_pointer->y() + 12, w + 12,
              int(texts.size()) * fm.height() + 6);
    if (box.right() > width())
        box.moveRight(m_pointer->x() - 12);
    if (box.bottom() > height())
        box.moveBottom(m_pointer->y() - 12);
    return box;
}

QRect PlotArea::cursorRect() const
{
    if (!m_pointer || !hasPlot() || !m_frame.plot.contains(*m_pointer))
        return QRect();
    const QRect line(m_pointer->x() - 1, int(m_frame.plot.top()) - 1, 3,
                     int(m_frame.plot.height()) + 3);
    return line.united(cursorBox(cursorTexts(m_frame.keyAt(m_pointer->x() + 0.5))))
        .adjusted(-2, -2, 2, 2);
}

void PlotArea::paintCursor(QPainter& p)
{
    if (!m_pointer || !hasPlot() || !m_frame.plot.contains(*m_pointer))
        return;
    const double x = m_pointer->x() + 0.5;
    const double key = m_frame.keyAt(x);
    p.setPen(QPen(kCursor, 0, Qt::DashLine));
    p.drawLine(QPointF(x, m_frame.plot.top()), QPointF(x, m_frame.plot.bottom()));
    const QStringList texts = cursorTexts(key);
    const QRect box = cursorBox(texts);
    p.setPen(QColor(150, 150, 150));
    p.setBrush(QColor(255, 255, 240));
    p.drawRect(box.adjusted(0, 0, -1, -1));
    p.setFont(plotFont());
    const QFontMetrics fm(p.font());
    // Each display's line in the colour of the unit it shows there.
    const qint64 row = nearestRow(key);
    const std::vector<Series> series = m_data->series();
    for (int i = 0; i < texts.size(); ++i) {
        QColor colour = kCursor;
        if (i > 0 && row >= 0) {
            const int unit = m_data->unitAt(i - 1, row);
            for (const Series& s : series)
                if (s.channel == i - 1 && s.unit == unit)
                    colour = seriesColour(s.channel, s.rank);
        }
        p.setPen(colour);
        p.drawText(
            QRect(box.left() + 6, box.top() + 3 + i * fm.height(), box.width() - 8, fm.height()),
            Qt::AlignLeft | Qt::AlignVCenter, texts[i]);
    }
}

void PlotArea::paintEvent(QPaintEvent*)
{
    ensureFrame();
    QPainter p(this);
    p.drawPixmap(0, 0, m_picture);
    if (m_drag == Drag::Box && !m_box.isNull()) {
        p.setPen(QPen(QColor(0, 0, 0, 160), 0, Qt::DashLine));
        p.setBrush(QColor(0, 90, 200, 30));
        p.drawRect(m_box.normalized());
    }
    paintCursor(p);
}

void PlotArea::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    changed();
}

void PlotArea::mousePressEvent(QMouseEvent* event)
{
    if (!hasPlot())
        return;
    m_pressAt = event->position().toPoint();
    m_pressView = m_view;
    const bool pan =
        event->button() == Qt::RightButton || event->button() == Qt::MiddleButton ||
        (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ShiftModifier));
    if (pan)
        m_drag = Drag::Pan;
    else if (event->button() == Qt::LeftButton)
        m_drag = Drag::Box;
    m_box = QRect();
}

void PlotArea::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    const QRect before = cursorRect();
    m_pointer = at;
    if (m_drag == Drag::Pan && m_frame.plot.width() > 0) {
        PlotView v = m_pressView;
        const double shift = (m_pressAt.x() - at.x()) * (v.to - v.from) / m_frame.plot.width();
        v.from += shift;
        v.to += shift;
        setView(v);
        return;
    }
    if (m_drag == Drag::Box) {
        const QRect old = m_box.normalized();
        m_box = QRect(m_pressAt, at).intersected(m_frame.plot.toAlignedRect());
        update(old.united(m_box.normalized()).adjusted(-2, -2, 2, 2));
    }
    update(before.united(cursorRect()));
}

void PlotArea::mouseReleaseEvent(QMouseEvent*)
{
    const Drag drag = m_drag;
    m_drag = Drag::None;
    if (drag != Drag::Box) {
        update();
        return;
    }
    const QRect box = m_box.normalized();
    m_box = QRect();
    update();
    if (box.width() < kMinBox && box.height() < kMinBox)
        return;
    PlotView v = m_view;
    if (box.width() >= kMinBox) {
        v.from = m_frame.keyAt(box.left());
        v.to = m_frame.keyAt(box.right() + 1);
    }
    if (box.height() >= kMinBox) {
        v.fixedValues.clear();
        for (const PlotAxis& a : m_frame.axes)
            v.fixedValues.emplace_back(m_frame.valueAt(a, box.bottom() + 1),
                                       m_frame.valueAt(a, box.top()));
    }
    setView(v);
}

void PlotArea::mouseDoubleClickEvent(QMouseEvent*)
{
    m_drag = Drag::None;
    showWhole();
}

void PlotArea::wheelEvent(QWheelEvent* event)
{
    if (!hasPlot())
        return;
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0)
        return;
    const double x = std::clamp(event->position().x(), m_frame.plot.left(), m_frame.plot.right());
    zoomAbout(m_frame.keyAt(x), std::pow(kWheelStep, -notches));
}

void PlotArea::keyPressEvent(QKeyEvent* event)
{
    const bool big = event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier);
    const double middle = (m_view.from + m_view.to) / 2;
    switch (event->key()) {
    case Qt::Key_Left:
        panBy(big ? -0.5 : -0.1);
        break;
    case Qt::Key_Right:
        panBy(big ? 0.5 : 0.1);
        break;
    case Qt::Key_PageUp:
        panBy(-1);
        break;
    case Qt::Key_PageDown:
        panBy(1);
        break;
    case Qt::Key_Up:
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        zoomAbout(middle, 1 / 1.5);
        break;
    case Qt::Key_Down:
    case Qt::Key_Minus:
        zoomAbout(middle, 1.5);
        break;
    case Qt::Key_Home:
        showWhole();
        break;
    case Qt::Key_End:
        showNewest();
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void PlotArea::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    const QRect before = cursorRect();
    m_pointer.reset();
    update(before);
}
