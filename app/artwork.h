#pragma once

#include <QPixmap>

// The stored pictures, drawn in code so that nothing depends on image files.
QPixmap mainPicture();  // 241 x 54: the main window's background
QPixmap aboutPicture(); // 285 x 194: the About window's whole content
