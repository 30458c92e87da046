#include "message_boxes.h"

#include <QApplication>
#include <QMessageBox>

#include "window_keys.h"

int QtMessageBoxes::msgBox(const QString& prompt, int flags)
{
    QMessageBox box(m_parent);
    box.setText(prompt);
    // No title of its own: the application's name stands there, as the old runtime did.
    box.setWindowTitle(QApplication::applicationName());
    switch (flags & 0x70) {
    case Mb::Critical: box.setIcon(QMessageBox::Critical); break;
    case Mb::Question: box.setIcon(QMessageBox::Question); break;
    case Mb::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case Mb::Information: box.setIcon(QMessageBox::Information); break;
    default: break;
    }
    struct Btn { QMessageBox::StandardButton qt; int answer; };
    QList<Btn> buttons;
    switch (flags & 0x7) {
    case Mb::OkCancel: buttons = {{QMessageBox::Ok, Mb::Ok}, {QMessageBox::Cancel, Mb::Cancel}}; break;
    case Mb::AbortRetryIgnore:
        buttons = {{QMessageBox::Abort, Mb::Abort}, {QMessageBox::Retry, Mb::Retry}, {QMessageBox::Ignore, Mb::Ignore}};
        break;
    case Mb::YesNoCancel:
        buttons = {{QMessageBox::Yes, Mb::Yes}, {QMessageBox::No, Mb::No}, {QMessageBox::Cancel, Mb::Cancel}};
        break;
    case Mb::YesNo: buttons = {{QMessageBox::Yes, Mb::Yes}, {QMessageBox::No, Mb::No}}; break;
    case Mb::RetryCancel: buttons = {{QMessageBox::Retry, Mb::Retry}, {QMessageBox::Cancel, Mb::Cancel}}; break;
    default: buttons = {{QMessageBox::Ok, Mb::Ok}}; break;
    }
    QMessageBox::StandardButtons set;
    for (const Btn& b : buttons)
        set |= b.qt;
    box.setStandardButtons(set);
    const bool second = (flags & Mb::DefaultButton2) && buttons.size() > 1;
    box.setDefaultButton(buttons[second ? 1 : 0].qt);
    takeFocusWhenShown(&box);
    const int clicked = box.exec();
    for (const Btn& b : buttons)
        if (b.qt == clicked)
            return b.answer;
    // Escape on a box without Cancel: the last button is the safe answer.
    return buttons.last().answer;
}
