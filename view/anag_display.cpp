#include "anag_display.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>

#include "gauge_dial.h"
#include "gauge_model.h"
#include "graph_model.h"
#include "live_label.h"
#include "twips.h"

FrmAnagDisplay::FrmAnagDisplay(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("  Analog Display"));
    Frame6 = new QFrame(this);
    Gauge1 = new GaugeModel(0, 100, this);
    Gauge2 = new GaugeModel(0, 100, this);
    m_dial1 = new GaugeDial(Gauge1, Frame6);
    m_dial2 = new GaugeDial(Gauge2, Frame6);
    // The graph's colours: display 1 blue, display 2 red.
    m_dial1->setAccent(GraphModel::paletteColour(9));
    m_dial2->setAccent(GraphModel::paletteColour(12));
    auto mk = [this](Qt::Alignment align) {
        auto* l = new LiveLabel(QString(), Frame6, true);
        l->setAlignment(align);
        return l;
    };
    // The limit texts are drawn on the dial's face, with no box of their own; they change only
    // with the scale.
    auto limit = [this] {
        auto* l = new QLabel(Frame6);
        l->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
        l->setTextFormat(Qt::PlainText);
        return l;
    };
    Label25 = limit();
    Label26 = limit();
    Label19 = mk(Qt::AlignLeft | Qt::AlignBottom);
    Label20 = mk(Qt::AlignLeft | Qt::AlignTop);
    Label23 = limit();
    Label24 = limit();
    Label21 = mk(Qt::AlignLeft | Qt::AlignBottom);
    Label22 = mk(Qt::AlignLeft | Qt::AlignTop);
    // Below this the limit texts would have no room on the face.
    setMinimumSize(kMinWidth, kMinHeight);
    resize(twipsToPixels(5700, this), twipsToPixels(4020, this));
}

// One display's row: the gauge on the left with its limits on the face below the ends of the
// scale, the value large on the right and its unit below.
void FrmAnagDisplay::layoutRow(int top, int height, GaugeDial* dial, QLabel* lower, QLabel* upper,
                               QLabel* value, QLabel* unit)
{
    const int pad = 4;
    const int dialW = std::min(width() * 11 / 20, height * 2);
    dial->setGeometry(pad, top + pad, std::max(1, dialW - pad), std::max(1, height - 2 * pad));

    QFont small = font();
    small.setPixelSize(std::clamp(std::min(height / 9, dialW / 12), 10, 16));
    // Room for the widest limit the gauge holds.
    const QFontMetrics fm(small);
    const QSize text(fm.horizontalAdvance(QStringLiteral("-32768")) + 2, fm.height());
    for (auto [label, upperEnd] : {std::pair{lower, false}, std::pair{upper, true}}) {
        label->setFont(small);
        const QRect at = dial->limitTextRect(upperEnd, text);
        label->setGeometry(at.translated(dial->pos()));
        label->raise();
    }

    const int textX = dialW + 2 * pad;
    const int textW = std::max(1, width() - textX - pad);
    QFont big = font();
    big.setPixelSize(std::clamp(height * 3 / 10, 12, 44));
    big.setBold(true);
    value->setFont(big);
    value->setGeometry(textX, top, textW, height * 11 / 20);
    QFont mid = font();
    mid.setPixelSize(std::clamp(height * 3 / 20, 10, 22));
    unit->setFont(mid);
    unit->setGeometry(textX, top + height * 11 / 20 + 2, textW, height * 9 / 20 - 2);
}

void FrmAnagDisplay::resizeEvent(QResizeEvent*)
{
    Frame6->setGeometry(rect());
    // Two rows where there is room for two, else display 1's row fills the window: the
    // dispatcher's height for one display leaves room for exactly that.
    const int h = height();
    const int row = h > twipsToPixels(2900, this) ? h / 2 : h;
    layoutRow(0, row, m_dial1, Label25, Label26, Label19, Label20);
    layoutRow(row, row, m_dial2, Label23, Label24, Label21, Label22);
}

void FrmAnagDisplay::showStale(const QString& since)
{
    for (GaugeDial* d : {m_dial1, m_dial2}) {
        d->setDimmed(!since.isEmpty());
        d->setToolTip(since);
    }
    for (QLabel* l : {Label19, Label20, Label21, Label22}) {
        static_cast<LiveLabel*>(l)->setDimmed(!since.isEmpty());
        l->setToolTip(since);
    }
}

void FrmAnagDisplay::closeEvent(QCloseEvent* event)
{
    emit unloaded();
    event->accept();
}
