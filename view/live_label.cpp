#include "live_label.h"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>

LiveLabel::LiveLabel(const QString& text, QWidget* parent, bool fit)
    : QLabel(text, parent), m_fit(fit)
{
    setAutoFillBackground(true);
    setTextInteractionFlags(Qt::NoTextInteraction);
    setTextFormat(Qt::PlainText);
}

void LiveLabel::setDimmed(bool dimmed)
{
    if (dimmed == m_dimmed)
        return;
    m_dimmed = dimmed;
    update();
}

void LiveLabel::setAlarm(bool alarm)
{
    if (alarm == m_alarm)
        return;
    m_alarm = alarm;
    update();
}

LiveLabel::Glyphs& LiveLabel::glyphs(const QFont& font)
{
    for (Glyphs& g : m_fonts)
        if (g.asked == font)
            return g;
    if (m_fonts.size() >= 8)
        m_fonts.erase(m_fonts.begin() + 1, m_fonts.end()); // keep the label's own
    Glyphs g;
    g.asked = font;
    g.font = font;
    // Without shaping a text is its characters side by side: what is drawn here character by
    // character is what the whole text would give.
    g.font.setStyleStrategy(QFont::PreferNoShaping);
    g.height = QFontMetricsF(g.font).height();
    g.byChar.resize(256);
    m_fonts.push_back(std::move(g));
    return m_fonts.back();
}

qreal LiveLabel::widthOf(Glyphs& g, const QString& text)
{
    qreal w = 0;
    const QFontMetricsF fm(g.font);
    for (const QChar c : text) {
        Glyph& glyph = g.byChar[c.unicode() & 0xff];
        if (glyph.text.text().isEmpty()) {
            glyph.text = QStaticText(QString(c.unicode() > 0xff ? QChar(u'?') : c));
            glyph.text.setTextFormat(Qt::PlainText);
            glyph.text.prepare(QTransform(), g.font);
            glyph.advance = fm.horizontalAdvance(glyph.text.text());
        }
        w += glyph.advance;
    }
    return w;
}

void LiveLabel::paintEvent(QPaintEvent*)
{
    const QString t = text();
    Glyphs* g = &glyphs(font());
    qreal wide = widthOf(*g, t);
    if (m_fit && wide > width() && font().pixelSize() > 0) {
        QFont smaller = font();
        smaller.setPixelSize(std::max(6, int(font().pixelSize() * width() / wide)));
        g = &glyphs(smaller);
        wide = widthOf(*g, t);
    }
    const Qt::Alignment a = alignment();
    qreal x = 0;
    if (a & Qt::AlignRight)
        x = width() - wide;
    else if (a & Qt::AlignHCenter)
        x = (width() - wide) / 2;
    qreal y = 0;
    if (a & Qt::AlignBottom)
        y = height() - g->height;
    else if (a & Qt::AlignVCenter)
        y = (height() - g->height) / 2;
    QPainter p(this);
    p.setFont(g->font);
    QColor ink = m_alarm ? alarmColor() : palette().color(QPalette::WindowText);
    if (m_dimmed)
        ink.setAlphaF(0.35);
    p.setPen(ink);
    for (const QChar c : t) {
        const Glyph& glyph = g->byChar[c.unicode() & 0xff];
        p.drawStaticText(QPointF(x, y), glyph.text);
        x += glyph.advance;
    }
}
