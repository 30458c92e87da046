#include "data_display.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <algorithm>

#include "list_keys.h"
#include "twips.h"

// ---- RawListBox ----

namespace {

// A scroll bar that draws itself again only when it would look different. A list that grows by a
// line a packet changes its range all the time, but past a screenful the handle keeps its place and
// size, and redrawing the bar for nothing cost more than drawing the new line.
class QuietScrollBar : public QScrollBar
{
  public:
    using QScrollBar::QScrollBar;

  protected:
    void sliderChange(SliderChange change) override
    {
        if (change != SliderOrientationChange && look() == m_painted)
            return;
        QScrollBar::sliderChange(change);
    }
    void paintEvent(QPaintEvent* event) override
    {
        m_painted = look();
        // Under the pointer the bar lights the part hovered or pressed: the bar draws that itself.
        if (underMouse() || isSliderDown() || event->rect().height() < kBandRows) {
            QScrollBar::paintEvent(event);
            return;
        }
        // The style's fills over the bar's whole height went to the raster engine's helper
        // threads, which cost more to wake than the fills: draw a band of rows at a time.
        QStyleOptionSlider opt;
        initStyleOption(&opt);
        opt.subControls = QStyle::SC_All;
        QPainter p(this);
        const qreal dpr = devicePixelRatioF();
        const QRect r = event->rect();
        for (int y = r.top(); y <= r.bottom(); y += kBandRows) {
            const QRect band(r.left(), y, r.width(), std::min(kBandRows, r.bottom() + 1 - y));
            QImage img((QSizeF(band.size()) * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
            img.setDevicePixelRatio(dpr);
            img.fill(Qt::transparent);
            QPainter bp(&img);
            bp.translate(-band.topLeft());
            style()->drawComplexControl(QStyle::CC_ScrollBar, &opt, &bp, this);
            bp.end();
            p.drawImage(band.topLeft(), img);
        }
    }

  private:
    struct Look
    {
        QRect handle;
        bool atStart, atEnd;
        bool operator==(const Look&) const = default;
    };
    Look look() const
    {
        QStyleOptionSlider opt;
        initStyleOption(&opt);
        return {
            style()->subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarSlider, this),
            value() == minimum(), value() == maximum()};
    }
    static constexpr int kBandRows = 64;
    Look m_painted{};
};

} // namespace

RawListBox::RawListBox(QWidget* parent) : QAbstractScrollArea(parent)
{
    setVerticalScrollBar(new QuietScrollBar(Qt::Vertical, this));
    setUpRowList(this);
}

int RawListBox::rowHeight() const
{
    return std::max(1, fontMetrics().height() + 2);
}

int RawListBox::rowsInView() const
{
    return std::max(1, viewport()->height() / rowHeight());
}

int RawListBox::topRow() const
{
    return m_topArrival < 0 ? 0 : int(m_lines.size() - 1 - m_topArrival);
}

void RawListBox::scrollContentsBy(int, int)
{
    // The user scrolled (or the range caught up): the line now at the top is the one to keep.
    const int value = verticalScrollBar()->value();
    const qsizetype anchor = value <= 0 ? -1 : arrivalOf(std::min(value, count() - 1));
    if (anchor == m_topArrival)
        return;
    m_topArrival = anchor;
    viewport()->update();
}

int RawListBox::selectedRow() const
{
    return m_selected < 0 ? -1 : int(m_lines.size() - 1 - m_selected);
}

QString RawListBox::line(int row) const
{
    if (row < 0 || row >= count())
        return QString();
    return m_lines.at(arrivalOf(row));
}

void RawListBox::updateScrollRange()
{
    QScrollBar* sb = verticalScrollBar();
    const int page = rowsInView();
    const int top = topRow();
    sb->setPageStep(page);
    sb->setRange(0, std::max(0, count() - page));
    sb->setValue(top);
}

void RawListBox::addLine(const QString& line)
{
    m_lines.append(line);
    // A scroll bar range change queues a call inside the scroll area; one per event-loop turn
    // is enough, and a writer that adds lines without yielding must not pile them up.
    ++m_arrived;
    if (!m_rangePending) {
        m_rangePending = true;
        QMetaObject::invokeMethod(this, &RawListBox::takeArrivals, Qt::QueuedConnection);
    }
}

// Once per event-loop turn, however many lines came in it.
void RawListBox::takeArrivals()
{
    m_rangePending = false;
    const int arrived = std::exchange(m_arrived, 0);
    if (!isVisible())
        return; // the scroll bar catches up when the list is shown
    updateScrollRange();
    // At the top the newest lines come into sight: what is on screen moves down and only the new
    // rows are drawn. Further down, the lines being read stay put and only the scroll bar moves.
    if (m_topArrival >= 0)
        return;
    if (arrived < rowsInView())
        viewport()->scroll(0, arrived * rowHeight());
    else
        viewport()->update();
}

void RawListBox::clear()
{
    m_lines.clear();
    m_shaped.clear();
    m_selected = -1;
    m_topArrival = -1;
    m_arrived = 0;
    updateScrollRange();
    viewport()->update();
}

void RawListBox::paintEvent(QPaintEvent* event)
{
    QPainter p(viewport());
    const int rh = rowHeight();
    const int top = topRow();
    const QRect dirty = event->rect();
    const int first = top + std::max(0, dirty.top()) / rh;
    const int last = std::min(count() - 1, top + dirty.bottom() / rh);
    // Lines keep their laid-out text while they stay in sight: a new line moves the others down,
    // and only the new one needs shaping.
    const int lastInSight = top + viewport()->height() / rh;
    for (auto it = m_shaped.begin(); it != m_shaped.end();) {
        const qsizetype row = m_lines.size() - 1 - it.key();
        it = row < top || row > lastInSight ? m_shaped.erase(it) : std::next(it);
    }
    for (int row = first; row <= last; ++row) {
        const qsizetype arrival = arrivalOf(row);
        const QRect r(0, (row - top) * rh, viewport()->width(), rh);
        const bool selected = arrival == m_selected;
        if (selected)
            p.fillRect(r, palette().brush(QPalette::Highlight));
        p.setPen(palette().color(selected ? QPalette::HighlightedText : QPalette::Text));
        auto it = m_shaped.constFind(arrival);
        QStaticText text = it != m_shaped.cend() ? *it : QStaticText(m_lines.at(arrival));
        if (it == m_shaped.cend()) {
            text.setTextFormat(Qt::PlainText);
            text.prepare(QTransform(), font());
        }
        p.drawStaticText(r.left() + 3, r.top() + 1, text);
        m_shaped.insert(arrival, text);
    }
}

void RawListBox::showEvent(QShowEvent* event)
{
    QAbstractScrollArea::showEvent(event);
    updateScrollRange();
}

void RawListBox::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollRange();
}

void RawListBox::mousePressEvent(QMouseEvent* event)
{
    const int row = topRow() + int(event->position().y()) / rowHeight();
    m_selected = row < count() ? arrivalOf(row) : -1;
    viewport()->update();
}

void RawListBox::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Copy)) {
        if (m_selected >= 0)
            QApplication::clipboard()->setText(m_lines.at(m_selected));
        return;
    }
    const int page = rowsInView();
    const std::optional<int> to = rowForKey(event->key(), selectedRow(), page, count());
    if (!to) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    if (count() == 0)
        return;
    const int row = *to;
    m_selected = arrivalOf(row);
    QScrollBar* sb = verticalScrollBar();
    if (row < topRow())
        sb->setValue(row);
    else if (row >= topRow() + page)
        sb->setValue(row - page + 1);
    viewport()->update();
}

void RawListBox::changeEvent(QEvent* event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        m_shaped.clear();
        updateScrollRange();
    }
}

// ---- FrmDataDisplay ----

FrmDataDisplay::FrmDataDisplay(QWidget* parent) : QWidget(parent, Qt::Tool)
{
    setWindowTitle(QStringLiteral("Data Display"));
    Command1 = new QPushButton(QStringLiteral("Hide"), this);
    Command2 = new QPushButton(QStringLiteral("Clear Display"), this);
    List1 = new RawListBox(this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command2->setObjectName(QStringLiteral("Command2"));
    List1->setObjectName(QStringLiteral("List1"));
    // A compact button row, so that the list's rule (outer height less 400 twips) leaves the
    // list's foot near the window's.
    const int gap = 2;
    const QSize b1 = Command1->sizeHint();
    const QSize b2 = Command2->sizeHint();
    const int bw = std::max(b1.width(), b2.width()) + 8;
    const int bh = std::max(20, twipsToPixels(400, this) - 3 * gap);
    Command1->setGeometry(gap, gap, bw, bh);
    Command2->setGeometry(2 * gap + bw, gap, bw, bh);
    List1->move(0, 2 * gap + bh);
    connect(Command1, &QPushButton::clicked, this, &FrmDataDisplay::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &FrmDataDisplay::Command2_Click);
    resize(twipsToPixels(6600, this), twipsToPixels(4400, this));
}

void FrmDataDisplay::Command1_Click()
{
    hide();
}

void FrmDataDisplay::Command2_Click()
{
    List1->clear();
}

void FrmDataDisplay::addLine(const QString& line)
{
    List1->addLine(line);
}

int FrmDataDisplay::lineCount() const
{
    return List1->count();
}

QString FrmDataDisplay::line(int index) const
{
    return List1->line(index);
}

void FrmDataDisplay::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // Outer sizes less the margins that keep the list clear of the border; never below 0.
    const int w = std::max(0, twipsToPixels(outerWidthTwips(this) - 150, this));
    const int h = std::max(0, twipsToPixels(outerHeightTwips(this) - 400, this));
    List1->resize(w, h);
}
