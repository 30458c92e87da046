#pragma once

#include <QString>

class QWidget;

// Buttons, icons and answer codes as the old runtime numbered them; the program stores answers.
namespace Mb {
enum Buttons : int { OkOnly = 0, OkCancel = 1, AbortRetryIgnore = 2, YesNoCancel = 3, YesNo = 4, RetryCancel = 5 };
enum Icon : int { Critical = 16, Question = 32, Exclamation = 48, Information = 64 };
enum Default : int { DefaultButton2 = 256 }; // the second button answers Enter
enum Answer : int { Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };
} // namespace Mb

// Modal message boxes with fixed texts and no title of their own.
class MessageBoxes
{
public:
    virtual ~MessageBoxes() = default;
    // flags: one Mb::Buttons value plus one Mb::Icon value, and Mb::DefaultButton2 where Enter
    // must give the second answer; returns an Mb::Answer.
    virtual int msgBox(const QString& prompt, int flags = Mb::OkOnly) = 0;
};

class QtMessageBoxes : public MessageBoxes
{
public:
    explicit QtMessageBoxes(QWidget* parent = nullptr) : m_parent(parent) {}
    int msgBox(const QString& prompt, int flags) override;
    void setParent(QWidget* parent) { m_parent = parent; }

private:
    QWidget* m_parent;
};
