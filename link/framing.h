#pragma once

#include <QString>

// A read from the line is a packet only when it is exactly 16 characters starting with code 2.
inline bool isWholePacket(const QString& text)
{
    return text.size() == 16 && text.at(0).unicode() == 2;
}
