#pragma once

#include <QIcon>
#include <QPixmap>

class QPainter;

// The stored pictures, drawn in code so that nothing depends on image files. Each is drawn for a
// device pixel ratio: its size is in logical pixels, its pixels as many as the screen has.
inline constexpr QSize kMainPictureSize(241, 54);   // the main window's background
inline constexpr QSize kAboutPictureSize(285, 194); // the About window's whole content
QPixmap mainPicture(qreal dpr = 1);
QPixmap aboutPicture(qreal dpr = 1);
// The application icon, size x size from (0, 0): the pictures' dial on the About window's sky.
void paintAppIcon(QPainter& p, int size);
// The application icon at whatever size and pixel ratio it is asked for.
QIcon appIcon();
