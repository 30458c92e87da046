#include "window_placement.h"

#include <QApplication>
#include <QDialog>
#include <QScreen>
#include <QSettings>
#include <QStyle>
#include <QWidget>
#include <algorithm>

namespace {

constexpr int kGap = 8;   // between windows side by side
constexpr int kStep = 28; // from one cascaded window to the next
constexpr int kCascades = 8;
const char* const kPlaced = "qvPlaced";

QString keyOf(const QWidget* w)
{
    return QStringLiteral("windows/") + QLatin1String(w->metaObject()->className());
}

// Program windows, as opposed to dialogs, menus, tool tips and other popups.
bool isProgramWindow(const QObject* o)
{
    if (!o->isWidgetType())
        return false;
    const auto* w = static_cast<const QWidget*>(o);
    if (!w->isWindow() || qobject_cast<const QDialog*>(w))
        return false;
    const Qt::WindowType t = w->windowType();
    return t == Qt::Window || t == Qt::Dialog || t == Qt::Tool;
}

} // namespace

WindowPlacement::WindowPlacement(std::unique_ptr<QSettings> settings, QObject* parent)
    : QObject(parent), m_settings(std::move(settings))
{
}

WindowPlacement::~WindowPlacement()
{
    if (m_settings)
        m_settings->sync();
}

void WindowPlacement::setMainWindow(QWidget* main)
{
    m_main = main;
    main->setProperty(kPlaced, true);
    if (!restore(main)) {
        if (const QScreen* s = QGuiApplication::primaryScreen())
            setInside(main, QRect(s->availableGeometry().topLeft() + QPoint(48, 48), main->size()));
    }
    qApp->installEventFilter(this);
}

bool WindowPlacement::isPlaced(const QWidget* w) const
{
    return w->property(kPlaced).toBool();
}

bool WindowPlacement::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::Show:
        if (isProgramWindow(watched)) {
            auto* w = static_cast<QWidget*>(watched);
            if (!isPlaced(w)) {
                w->setProperty(kPlaced, true);
                place(w);
            }
        }
        break;
    case QEvent::Hide:
    case QEvent::Close:
        if (isProgramWindow(watched) && isPlaced(static_cast<QWidget*>(watched)))
            save(static_cast<QWidget*>(watched));
        break;
    default:
        break;
    }
    return false;
}

QSize WindowPlacement::frameMargins() const
{
    // Taken from the main window once it is shown; a title bar's worth until then.
    if (m_main && m_main->isVisible())
        return m_main->frameGeometry().size() - m_main->size();
    return {8, QApplication::style()->pixelMetric(QStyle::PM_TitleBarHeight) + 8};
}

// Positions are kept and set as the window's inside, never its frame: a window that exists but has
// not been framed yet goes exactly there on every window system, and a remembered position does
// not creep by a title bar's height from one run to the next.
void WindowPlacement::setInside(QWidget* w, const QRect& inside)
{
    w->winId();
    w->setGeometry(inside);
}

QPoint WindowPlacement::insideOffset() const
{
    if (m_main && m_main->isVisible())
        return m_main->geometry().topLeft() - m_main->pos();
    const QSize m = frameMargins();
    return {m.width() / 2, m.height() - m.width() / 2};
}

void WindowPlacement::place(QWidget* w)
{
    if (restore(w) || !m_main)
        return;
    const QScreen* s = m_main->screen();
    if (!s)
        return;
    const QRect mainFrame(m_main->pos(), m_main->size() + frameMargins());
    QList<QRect> taken{mainFrame};
    for (const QWidget* o : QApplication::topLevelWidgets())
        if (o != w && o != m_main && o->isVisible() && isProgramWindow(o) && isPlaced(o))
            taken << QRect(o->pos(), o->size() + frameMargins());
    const QSize size = w->size() + frameMargins();
    // With no free place left, each window already open moves the next a step down the cascade.
    const QRect frame =
        freePlace(s->availableGeometry(), taken, size)
            .value_or(besideMain(mainFrame, s->availableGeometry(), size, int(taken.size()) - 1));
    setInside(w, QRect(frame.topLeft() + insideOffset(), w->size()));
}

void WindowPlacement::save(QWidget* w)
{
    if (m_settings)
        m_settings->setValue(keyOf(w), w->geometry());
}

bool WindowPlacement::restore(QWidget* w)
{
    if (!m_settings)
        return false;
    const QRect inside = m_settings->value(keyOf(w)).toRect();
    if (!inside.isValid())
        return false;
    QList<QRect> screens;
    for (const QScreen* s : QGuiApplication::screens())
        screens << s->availableGeometry();
    if (!reachable(QRect(inside.topLeft() - insideOffset(), inside.size() + frameMargins()),
                   screens))
        return false;
    setInside(w, inside);
    return true;
}

qint64 WindowPlacement::largestFreeArea(const QRect& available, const QList<QRect>& taken)
{
    // Every largest free rectangle has its sides on the area's edges or on the taken ones.
    QList<int> xs{available.left(), available.right() + 1};
    for (const QRect& t : taken)
        xs << std::clamp(t.left(), available.left(), available.right() + 1)
           << std::clamp(t.right() + 1, available.left(), available.right() + 1);
    std::sort(xs.begin(), xs.end());
    xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
    qint64 best = 0;
    QList<std::pair<int, int>> blocked;
    for (qsizetype i = 0; i < xs.size(); ++i) {
        for (qsizetype j = i + 1; j < xs.size(); ++j) {
            blocked.clear();
            for (const QRect& t : taken)
                if (t.left() < xs[j] && t.right() + 1 > xs[i])
                    blocked.push_back({t.top(), t.bottom() + 1});
            std::sort(blocked.begin(), blocked.end());
            int from = available.top();
            int tallest = 0;
            for (const auto& [top, end] : blocked) {
                tallest = std::max(tallest, top - from);
                from = std::max(from, end);
            }
            tallest = std::max(tallest, available.bottom() + 1 - from);
            best = std::max(best, qint64(xs[j] - xs[i]) * tallest);
        }
    }
    return best;
}

std::optional<QRect> WindowPlacement::freePlace(const QRect& available, const QList<QRect>& taken,
                                                const QSize& frame)
{
    // Places beside (a gap to the right of, or below) a window, or at the area's edge.
    QList<int> xs{available.left()}, ys{available.top()};
    for (const QRect& t : taken) {
        xs << t.left() << t.right() + 1 + kGap;
        ys << t.top() << t.bottom() + 1 + kGap;
    }
    struct Place
    {
        QRect r;
        qint64 room;
    };
    QList<Place> places;
    qint64 most = 0;
    for (const int x : xs) {
        for (const int y : ys) {
            const QRect r(QPoint(x, y), frame);
            if (!available.contains(r))
                continue;
            const bool clear = std::none_of(taken.begin(), taken.end(), [&](const QRect& t) {
                return r.intersects(t.adjusted(-kGap, -kGap, kGap, kGap));
            });
            if (!clear)
                continue;
            places.push_back({r, largestFreeArea(available, QList<QRect>(taken) << r)});
            most = std::max(most, places.back().room);
        }
    }
    // Room within a tenth of the most counts the same: then the place nearest the main window.
    const QPoint mainCentre = taken.isEmpty() ? available.topLeft() : taken.first().center();
    std::optional<QRect> best;
    int bestDistance = 0;
    for (const Place& p : places) {
        const int distance = (p.r.center() - mainCentre).manhattanLength();
        if (p.room * 10 >= most * 9 && (!best || distance < bestDistance)) {
            best = p.r;
            bestDistance = distance;
        }
    }
    return best;
}

QRect WindowPlacement::besideMain(const QRect& mainFrame, const QRect& available,
                                  const QSize& frame, int index)
{
    const int off = (index % kCascades) * kStep;
    QRect r(QPoint(mainFrame.right() + 1 + kGap + off, mainFrame.top() + off), frame);
    if (r.right() > available.right()) {
        // No room on the right: below the main window, clear of its menus.
        r.moveTopLeft(QPoint(mainFrame.left() + off, mainFrame.bottom() + 1 + kGap + off));
        if (r.right() > available.right())
            r.moveRight(available.right());
    }
    if (r.bottom() > available.bottom())
        r.moveBottom(available.bottom());
    if (r.left() < available.left())
        r.moveLeft(available.left());
    if (r.top() < available.top())
        r.moveTop(available.top());
    return r;
}

bool WindowPlacement::reachable(const QRect& frame, const QList<QRect>& screens)
{
    // Enough of the title bar to take hold of it.
    const QRect title(frame.topLeft(), QSize(frame.width(), 24));
    for (const QRect& s : screens) {
        const QRect seen = title & s;
        if (seen.width() >= std::min(48, frame.width()) && seen.height() >= 8)
            return true;
    }
    return false;
}

void fitToScreen(QWidget* w)
{
    const QScreen* s = w->screen();
    if (!s)
        return;
    // The frame as far as it is known; before the window system has framed the window, a title
    // bar's worth is kept free.
    QSize frame = w->frameGeometry().size() - w->size();
    if (frame.isEmpty())
        frame = QSize(8, w->style()->pixelMetric(QStyle::PM_TitleBarHeight) + 8);
    const QRect room = s->availableGeometry();
    const QSize fits = w->size().boundedTo(room.size() - frame);
    if (fits != w->size())
        w->resize(fits);
    // Its foot and right edge on the screen too (a window's position is its frame's).
    QRect g(w->pos(), w->size() + frame);
    if (!room.contains(g)) {
        g.moveRight(std::min(g.right(), room.right()));
        g.moveBottom(std::min(g.bottom(), room.bottom()));
        g.moveLeft(std::max(g.left(), room.left()));
        g.moveTop(std::max(g.top(), room.top()));
        w->move(g.topLeft());
    }
}
