// quorvane-icon-render DIR ID SIZE...: writes the application icon as a hicolor tree,
// DIR/scalable/apps/ID.svg and DIR/NxN/apps/ID.png for each size, all painted by the code that
// paints the program's own pictures.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>
#include <cstdio>

#include "artwork.h"

int main(int argc, char* argv[])
{
    // Nothing is shown; the font machinery the painters touch still wants an application.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4) {
        std::fputs("usage: quorvane-icon-render DIR ID SIZE...\n", stderr);
        return 2;
    }
    const QDir dir(args[1]);
    const QString id = args[2];
    QList<int> sizes;
    for (const QString& a : args.mid(3)) {
        bool ok = false;
        sizes << a.toInt(&ok);
        if (!ok || sizes.back() < 1) {
            std::fprintf(stderr, "quorvane-icon-render: bad size %s\n", qPrintable(a));
            return 2;
        }
    }

    const QString scalable = QStringLiteral("scalable/apps");
    constexpr int kSvgSize = 256;
    if (!dir.mkpath(scalable)) {
        std::fprintf(stderr, "quorvane-icon-render: cannot create %s\n",
                     qPrintable(dir.filePath(scalable)));
        return 1;
    }
    QSvgGenerator svg;
    svg.setFileName(dir.filePath(scalable + QLatin1Char('/') + id + QStringLiteral(".svg")));
    svg.setSize(QSize(kSvgSize, kSvgSize));
    svg.setViewBox(QRect(0, 0, kSvgSize, kSvgSize));
    svg.setTitle(QStringLiteral("Quorvane"));
    {
        QPainter p;
        if (!p.begin(&svg))
            return 1;
        paintAppIcon(p, kSvgSize);
    }

    for (const int size : sizes) {
        const QString sub = QStringLiteral("%1x%1/apps").arg(size);
        QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        {
            QPainter p(&img);
            paintAppIcon(p, size);
        }
        if (!dir.mkpath(sub) ||
            !img.save(dir.filePath(sub + QLatin1Char('/') + id + QStringLiteral(".png")))) {
            std::fprintf(stderr, "quorvane-icon-render: cannot write %s\n",
                         qPrintable(dir.filePath(sub)));
            return 1;
        }
    }
    return 0;
}
