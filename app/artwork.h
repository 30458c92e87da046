#pragma once

#include <QPixmap>

class QPainter;

// The stored pictures, drawn in code so that nothing depends on image files.
QPixmap mainPicture();  // 241 x 54: the main window's background
QPixmap aboutPicture(); // 285 x 194: the About window's whole content
// The application icon, size x size from (0, 0): the pictures' dial on the About window's sky.
void paintAppIcon(QPainter& p, int size);
