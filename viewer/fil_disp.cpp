#include "fil_disp.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>

#include "list_keys.h"
#include "twips.h"
#include "window_placement.h"

// ---- FileListBox ----

FileListBox::FileListBox(QWidget* parent) : QAbstractScrollArea(parent)
{
    setUpRowList(this);
    // Fixed pitch, so the columns of the listed lines line up under the heading.
    QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    f.setStyleHint(QFont::TypeWriter);
    f.setPointSize(9);
    setFont(f);
}

int FileListBox::rowHeight() const
{
    return std::max(1, fontMetrics().height() + 1);
}

int FileListBox::rowsInView() const
{
    return std::max(1, viewport()->height() / rowHeight());
}

int FileListBox::count() const
{
    // A row count beyond what a list box can address is not reached by any file that fits.
    return m_listing ? int(std::min<qsizetype>(m_listing->rowCount(), INT_MAX)) : 0;
}

QString FileListBox::row(int row) const
{
    if (row < 0 || row >= count())
        return QString();
    return m_listing->row(row);
}

int FileListBox::topRow() const
{
    return verticalScrollBar()->value();
}

void FileListBox::updateScrollRange()
{
    QScrollBar* sb = verticalScrollBar();
    const int page = rowsInView();
    sb->setPageStep(page);
    sb->setRange(0, std::max(0, count() - page));
}

void FileListBox::clear()
{
    m_listing.reset();
    m_selected = -1;
    updateScrollRange();
    verticalScrollBar()->setValue(0);
    viewport()->update();
}

void FileListBox::setListing(FileListing listing)
{
    m_listing.emplace(std::move(listing));
    m_selected = -1;
    updateScrollRange();
    verticalScrollBar()->setValue(0);
    viewport()->update();
}

void FileListBox::paintEvent(QPaintEvent*)
{
    QPainter p(viewport());
    const int rh = rowHeight();
    const int first = topRow();
    const int last = std::min(count() - 1, first + viewport()->height() / rh + 1);
    for (int r = first; r <= last; ++r) {
        const QRect box(0, (r - first) * rh, viewport()->width(), rh);
        const bool selected = r == m_selected;
        if (selected)
            p.fillRect(box, palette().brush(QPalette::Highlight));
        p.setPen(palette().color(selected ? QPalette::HighlightedText : QPalette::Text));
        // A row wider than the list ends in a mark, so that a cut line never looks whole.
        const QRect text = box.adjusted(3, 0, 0, 0);
        p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   fontMetrics().elidedText(m_listing->row(r), Qt::ElideRight, text.width()));
    }
}

void FileListBox::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollRange();
}

void FileListBox::mousePressEvent(QMouseEvent* event)
{
    const int r = topRow() + int(event->position().y()) / rowHeight();
    m_selected = r < count() ? r : -1;
    viewport()->update();
}

void FileListBox::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Copy)) {
        if (m_selected >= 0)
            QApplication::clipboard()->setText(row(m_selected));
        return;
    }
    const int page = rowsInView();
    const std::optional<int> to = rowForKey(event->key(), m_selected, page, count());
    if (!to) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    if (count() == 0)
        return;
    m_selected = *to;
    QScrollBar* sb = verticalScrollBar();
    if (m_selected < sb->value())
        sb->setValue(m_selected);
    else if (m_selected >= sb->value() + page)
        sb->setValue(m_selected - page + 1);
    viewport()->update();
}

void FileListBox::changeEvent(QEvent* event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        updateScrollRange();
}

// ---- FrmFilDisp ----

namespace {
constexpr int kListTopTwips = 240;
}

FrmFilDisp::FrmFilDisp(QWidget* parent) : QWidget(parent, Qt::Tool)
{
    setWindowTitle(QStringLiteral("Data Display"));
    Command1 = new QPushButton(QStringLiteral("Hide"), this);
    List1 = new FileListBox(this);
    Command1->setObjectName(QStringLiteral("Command1"));
    List1->setObjectName(QStringLiteral("List1"));
    // The button fits in the strip above the list.
    const int top = twipsToPixels(kListTopTwips, this);
    QFont small = Command1->font();
    small.setPixelSize(std::max(8, top - 6));
    Command1->setFont(small);
    Command1->setGeometry(1, 0, Command1->fontMetrics().horizontalAdvance(Command1->text()) + 16,
                          top - 1);
    List1->move(0, top);
    connect(Command1, &QPushButton::clicked, this, &FrmFilDisp::Command1_Click);
    // "Plot" beside "Hide", in the same strip and the same small font.
    Command2 = new QPushButton(QStringLiteral("Plot"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setFont(small);
    const int plotWidth = Command2->fontMetrics().horizontalAdvance(Command2->text()) + 16;
    Command2->setGeometry(Command1->geometry().right() + 3, 0, plotWidth, top - 1);
    Command2->setEnabled(false);
    connect(Command2, &QPushButton::clicked, this, [this] { emit plotClicked(m_listedFile); });
    resize(twipsToPixels(9000, this), twipsToPixels(4800, this));
}

void FrmFilDisp::Command1_Click()
{
    hide();
}

void FrmFilDisp::setListedFile(const QString& path)
{
    m_listedFile = path;
    Command2->setEnabled(!path.isEmpty());
}

void FrmFilDisp::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    fitToScreen(this);
}


void FrmFilDisp::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // Outer sizes less the margins, never below 0; and never past the window's foot, where the
    // heading row would be cut off.
    const int w = std::max(0, twipsToPixels(outerWidthTwips(this) - 150, this));
    const int h = std::max(0, twipsToPixels(outerHeightTwips(this) - 400, this));
    List1->resize(w, std::min(h, std::max(0, height() - List1->y())));
}
