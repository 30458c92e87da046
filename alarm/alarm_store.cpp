#include "alarm_store.h"

#include <QSaveFile>
#include <QSettings>
#include <algorithm>
#include <cmath>

#include "runtime_error.h"

namespace {

std::optional<double> limitFrom(const QVariant& v)
{
    bool ok = false;
    const double x = v.toString().toDouble(&ok);
    return ok && std::isfinite(x) ? std::optional<double>(x) : std::nullopt;
}

QString limitTo(const std::optional<double>& x)
{
    return x ? limitText(*x) : QString();
}

} // namespace

AlarmSettings loadAlarmSettings(QSettings& q)
{
    AlarmSettings a;
    q.beginGroup(QStringLiteral("alarms"));
    for (int i = 0; i < 2; ++i) {
        q.beginGroup(QStringLiteral("display%1").arg(i + 1));
        a.limits[i].high = limitFrom(q.value(QStringLiteral("high")));
        a.limits[i].low = limitFrom(q.value(QStringLiteral("low")));
        a.limits[i].unit = q.value(QStringLiteral("unit")).toString().trimmed();
        q.endGroup();
    }
    a.holdSeconds = std::clamp(q.value(QStringLiteral("hold"), a.holdSeconds).toInt(), 0,
                               AlarmSettings::MaxHoldSeconds);
    a.silentSeconds = std::clamp(q.value(QStringLiteral("silent"), a.silentSeconds).toInt(),
                                 AlarmSettings::MinSilentSeconds, AlarmSettings::MaxSilentSeconds);
    a.notify = q.value(QStringLiteral("notify"), a.notify).toBool();
    a.sound = q.value(QStringLiteral("sound"), a.sound).toBool();
    a.runCommand = q.value(QStringLiteral("runCommand"), a.runCommand).toBool();
    a.command = q.value(QStringLiteral("command")).toString();
    q.endGroup();
    return a;
}

void saveAlarmSettings(QSettings& q, const AlarmSettings& a)
{
    q.beginGroup(QStringLiteral("alarms"));
    for (int i = 0; i < 2; ++i) {
        q.beginGroup(QStringLiteral("display%1").arg(i + 1));
        q.setValue(QStringLiteral("high"), limitTo(a.limits[i].high));
        q.setValue(QStringLiteral("low"), limitTo(a.limits[i].low));
        q.setValue(QStringLiteral("unit"), a.limits[i].unit);
        q.endGroup();
    }
    q.setValue(QStringLiteral("hold"), a.holdSeconds);
    q.setValue(QStringLiteral("silent"), a.silentSeconds);
    q.setValue(QStringLiteral("notify"), a.notify);
    q.setValue(QStringLiteral("sound"), a.sound);
    q.setValue(QStringLiteral("runCommand"), a.runCommand);
    q.setValue(QStringLiteral("command"), a.command);
    q.endGroup();
}

void writeEventsCsv(const QString& path, const std::deque<AlarmEvent>& events)
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        throw RuntimeError(QStringLiteral("Cannot write %1: %2").arg(path, f.errorString()));
    QString text = eventCsvHeading();
    for (const AlarmEvent& e : events)
        text += eventCsvLine(e);
    f.write(text.toUtf8());
    if (!f.commit())
        throw RuntimeError(QStringLiteral("Cannot write %1: %2").arg(path, f.errorString()));
}
