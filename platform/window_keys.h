#pragma once

class QMenuBar;
class QWidget;

// The window takes the keyboard whenever it is shown, so a user of the keyboard alone finds
// it without hunting for it. Only for windows that the user's own step opens.
void takeFocusWhenShown(QWidget* window);

// F10 opens the bar's first menu while its window is active; then the arrows go on. The menus
// carry no access keys, so this and Alt are the way in from the keyboard.
void openMenusWithF10(QMenuBar* bar);
