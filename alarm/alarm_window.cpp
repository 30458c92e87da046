#include "alarm_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>

#include "alarm_store.h"
#include "common_dialog.h"
#include "message_boxes.h"
#include "runtime_error.h"

namespace {

const QColor kAlarmInk(0xd0, 0x10, 0x10);

} // namespace

// ---- the event list ----

AlarmEventModel::AlarmEventModel(const AlarmEngine& engine, QObject* parent)
    : QAbstractTableModel(parent), m_engine(engine)
{
    connect(&engine, &AlarmEngine::aboutToDropOldest, this, [this] {
        const int last = rowCount() - 1;
        beginRemoveRows(QModelIndex(), last, last);
        m_removing = true;
    });
    connect(&engine, &AlarmEngine::aboutToPost, this, [this] {
        if (m_removing)
            endRemoveRows();
        m_removing = false;
        beginInsertRows(QModelIndex(), 0, 0);
    });
    connect(&engine, &AlarmEngine::posted, this, [this] { endInsertRows(); });
}

int AlarmEventModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_engine.events().size());
}

int AlarmEventModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Columns;
}

QVariant AlarmEventModel::data(const QModelIndex& index, int role) const
{
    const auto& events = m_engine.events();
    if (!index.isValid() || index.row() >= int(events.size()))
        return {};
    const AlarmEvent& e = events[events.size() - 1 - std::size_t(index.row())];
    if (role == Qt::ForegroundRole && rises(e.kind))
        return kAlarmInk;
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    switch (Column(index.column())) {
    case Time:
        return eventTimeText(e).replace(u'T', u' ');
    case Event:
        return kindName(e.kind);
    case Display:
        return e.display > 0 ? QString::number(e.display) : QString();
    case Value:
        return e.value;
    case Unit:
        return e.unit;
    case Limit:
        return e.limit;
    case Text:
        return e.text;
    case Columns:
        break;
    }
    return {};
}

QVariant AlarmEventModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const names[] = {"Time", "Event", "Display", "Value",
                                        "Unit", "Limit", "Text"};
    return section >= 0 && section < Columns ? QString::fromLatin1(names[section]) : QVariant();
}

// ---- the window ----

FrmAlarms::FrmAlarms(AlarmEngine& engine, CommonDialog& dialog, MessageBoxes& boxes,
                     QWidget* parent)
    : QWidget(parent, Qt::Window), m_engine(engine), m_dialog(dialog), m_boxes(boxes)
{
    setWindowTitle(QStringLiteral("Alarms"));
    setObjectName(QStringLiteral("FrmAlarms"));

    auto* limits = new QGroupBox(QStringLiteral("Limits"), this);
    auto* grid = new QGridLayout(limits);
    grid->addWidget(new QLabel(QStringLiteral("High"), limits), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Low"), limits), 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Unit"), limits), 0, 3);
    const int editWidth = limits->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 16;
    const auto edit = [limits, editWidth](const char* name, const QString& hint) {
        auto* e = new QLineEdit(limits);
        e->setObjectName(QLatin1String(name));
        e->setPlaceholderText(hint);
        e->setMaximumWidth(editWidth);
        return e;
    };
    const QString none = QStringLiteral("none");
    const QString firstUnit = QStringLiteral("first reading's");
    High1 = edit("High1", none), Low1 = edit("Low1", none), Unit1 = edit("Unit1", firstUnit);
    High2 = edit("High2", none), Low2 = edit("Low2", none), Unit2 = edit("Unit2", firstUnit);
    grid->addWidget(new QLabel(QStringLiteral("Display 1"), limits), 1, 0);
    grid->addWidget(High1, 1, 1), grid->addWidget(Low1, 1, 2), grid->addWidget(Unit1, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Display 2"), limits), 2, 0);
    grid->addWidget(High2, 2, 1), grid->addWidget(Low2, 2, 2), grid->addWidget(Unit2, 2, 3);

    Hold = new QSpinBox(limits);
    Hold->setObjectName(QStringLiteral("Hold"));
    Hold->setRange(0, AlarmSettings::MaxHoldSeconds);
    Hold->setSuffix(QStringLiteral(" s"));
    Silent = new QSpinBox(limits);
    Silent->setObjectName(QStringLiteral("Silent"));
    Silent->setRange(AlarmSettings::MinSilentSeconds, AlarmSettings::MaxSilentSeconds);
    Silent->setSuffix(QStringLiteral(" s"));
    auto* times = new QHBoxLayout;
    times->addWidget(new QLabel(QStringLiteral("Beyond a limit for"), limits));
    times->addWidget(Hold);
    times->addSpacing(12);
    times->addWidget(new QLabel(QStringLiteral("Silent meter after"), limits));
    times->addWidget(Silent);
    times->addStretch();
    grid->addLayout(times, 3, 0, 1, 5);
    grid->setColumnStretch(4, 1);

    auto* actions = new QGroupBox(QStringLiteral("Actions"), this);
    auto* act = new QGridLayout(actions);
    Notify = new QCheckBox(QStringLiteral("Desktop notification"), actions);
    Sound = new QCheckBox(QStringLiteral("Sound"), actions);
    RunCommand = new QCheckBox(QStringLiteral("Run a command:"), actions);
    Command = new QLineEdit(actions);
    Command->setPlaceholderText(QStringLiteral("run by /bin/sh -c with $QUORVANE_EVENT and more"));
    Notify->setObjectName(QStringLiteral("Notify"));
    Sound->setObjectName(QStringLiteral("Sound"));
    RunCommand->setObjectName(QStringLiteral("RunCommand"));
    Command->setObjectName(QStringLiteral("Command"));
    act->addWidget(Notify, 0, 0), act->addWidget(Sound, 0, 1);
    act->addWidget(RunCommand, 1, 0), act->addWidget(Command, 1, 1, 1, 2);
    act->setColumnStretch(2, 1);

    Problem = new QLabel(this);
    Problem->setObjectName(QStringLiteral("Problem"));
    Problem->setStyleSheet(QStringLiteral("color: #d01010"));
    Problem->hide();

    Standing = new QLabel(this);
    Standing->setObjectName(QStringLiteral("Standing"));
    Standing->setWordWrap(true);
    Standing->setTextFormat(Qt::PlainText);
    Acknowledge = new QPushButton(QStringLiteral("Acknowledge"), this);
    Acknowledge->setObjectName(QStringLiteral("Acknowledge"));
    auto* now = new QHBoxLayout;
    now->addWidget(Standing, 1);
    now->addWidget(Acknowledge, 0, Qt::AlignTop);

    List = new QTableView(this);
    List->setObjectName(QStringLiteral("List"));
    List->setModel(new AlarmEventModel(engine, List));
    List->setSelectionBehavior(QAbstractItemView::SelectRows);
    List->setEditTriggers(QAbstractItemView::NoEditTriggers);
    List->setWordWrap(false);
    List->verticalHeader()->hide();
    List->verticalHeader()->setDefaultSectionSize(List->fontMetrics().height() + 4);
    List->horizontalHeader()->setStretchLastSection(true);
    const int digit = List->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    const int widths[] = {20, 15, 8, 8, 7, 6};
    for (int c = 0; c < 6; ++c)
        List->setColumnWidth(c, widths[c] * digit);

    SaveList = new QPushButton(QStringLiteral("Save List as CSV…"), this);
    SaveList->setObjectName(QStringLiteral("SaveList"));
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(SaveList);

    auto* column = new QVBoxLayout(this);
    column->addWidget(limits);
    column->addWidget(actions);
    column->addWidget(Problem);
    column->addLayout(now);
    column->addWidget(List, 1);
    column->addLayout(bottom);

    showSettings();
    showStanding();
    for (QLineEdit* e : {High1, Low1, Unit1, High2, Low2, Unit2, Command})
        connect(e, &QLineEdit::editingFinished, this, &FrmAlarms::apply);
    for (QSpinBox* b : {Hold, Silent})
        connect(b, &QSpinBox::valueChanged, this, &FrmAlarms::apply);
    for (QCheckBox* b : {Notify, Sound, RunCommand})
        connect(b, &QCheckBox::toggled, this, &FrmAlarms::apply);
    connect(Acknowledge, &QPushButton::clicked, this, &FrmAlarms::Acknowledge_Click);
    connect(SaveList, &QPushButton::clicked, this, &FrmAlarms::SaveList_Click);
    connect(&engine, &AlarmEngine::settingsChanged, this, &FrmAlarms::showSettings);
    connect(&engine, &AlarmEngine::posted, this, &FrmAlarms::showStanding);
    resize(920, 600);
}

void FrmAlarms::showSettings()
{
    const AlarmSettings& s = m_engine.settings();
    const auto show = [](QLineEdit* e, const QString& text) {
        if (!e->hasFocus() || !e->isModified()) // never under the user's typing
            e->setText(text);
    };
    const auto limit = [](const std::optional<double>& x) { return x ? limitText(*x) : QString(); };
    QLineEdit* const rows[2][3] = {{High1, Low1, Unit1}, {High2, Low2, Unit2}};
    for (int i = 0; i < 2; ++i) {
        show(rows[i][0], limit(s.limits[i].high));
        show(rows[i][1], limit(s.limits[i].low));
        show(rows[i][2], s.limits[i].unit);
    }
    const QSignalBlocker b1(Hold), b2(Silent), b3(Notify), b4(Sound), b5(RunCommand);
    Hold->setValue(s.holdSeconds);
    Silent->setValue(s.silentSeconds);
    Notify->setChecked(s.notify);
    Sound->setChecked(s.sound);
    RunCommand->setChecked(s.runCommand);
    show(Command, s.command);
}

void FrmAlarms::apply()
{
    AlarmSettings s = m_engine.settings();
    QLineEdit* const rows[2][3] = {{High1, Low1, Unit1}, {High2, Low2, Unit2}};
    QString problem;
    for (int i = 0; i < 2 && problem.isEmpty(); ++i) {
        std::optional<double> parsed[2];
        for (int k = 0; k < 2; ++k) {
            const QString text = rows[i][k]->text().trimmed();
            if (text.isEmpty())
                continue;
            bool ok = false;
            const double x = QLocale::c().toDouble(text, &ok);
            if (!ok || !std::isfinite(x)) {
                problem = QStringLiteral("\"%1\" is not a number").arg(text);
                break;
            }
            parsed[k] = x;
        }
        if (problem.isEmpty() && parsed[0] && parsed[1] && *parsed[0] <= *parsed[1])
            problem =
                QStringLiteral("Display %1: the high limit must be above the low limit").arg(i + 1);
        s.limits[i].high = parsed[0];
        s.limits[i].low = parsed[1];
        s.limits[i].unit = rows[i][2]->text().trimmed();
    }
    Problem->setText(problem);
    Problem->setVisible(!problem.isEmpty());
    if (!problem.isEmpty())
        return; // the engine keeps what it had
    s.holdSeconds = Hold->value();
    s.silentSeconds = Silent->value();
    s.notify = Notify->isChecked();
    s.sound = Sound->isChecked();
    s.runCommand = RunCommand->isChecked();
    s.command = Command->text();
    for (QLineEdit* e : {High1, Low1, Unit1, High2, Low2, Unit2, Command})
        e->setModified(false);
    m_engine.setSettings(s);
}

void FrmAlarms::showStanding()
{
    const std::vector<AlarmEvent> standing = m_engine.standing();
    if (standing.empty()) {
        Standing->setText(QStringLiteral("No alarm stands now."));
        Standing->setStyleSheet(QString());
        return;
    }
    QStringList lines;
    for (const AlarmEvent& e : standing)
        lines << QStringLiteral("Since %1: %2")
                     .arg(e.time.toString(QStringLiteral("HH:mm:ss")), e.text);
    Standing->setText(lines.join(u'\n'));
    Standing->setStyleSheet(QStringLiteral("color: #d01010; font-weight: bold"));
}

void FrmAlarms::Acknowledge_Click()
{
    emit acknowledged();
}

void FrmAlarms::SaveList_Click()
{
    // The dialog is shared: the other uses find it as they left it.
    struct Restore
    {
        CommonDialog& d;
        const int flags = d.flags();
        const QString filter = d.filter(), ext = d.defaultExt(), title = d.dialogTitle(),
                      name = d.fileName();
        ~Restore()
        {
            d.setFlags(flags), d.setFilter(filter), d.setDefaultExt(ext);
            d.setDialogTitle(title), d.setFileName(name);
        }
    } restore{m_dialog};
    m_dialog.setFlags(0x80000);
    m_dialog.setFilter(QStringLiteral("CSV|*.CSV"));
    m_dialog.setDefaultExt(QStringLiteral("CSV"));
    m_dialog.setDialogTitle(QStringLiteral("Save The Event List"));
    m_dialog.setFileName(QString());
    m_dialog.showSave();
    const QString path = m_dialog.fileName();
    if (path.isEmpty())
        return; // cancelled
    const QFileInfo chosen(path);
    // Never over the recording: that file is the one thing here that cannot be made again.
    if (!m_engine.file().isEmpty() &&
        chosen.absoluteFilePath() == QFileInfo(m_engine.file()).absoluteFilePath()) {
        m_boxes.msgBox(QStringLiteral("%1 is the file being recorded.\nChoose another name for "
                                      "the event list.")
                           .arg(path),
                       int(Mb::OkOnly) | int(Mb::Exclamation));
        return;
    }
    if (chosen.exists() &&
        m_boxes.msgBox(QStringLiteral("%1 exists. Replace it with the event list?").arg(path),
                       int(Mb::YesNo) | int(Mb::Question) | int(Mb::DefaultButton2)) != Mb::Yes)
        return;
    try {
        writeEventsCsv(path, m_engine.events());
    } catch (const RuntimeError& e) {
        m_boxes.msgBox(e.description(), int(Mb::OkOnly) | int(Mb::Critical));
    }
}

void FrmAlarms::closeEvent(QCloseEvent* event)
{
    emit unloaded();
    event->accept();
}
