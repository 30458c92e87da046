#include "twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <cmath>

static double logicalDpi(const QWidget* w)
{
    const QScreen* s = w ? w->screen() : nullptr;
    if (!s)
        s = QGuiApplication::primaryScreen();
    return s ? s->logicalDotsPerInchY() : 96.0;
}

int twipsToPixels(int twips, const QWidget* w)
{
    return int(std::lround(twips * logicalDpi(w) / 1440.0));
}

int pixelsToTwips(int pixels, const QWidget* w)
{
    return int(std::lround(pixels * 1440.0 / logicalDpi(w)));
}

static int frameExtraHeight(const QWidget* w)
{
    return w->frameGeometry().height() - w->height();
}

void setOuterHeightTwips(QWidget* w, int twips)
{
    const int client = std::max(0, twipsToPixels(twips, w) - frameExtraHeight(w));
    if (client != w->height())
        w->resize(w->width(), client);
}

int outerHeightTwips(const QWidget* w)
{
    return pixelsToTwips(w->frameGeometry().height(), w);
}

int outerWidthTwips(const QWidget* w)
{
    return pixelsToTwips(w->frameGeometry().width(), w);
}
