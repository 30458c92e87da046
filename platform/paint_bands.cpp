#include "paint_bands.h"

#include <QPainter>
#include <QPixmap>
#include <QRegion>
#include <algorithm>

void drawPixmapInBands(QPainter& p, const QRegion& region, const QPixmap& pixmap)
{
    constexpr int kRows = 64; // the engine goes to its threads from 96 rows
    const qreal dpr = pixmap.devicePixelRatio();
    for (const QRect& r : region) {
        const int rows = r.height() < 96 ? r.height() : kRows;
        for (int y = r.top(); y <= r.bottom(); y += rows) {
            const QRect band(r.left(), y, r.width(), std::min(rows, r.bottom() + 1 - y));
            p.drawPixmap(
                band, pixmap,
                QRectF(band.x() * dpr, band.y() * dpr, band.width() * dpr, band.height() * dpr));
        }
    }
}
