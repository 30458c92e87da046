#include "alarm_event.h"

#include <QStringList>

QString kindName(AlarmKind kind)
{
    switch (kind) {
    case AlarmKind::High:
        return QStringLiteral("high");
    case AlarmKind::HighCleared:
        return QStringLiteral("high-cleared");
    case AlarmKind::Low:
        return QStringLiteral("low");
    case AlarmKind::LowCleared:
        return QStringLiteral("low-cleared");
    case AlarmKind::LimitSuspended:
        return QStringLiteral("limit-suspended");
    case AlarmKind::LimitResumed:
        return QStringLiteral("limit-resumed");
    case AlarmKind::Silent:
        return QStringLiteral("silent");
    case AlarmKind::Speaking:
        return QStringLiteral("speaking");
    case AlarmKind::DeviceLost:
        return QStringLiteral("device-lost");
    case AlarmKind::DeviceBack:
        return QStringLiteral("device-back");
    case AlarmKind::FileOpened:
        return QStringLiteral("file-opened");
    case AlarmKind::FileClosed:
        return QStringLiteral("file-closed");
    case AlarmKind::FileError:
        return QStringLiteral("file-error");
    case AlarmKind::FileRestored:
        return QStringLiteral("file-restored");
    case AlarmKind::CommandFailed:
        return QStringLiteral("command-failed");
    case AlarmKind::Start:
        return QStringLiteral("start");
    case AlarmKind::Message:
        break;
    }
    return QStringLiteral("message");
}

bool reachesOutlets(AlarmKind kind)
{
    return kind != AlarmKind::CommandFailed && kind != AlarmKind::Start &&
           kind != AlarmKind::Message;
}

bool rises(AlarmKind kind)
{
    return kind == AlarmKind::High || kind == AlarmKind::Low || kind == AlarmKind::Silent ||
           kind == AlarmKind::DeviceLost;
}

QString eventTimeText(const AlarmEvent& e)
{
    return e.date.toString(QStringLiteral("yyyy-MM-dd")) + u'T' +
           e.time.toString(QStringLiteral("HH:mm:ss"));
}

namespace {

// A meter on a noisy line can send any byte: none may break a line apart.
QString oneLine(const QString& text)
{
    QString s = text;
    for (QChar& c : s)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = c == u'\n' || c == u'\t' ? QChar(u' ') : QChar(u'?');
    return s;
}

QString fieldValue(const QString& raw)
{
    const QString v = oneLine(raw);
    bool plain = !v.isEmpty();
    for (const QChar c : v)
        if (c == u' ' || c == u'"' || c == u'\\' || c == u'=')
            plain = false;
    if (plain)
        return v;
    QString q = QStringLiteral("\"");
    for (const QChar c : v) {
        if (c == u'"' || c == u'\\')
            q += u'\\';
        q += c;
    }
    return q + u'"';
}

QString csvField(const QString& raw)
{
    const QString v = oneLine(raw);
    if (!v.contains(u',') && !v.contains(u'"'))
        return v;
    return u'"' + QString(v).replace(QStringLiteral("\""), QStringLiteral("\"\"")) + u'"';
}

QString displayText(const AlarmEvent& e)
{
    return e.display > 0 ? QString::number(e.display) : QString();
}

} // namespace

QString eventLine(const AlarmEvent& e)
{
    QString line = eventTimeText(e) + u' ' + kindName(e.kind);
    const QPair<const char*, QString> fields[] = {
        {"display", displayText(e)}, {"value", e.value}, {"unit", e.unit}, {"limit", e.limit}};
    for (const auto& [name, value] : fields)
        if (!value.isEmpty())
            line += u' ' + QLatin1String(name) + u'=' + fieldValue(value);
    return line + QStringLiteral(": ") + oneLine(e.text);
}

QList<QPair<QString, QString>> eventEnvironment(const AlarmEvent& e)
{
    // No environment string may hold a NUL: it would cut the value short.
    const auto clean = [](QString s) { return s.remove(QChar(0)); };
    return {
        {QStringLiteral("QUORVANE_EVENT"), kindName(e.kind)},
        {QStringLiteral("QUORVANE_DISPLAY"), displayText(e)},
        {QStringLiteral("QUORVANE_VALUE"), clean(e.value)},
        {QStringLiteral("QUORVANE_UNIT"), clean(e.unit)},
        {QStringLiteral("QUORVANE_LIMIT"), e.limit},
        {QStringLiteral("QUORVANE_TIME"), eventTimeText(e)},
        {QStringLiteral("QUORVANE_FILE"), clean(e.file)},
        {QStringLiteral("QUORVANE_TEXT"), clean(e.text)},
    };
}

QString eventCsvHeading()
{
    return QStringLiteral("Time,Event,Display,Value,Unit,Limit,Text\r\n");
}

QString eventCsvLine(const AlarmEvent& e)
{
    const QStringList fields{eventTimeText(e), kindName(e.kind), displayText(e),  csvField(e.value),
                             csvField(e.unit), e.limit,          csvField(e.text)};
    return fields.join(u',') + QStringLiteral("\r\n");
}

QString limitText(double limit)
{
    return QString::number(limit, 'g', 15);
}
