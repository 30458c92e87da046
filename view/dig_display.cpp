#include "dig_display.h"

#include <QCloseEvent>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QLabel>
#include <algorithm>
#include <utility>

#include "captions.h"
#include "live_label.h"
#include "twips.h"

namespace {

QLabel* makeLabel(QWidget* parent, const QString& text, Qt::Alignment align)
{
    auto* l = new LiveLabel(text, parent);
    l->setAlignment(align | Qt::AlignVCenter);
    l->setFocusPolicy(Qt::NoFocus);
    return l;
}

// Largest pixel size at which `sample` fits into width x height.
int fittingPixelSize(QFont font, const QString& sample, double width, double height)
{
    font.setPixelSize(100);
    const QFontMetricsF fm(font);
    const double byWidth = width / std::max(1.0, fm.horizontalAdvance(sample)) * 100.0;
    const double byHeight = height / std::max(1.0, fm.height()) * 100.0;
    return std::max(6, int(std::min(byWidth, byHeight)));
}

void setPixelSize(QWidget* w, int px, bool bold)
{
    QFont f = w->font();
    if (f.pixelSize() == px && f.bold() == bold)
        return;
    f.setPixelSize(px);
    f.setBold(bold);
    w->setFont(f);
}

// A heading row above a row of value and unit pairs, inside a frame's contents.
struct PanelRows
{
    QRect heading, value1, unit1, value2, unit2;
};

PanelRows panelRows(const QRect& inner)
{
    PanelRows r;
    const int headH = std::max(1, inner.height() * 2 / 5);
    const int rowTop = inner.top() + headH;
    const int rowH = inner.bottom() + 1 - rowTop;
    const int colW = inner.width() / 2;
    r.heading = QRect(inner.left(), inner.top(), inner.width(), headH);
    const int valueW = colW * 3 / 5;
    r.value1 = QRect(inner.left(), rowTop, valueW, rowH);
    r.unit1 = QRect(inner.left() + valueW, rowTop, colW - valueW, rowH);
    r.value2 = QRect(inner.left() + colW, rowTop, valueW, rowH);
    r.unit2 = QRect(inner.left() + colW + valueW, rowTop, inner.width() - colW - valueW, rowH);
    return r;
}

} // namespace

FrmDigDisplay::FrmDigDisplay(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("   Digital Display"));
    const auto left = Qt::AlignLeft;
    const auto right = Qt::AlignRight;
    Label2 = makeLabel(this, QString(), right);
    Label5 = makeLabel(this, QString(), left);
    Label3 = makeLabel(this, QString(), right);
    Label6 = makeLabel(this, QString(), left);

    Frame2 = new QGroupBox(this);
    Label11 = makeLabel(Frame2, QStringLiteral("Recorded Highs"), left);
    Label7 = makeLabel(Frame2, QString(), right);
    Label9 = makeLabel(Frame2, QString(), left);
    Label8 = makeLabel(Frame2, QString(), right);
    Label10 = makeLabel(Frame2, QString(), left);

    Frame3 = new QGroupBox(this);
    Label12 = makeLabel(Frame3, QStringLiteral(" Recorded   Lows"), left);
    Label13 = makeLabel(Frame3, QString(), right);
    Label15 = makeLabel(Frame3, QString(), left);
    Label14 = makeLabel(Frame3, QString(), right);
    Label16 = makeLabel(Frame3, QString(), left);

    // Drawn over Frame2 for a meter with one display, so it paints its own background.
    Frame1 = new QGroupBox(QStringLiteral("Frame1"), this);
    Frame1->setAutoFillBackground(true);
    Label17 = makeLabel(Frame1, QStringLiteral("Recorded High"), left);
    Label1 = makeLabel(Frame1, QString(), right);
    Label4 = makeLabel(Frame1, QString(), left);
    Label20 = makeLabel(Frame1, QStringLiteral("Recorded Low"), left);
    Label18 = makeLabel(Frame1, QString(), right);
    Label19 = makeLabel(Frame1, QString(), left);
    Frame1->raise();
    Frame1->installEventFilter(this);

    const std::pair<QWidget*, const char*> names[] = {
        {Label2, "Label2"},   {Label5, "Label5"},   {Label3, "Label3"},   {Label6, "Label6"},
        {Frame2, "Frame2"},   {Label11, "Label11"}, {Label7, "Label7"},   {Label9, "Label9"},
        {Label8, "Label8"},   {Label10, "Label10"}, {Frame3, "Frame3"},   {Label12, "Label12"},
        {Label13, "Label13"}, {Label15, "Label15"}, {Label14, "Label14"}, {Label16, "Label16"},
        {Frame1, "Frame1"},   {Label17, "Label17"}, {Label1, "Label1"},   {Label4, "Label4"},
        {Label20, "Label20"}, {Label18, "Label18"}, {Label19, "Label19"}};
    for (const auto& [w, name] : names)
        w->setObjectName(QLatin1String(name));

    for (QLabel* l : {Label5, Label6})
        l->setContentsMargins(8, 0, 0, 0);
    for (QLabel* l : {Label9, Label10, Label15, Label16, Label4, Label19})
        l->setContentsMargins(4, 0, 0, 0);

    resize(twipsToPixels(6000, this), twipsToPixels(4170, this));
    Form_Load();
}

void FrmDigDisplay::Form_Load()
{
    // The captions a new window starts with are the session's: one place knows them.
    showCaptions(DigitalCaptions());
}

void FrmDigDisplay::showCaptions(const DigitalCaptions& captions)
{
    for (int i = 0; i < XLabelCount; ++i)
        setCaption(XLabel(i), captions.text(XLabel(i)));
}

QLabel* FrmDigDisplay::label(XLabel which) const
{
    switch (which) {
    case XLabel::Label2:
        return Label2;
    case XLabel::Label5:
        return Label5;
    case XLabel::Label3:
        return Label3;
    case XLabel::Label6:
        return Label6;
    case XLabel::Label1:
        return Label1;
    case XLabel::Label4:
        return Label4;
    case XLabel::Label7:
        return Label7;
    case XLabel::Label8:
        return Label8;
    case XLabel::Label9:
        return Label9;
    case XLabel::Label10:
        return Label10;
    case XLabel::Label13:
        return Label13;
    case XLabel::Label14:
        return Label14;
    case XLabel::Label15:
        return Label15;
    case XLabel::Label16:
        return Label16;
    case XLabel::Label18:
        return Label18;
    case XLabel::Label19:
        return Label19;
    }
    return Label1;
}

QString FrmDigDisplay::caption(XLabel which) const
{
    return label(which)->text();
}

void FrmDigDisplay::setCaption(XLabel which, const QString& text)
{
    QLabel* l = label(which);
    // Most packets leave the extremes as they were; an unchanged text costs nothing.
    if (l->text() != text)
        l->setText(text);
}

void FrmDigDisplay::setFrame3Top(int twips)
{
    if (twips == m_frame3TopTwips)
        return;
    m_frame3TopTwips = twips;
    relayout();
}

void FrmDigDisplay::showStale(const QString& since)
{
    for (QLabel* l : {Label2, Label5, Label3, Label6}) {
        static_cast<LiveLabel*>(l)->setDimmed(!since.isEmpty());
        l->setToolTip(since);
    }
}

void FrmDigDisplay::showAlarm(int display, bool beyond)
{
    QLabel* const value = display == 1 ? Label2 : Label3;
    QLabel* const unit = display == 1 ? Label5 : Label6;
    for (QLabel* l : {value, unit})
        static_cast<LiveLabel*>(l)->setAlarm(beyond);
}

bool FrmDigDisplay::showsAlarm(int display) const
{
    return static_cast<const LiveLabel*>(display == 1 ? Label2 : Label3)->alarm();
}

void FrmDigDisplay::closeEvent(QCloseEvent* event)
{
    emit unloaded();
    event->accept();
}

void FrmDigDisplay::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    relayout();
}

bool FrmDigDisplay::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Frame1 &&
        (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent))
        relayout();
    return QWidget::eventFilter(watched, event);
}

void FrmDigDisplay::relayout()
{
    const int w = width();
    const int h = height();
    const int m = 4;
    const bool single = Frame1->isVisibleTo(this);
    // Positions hold at the height the dispatcher gives the window; a window stretched by hand
    // stretches its rows with it, fonts included.
    const int frameExtra = std::max(0, frameGeometry().height() - h);
    const int designH = std::max(1, twipsToPixels(single ? 2370 : 4170, this) - frameExtra);
    const double scale = double(h) / designH;
    const int panelTop =
        std::clamp(int(twipsToPixels(m_frame3TopTwips, this) * scale), 0, std::max(0, h - 24));
    const int panelH = std::max(24, h - panelTop);
    // The value rows take what the panels leave; their text is as large as the rows allow.
    int rowsBottom = panelTop;
    QRect frame2(0, panelTop, w, panelH);
    if (!single) {
        const int frame2Top = std::max(0, panelTop - panelH);
        frame2 = QRect(0, frame2Top, w, panelTop - frame2Top);
        rowsBottom = frame2Top;
    }
    const int rows = single ? 1 : 2;
    const int rowH = std::max(12, (rowsBottom - m) / rows);
    const int valueW = (w - 2 * m) * 62 / 100;
    const int unitW = w - 2 * m - valueW;
    Label2->setGeometry(m, m, valueW, rowH);
    Label5->setGeometry(m + valueW, m, unitW, rowH);
    Label3->setGeometry(m, m + rowH, valueW, rowH);
    Label6->setGeometry(m + valueW, m + rowH, unitW, rowH);

    const int valuePx =
        fittingPixelSize(Label2->font(), QStringLiteral("-88888.888"), valueW - 4, rowH * 0.92);
    const int unitPx =
        std::max(6, std::min(valuePx * 55 / 100,
                             fittingPixelSize(Label5->font(), QStringLiteral("Meters/sec"),
                                              unitW - 10, rowH * 0.9)));
    for (QLabel* l : {Label2, Label3})
        setPixelSize(l, valuePx, true);
    for (QLabel* l : {Label5, Label6})
        setPixelSize(l, unitPx, true);

    Frame2->setGeometry(frame2);
    Frame3->setGeometry(0, panelTop, w, panelH);
    Frame1->setGeometry(0, panelTop, w, panelH);

    const auto placePanel = [&](QGroupBox* frame, QLabel* head, QLabel* v1, QLabel* u1, QLabel* v2,
                                QLabel* u2, QLabel* head2) {
        const QRect inner = frame->contentsRect().adjusted(m, 0, -m, -2);
        const PanelRows r = panelRows(inner);
        const int headPx = std::max(8, std::min(r.heading.height() * 3 / 4, 16));
        const int valPx =
            std::max(8, std::min(fittingPixelSize(v1->font(), QStringLiteral("-88888.88"),
                                                  r.value1.width() - 2, r.value1.height() * 0.9),
                                 valuePx * 3 / 4));
        if (head2) {
            head->setGeometry(r.heading.left(), r.heading.top(), r.heading.width() / 2,
                              r.heading.height());
            head2->setGeometry(r.value2.left(), r.heading.top(),
                               r.heading.width() - r.heading.width() / 2, r.heading.height());
            setPixelSize(head2, headPx, false);
        } else {
            head->setGeometry(r.heading);
        }
        setPixelSize(head, headPx, false);
        v1->setGeometry(r.value1);
        u1->setGeometry(r.unit1);
        v2->setGeometry(r.value2);
        u2->setGeometry(r.unit2);
        for (QLabel* l : {v1, v2})
            setPixelSize(l, valPx, true);
        for (QLabel* l : {u1, u2})
            setPixelSize(l, std::max(8, valPx * 3 / 5), false);
    };
    placePanel(Frame2, Label11, Label7, Label9, Label8, Label10, nullptr);
    placePanel(Frame3, Label12, Label13, Label15, Label14, Label16, nullptr);
    placePanel(Frame1, Label17, Label1, Label4, Label18, Label19, Label20);
}
