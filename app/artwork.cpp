#include "artwork.h"

#include <QIconEngine>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

// lineScale widens the strokes along with the dial where it is drawn much larger or smaller.
static QLinearGradient aboutSky(double height)
{
    QLinearGradient g(0, 0, 0, height);
    g.setColorAt(0, QColor(236, 242, 250));
    g.setColorAt(1, QColor(205, 218, 236));
    return g;
}

static void drawDial(QPainter& p, QPointF c, double r, double needleDeg, double lineScale = 1)
{
    p.setPen(QPen(QColor(40, 60, 90), 2 * lineScale));
    p.setBrush(QColor(250, 250, 245));
    p.drawEllipse(c, r, r);
    p.setPen(QPen(QColor(40, 60, 90), 1 * lineScale));
    for (int i = 0; i <= 10; ++i) {
        const double a = qDegreesToRadians(210.0 - i * 24.0);
        const QPointF d(std::cos(a), -std::sin(a));
        p.drawLine(c + d * (r * 0.72), c + d * (r * 0.9));
    }
    const double a = qDegreesToRadians(needleDeg);
    p.setPen(QPen(QColor(200, 40, 40), 2 * lineScale, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c, c + QPointF(std::cos(a), -std::sin(a)) * (r * 0.8));
    p.setBrush(QColor(40, 60, 90));
    p.setPen(Qt::NoPen);
    p.drawEllipse(c, r * 0.1, r * 0.1);
}

static QPixmap canvas(QSize size, qreal dpr)
{
    QPixmap pm((QSizeF(size) * dpr).toSize());
    pm.setDevicePixelRatio(dpr);
    return pm;
}

QPixmap mainPicture(qreal dpr)
{
    QPixmap pm = canvas(kMainPictureSize, dpr);
    pm.fill(Qt::white);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    drawDial(p, QPointF(27, 29), 21, 60);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(24);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(30, 50, 85));
    p.drawText(QRect(56, 4, 185, 30), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Quorvane"));
    f.setPixelSize(10);
    f.setBold(false);
    p.setFont(f);
    p.setPen(QColor(90, 100, 115));
    p.drawText(QRect(57, 34, 184, 16), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("meter link · live view · recording"));
    return pm;
}

QPixmap aboutPicture(qreal dpr)
{
    QPixmap pm = canvas(kAboutPictureSize, dpr);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(QRect(QPoint(0, 0), kAboutPictureSize), aboutSky(194));
    drawDial(p, QPointF(56, 62), 40, 48);
    // A stripe of readings, like a trace on a chart recorder.
    QPainterPath trace;
    trace.moveTo(16, 150);
    for (int x = 16; x <= 269; x += 3)
        trace.lineTo(x, 150 - 14 * std::sin(x / 17.0) - 6 * std::sin(x / 5.0));
    p.setPen(QPen(QColor(60, 120, 210), 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawPath(trace);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(26);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(30, 50, 85));
    p.drawText(QRect(108, 26, 170, 34), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Quorvane"));
    f.setPixelSize(11);
    f.setBold(false);
    p.setFont(f);
    p.setPen(QColor(60, 70, 90));
    p.drawText(
        QRect(110, 60, 170, 48), Qt::AlignLeft | Qt::TextWordWrap,
        QStringLiteral("Live readings, recording and datalogger download for handheld meters"));
    p.drawText(QRect(16, 168, 200, 18), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Version " QUORVANE_VERSION));
    return pm;
}

void paintAppIcon(QPainter& p, int size)
{
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size;
    p.setPen(QPen(QColor(40, 60, 90, 110), std::max(1.0, s / 64)));
    p.setBrush(aboutSky(s));
    const double inset = s / 32;
    p.drawRoundedRect(QRectF(inset, inset, s - 2 * inset, s - 2 * inset), s * 0.18, s * 0.18);
    const double r = s * 0.38;
    // Below about 40 pixels strokes in proportion would fade into the face.
    drawDial(p, QPointF(s / 2, s * 0.53), r, 48, std::max(r / 21, 0.75));
}

namespace {

class AppIconEngine : public QIconEngine
{
  public:
    void paint(QPainter* p, const QRect& rect, QIcon::Mode, QIcon::State) override
    {
        const int size = std::min(rect.width(), rect.height());
        p->save();
        p->translate(rect.x() + (rect.width() - size) / 2, rect.y() + (rect.height() - size) / 2);
        paintAppIcon(*p, size);
        p->restore();
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        QPixmap pm(size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        paint(&p, pm.rect(), mode, state);
        return pm;
    }
    QIconEngine* clone() const override { return new AppIconEngine; }
};

} // namespace

QIcon appIcon()
{
    return QIcon(new AppIconEngine);
}
