#pragma once

#include <QDate>
#include <QList>
#include <QPair>
#include <QString>
#include <QTime>

// What happened. The names (kindName) are what a user's command and the standard-error line see.
enum class AlarmKind
{
    High,           // a display's value has been above its high limit for the hold time
    HighCleared,    // ... and back at or below it for the hold time
    Low,            // below its low limit
    LowCleared,     // back at or above it
    LimitSuspended, // the display shows another unit than its limits were set in
    LimitResumed,   // the limits' unit is back
    Silent,         // no reading for the silence time
    Speaking,       // a reading after a silence
    DeviceLost,     // the serial device went away
    DeviceBack,     // ... and was opened again
    FileOpened,     // the save file
    FileClosed,
    FileError,     // a write that failed; the recording has stopped
    FileRestored,  // the save file was deleted and written back
    CommandFailed, // the user's command failed, could not start or was ended
    Start,         // quorvane-record's first line
    Message,       // anything else a face tells
};

QString kindName(AlarmKind kind);
// Whether the notification and the user's command act on the kind: not on a failed command (it
// would run the command that failed again), not on the start line or other messages.
bool reachesOutlets(AlarmKind kind);
// Kinds that start a condition that stands until it ends: limits, silence, a lost device.
bool rises(AlarmKind kind);

struct AlarmEvent
{
    QDate date;
    QTime time;
    AlarmKind kind = AlarmKind::Message;
    int display = 0; // 1 or 2; 0: no display
    QString value;   // the reading as the display showed it
    QString unit;    // blanks around it removed
    QString limit;   // the limit's number
    QString text;    // for a person
    QString file;    // the save file at the time; empty: none open
};

QString eventTimeText(const AlarmEvent& e); // 2026-05-31T14:03:09, local time

// The one line a face prints for an event on standard error:
//   TIME KIND[ display=D][ value=V][ unit=U][ limit=L]: TEXT
// A field with a blank, a quote, a backslash or an equals sign is quoted ("Deg C" and so on);
// control characters become '?', so an event is always exactly one line.
QString eventLine(const AlarmEvent& e);

// QUORVANE_EVENT, QUORVANE_DISPLAY, QUORVANE_VALUE, QUORVANE_UNIT, QUORVANE_LIMIT, QUORVANE_TIME,
// QUORVANE_FILE and QUORVANE_TEXT, each present, empty where the event has nothing.
QList<QPair<QString, QString>> eventEnvironment(const AlarmEvent& e);

// The event list as a CSV file: a heading, then one line per event, CR LF.
QString eventCsvHeading();
QString eventCsvLine(const AlarmEvent& e);

// A limit as text: the shortest that reads back to the same number ("40", "-2.5", "0.25").
QString limitText(double limit);
