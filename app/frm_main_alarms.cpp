// The main window's alarms: the engine fed with the session's readings, the link's and the save
// file's events; the alarm window, the digital display's alarm colour and the bell.

#include <QAction>
#include <QApplication>
#include <QTimer>

#include "alarm_engine.h"
#include "alarm_store.h"
#include "alarm_window.h"
#include "desktop_notifier.h"
#include "dig_display.h"
#include "frm_main.h"

namespace {

constexpr int kBellMs = 10000;

} // namespace

void FrmMain::connectAlarms()
{
    m_alarms = std::make_unique<AlarmEngine>(*m_p.clock);
    if (QSettings* kept = m_p.placement ? m_p.placement->settings() : nullptr)
        m_alarms->setSettings(loadAlarmSettings(*kept));
    m_ring = [] { QApplication::beep(); };
    m_bell = new QTimer(this);
    m_bell->setObjectName(QStringLiteral("alarmBell"));
    m_bell->setInterval(kBellMs);
    connect(m_bell, &QTimer::timeout, this, &FrmMain::ringAgain);

    connect(View_Alarms, &QAction::triggered, this, &FrmMain::View_Alarms_Click);
    connect(Comm1, &SerialControl::deviceLost, m_alarms.get(), &AlarmEngine::deviceLost);
    connect(Comm1, &SerialControl::deviceBack, m_alarms.get(), &AlarmEngine::deviceBack);
    connect(m_alarms.get(), &AlarmEngine::posted, this, &FrmMain::alarmPosted);
    connect(m_alarms.get(), &AlarmEngine::beyondChanged, this, &FrmMain::showAlarmColours);
    connect(m_alarms.get(), &AlarmEngine::settingsChanged, this, [this] {
        if (QSettings* kept = m_p.placement ? m_p.placement->settings() : nullptr)
            saveAlarmSettings(*kept, m_alarms->settings());
        if (!m_alarms->settings().sound)
            m_bell->stop();
    });
}

void FrmMain::setAlarmOutlets(std::shared_ptr<EventNotifier> notifier, std::function<void()> bell)
{
    m_alarms->setNotifier(std::move(notifier));
    if (bell)
        m_ring = std::move(bell);
}

FrmAlarms* FrmMain::makeAlarms()
{
    auto* w = new FrmAlarms(*m_alarms, *Cmdialog1, *m_p.boxes, nativeParent());
    connect(w, &FrmAlarms::acknowledged, m_bell, &QTimer::stop);
    return w;
}

FrmAlarms* FrmMain::alarms()
{
    return m_alarmsWindow.get();
}

void FrmMain::View_Alarms_Click()
{
    FrmAlarms* w = alarms();
    w->show();
    w->raise();
}

// After each reading the session has shown: the displays that count, display 1 first.
void FrmMain::alarmReading()
{
    const DisplayReading r[] = {{m_s.Disp1_Value, m_s.Disp1_Unit},
                                {m_s.Disp2_Value, m_s.Disp2_Unit}};
    m_alarms->reading(std::span(r, singleDisplay() ? 1 : 2));
}

void FrmMain::showAlarmColours()
{
    if (FrmDigDisplay* d = m_digDisplay.peek())
        for (int display : {1, 2})
            d->showAlarm(display, m_alarms->beyond(display));
}

void FrmMain::alarmPosted(const AlarmEvent& event)
{
    if (rises(event.kind) && m_alarms->settings().sound) {
        m_ring();
        m_bell->start(); // the next ring 10 s from this one
    }
    if (m_alarms->standing().empty())
        m_bell->stop();
}

void FrmMain::ringAgain()
{
    if (m_alarms->standing().empty() || !m_alarms->settings().sound) {
        m_bell->stop();
        return;
    }
    m_ring();
}

void FrmMain::fileEvent(AlarmKind kind, const QString& text)
{
    const QString path = m_core->saveFilePath();
    if (!path.isEmpty())
        m_alarms->setFile(path);
    m_alarms->post(kind, QString(text).replace(u'\n', u' '));
    if (kind == AlarmKind::FileClosed || kind == AlarmKind::FileError)
        m_alarms->setFile(QString());
}
