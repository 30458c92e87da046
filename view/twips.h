#pragma once

class QWidget;

// Window sizes are given in twips, 1440 to the inch, at the screen's logical resolution.
int twipsToPixels(int twips, const QWidget* w = nullptr);
int pixelsToTwips(int pixels, const QWidget* w = nullptr);

// Outer (frame) height, title bar included once the window system has decorated the window.
void setOuterHeightTwips(QWidget* w, int twips);
int outerHeightTwips(const QWidget* w);
int outerWidthTwips(const QWidget* w);
