#include "window_placement.h"

#include <QApplication>
#include <QDialog>
#include <QScreen>
#include <QSettings>
#include <QStyle>
#include <QWidget>

namespace {

constexpr int kGap = 8;   // between the main window and the first window beside it
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
    // Each window already open beside the main one moves the next one a step down the cascade.
    int open = 0;
    for (const QWidget* o : QApplication::topLevelWidgets())
        open += o != w && o != m_main && o->isVisible() && isProgramWindow(o) && isPlaced(o);
    const QRect mainFrame(m_main->pos(), m_main->size() + frameMargins());
    const QRect frame =
        besideMain(mainFrame, s->availableGeometry(), w->size() + frameMargins(), open);
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
