#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSettings>
#include <memory>
#include <optional>

class QWidget;

// A window that would stand out of its screen's available area is made to fit, frame and all,
// and moved inside it: a large window on a small screen (1366 x 768) must show its foot.
void fitToScreen(QWidget* w);

// Where windows open. The main window opens where it was left; each other window opens, the first
// time, in free space beside the main window and the windows already shown (cascading from the
// main window only when the screen has no free place left), and after that where the user left
// it. Positions live in the settings given; a
// position that is on no screen any more falls back to the default.
class WindowPlacement : public QObject
{
    Q_OBJECT
  public:
    // Without settings nothing is remembered between runs.
    explicit WindowPlacement(std::unique_ptr<QSettings> settings = nullptr,
                             QObject* parent = nullptr);
    ~WindowPlacement() override;

    // The settings the places are kept in, for the program's other settings; none: nothing kept.
    QSettings* settings() const { return m_settings.get(); }

    // Before the main window is first shown. From then on every other window of the program
    // (not dialogs, menus or tool tips) is placed at its first showing.
    void setMainWindow(QWidget* main);

    // Frame rectangle for a window of the given frame size shown for the first time: inside the
    // screen's available area, beside the frames already there (`taken`: the main window's first,
    // then the windows shown), overlapping none. Of the free places it takes the one that leaves
    // the most room in one piece for the windows still to come, then the one nearest the main
    // window. Nothing when no free place is left.
    static std::optional<QRect> freePlace(const QRect& available, const QList<QRect>& taken,
                                          const QSize& frame);
    // The largest rectangle inside `available` that overlaps none of `taken`; its area.
    static qint64 largestFreeArea(const QRect& available, const QList<QRect>& taken);
    // Frame rectangle for the index-th window placed by default, of the given frame size, beside
    // the main window's frame, inside the screen's available area: the cascade, for when no free
    // place is left.
    static QRect besideMain(const QRect& mainFrame, const QRect& available, const QSize& frame,
                            int index);
    // Whether a window whose frame would stand at `frame` can be reached: its title bar is on a
    // screen.
    static bool reachable(const QRect& frame, const QList<QRect>& screens);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool isPlaced(const QWidget* w) const;
    void place(QWidget* w);
    void save(QWidget* w);
    bool restore(QWidget* w);
    QSize frameMargins() const;
    QPoint insideOffset() const; // from the frame's top left corner to the inside's
    static void setInside(QWidget* w, const QRect& inside);

    std::unique_ptr<QSettings> m_settings;
    QPointer<QWidget> m_main;
};
