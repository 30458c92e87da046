#include "window_keys.h"

#include <QAction>
#include <QEvent>
#include <QMenuBar>
#include <QShortcut>
#include <QWidget>

namespace {

class FocusOnShow : public QObject
{
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched == parent()) {
            // Asked before the window is mapped, the platform grants it once the window is.
            static_cast<QWidget*>(watched)->activateWindow();
        }
        return false;
    }
};

} // namespace

void takeFocusWhenShown(QWidget* window)
{
    window->installEventFilter(new FocusOnShow(window));
}

void openMenusWithF10(QMenuBar* bar)
{
    auto* key = new QShortcut(QKeySequence(Qt::Key_F10), bar); // while bar's window is active
    QObject::connect(key, &QShortcut::activated, bar, [bar] {
        for (QAction* a : bar->actions())
            if (a->isVisible() && a->isEnabled() && a->menu()) {
                bar->setActiveAction(a);
                return;
            }
    });
}
