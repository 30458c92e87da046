#include "picture_box.h"

#include <QPainter>

PictureBox::PictureBox(std::function<QPixmap(qreal)> draw, QSize size, QWidget* parent)
    : QWidget(parent), m_draw(std::move(draw)), m_size(size)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFixedSize(size);
}

void PictureBox::paintEvent(QPaintEvent*)
{
    const qreal dpr = devicePixelRatioF();
    if (m_cache.isNull() || m_cache.devicePixelRatio() != dpr)
        m_cache = m_draw(dpr);
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Window));
    p.drawPixmap(0, 0, m_cache);
}
