#pragma once

class QPainter;
class QPixmap;
class QRegion;

// Draws the parts of `pixmap` that fall in `region` at the same place, a band of rows at a time.
// Qt's raster engine hands a copy taller than about a hundred rows to helper threads; for the
// small areas a live window redraws sixty times a second, waking them costs more than the copy.
void drawPixmapInBands(QPainter& p, const QRegion& region, const QPixmap& pixmap);
