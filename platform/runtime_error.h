#pragma once

#include <QString>
#include <stdexcept>

// The one error type of the program: every failure that a handler may show or absorb.
class RuntimeError : public std::runtime_error
{
public:
    explicit RuntimeError(const QString& description)
        : std::runtime_error(description.toStdString()), m_description(description)
    {
    }
    const QString& description() const { return m_description; }

private:
    QString m_description;
};
