#include "paint_bands.h"

#include <QPainter>
#include <QPixmap>
#include <QRegion>
#include <algorithm>

void drawPixmapInBands(QPainter& p, const QRegion& region, const QPixmap& pixmap)
{
    constexpr int kRows = 64;
    const qreal dpr = pixmap.devicePixelRatio();
    for (const QRect& r : region) {
        for (int y = r.top(); y <= r.bottom(); y += kRows) {
            const QRect band(r.left(), y, r.width(), std::min(kRows, r.bottom() + 1 - y));
            p.drawPixmap(
                band, pixmap,
                QRectF(band.x() * dpr, band.y() * dpr, band.width() * dpr, band.height() * dpr));
        }
    }
}
