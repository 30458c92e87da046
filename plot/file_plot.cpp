#include "file_plot.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

#include "common_dialog.h"
#include "message_boxes.h"
#include "plot_area.h"
#include "plot_export.h"
#include "plot_stats.h"
#include "printer.h"
#include "runtime_error.h"
#include "window_placement.h"

// A reading from the start, on its own thread; the window takes its result when it ends.
struct FrmFilePlot::Load
{
    QString path;
    std::atomic<bool> cancel{false};
    std::atomic<qint64> done{0};
    qint64 size = 0;
    std::unique_ptr<PlotFile> file;
    QString error;
};

FrmFilePlot::FrmFilePlot(CommonDialog& dialog, MessageBoxes& boxes, QWidget* parent)
    : QWidget(parent, Qt::Window), m_dialog(dialog), m_boxes(boxes)
{
    Plot = new PlotArea(this);
    Whole = new QPushButton(QStringLiteral("Whole File"), this);
    Follow = new QPushButton(QStringLiteral("Follow"), this);
    TimeAxis = new QPushButton(QStringLiteral("Time Axis..."), this);
    Export = new QPushButton(QStringLiteral("Export..."), this);
    Print = new QPushButton(QStringLiteral("Print..."), this);
    Stats = new QLabel(this);
    Status = new QLabel(this);
    Plot->setObjectName(QStringLiteral("Plot"));
    Follow->setCheckable(true);
    Follow->setChecked(true);
    Follow->setToolTip(QStringLiteral("Keep the newest rows in view as they are appended"));
    Whole->setToolTip(QStringLiteral("Show the whole file (Home, or a double click on the plot)"));
    TimeAxis->setToolTip(QStringLiteral("Plot the records against time: the first record's time "
                                        "and the meter's logging interval"));
    TimeAxis->hide();
    Stats->setTextFormat(Qt::RichText);
    Stats->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Stats->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Long statistics lines are cut at the window's edge rather than widen it past a small
    // screen.
    Stats->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    Status->setTextFormat(Qt::PlainText);
    Status->setToolTip(QStringLiteral("Wheel: zoom about the pointer. Drag: zoom to the box. "
                                      "Right drag, Shift drag or the arrow keys: pan. "
                                      "Home or a double click: the whole file. End: the newest "
                                      "rows."));

    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {Whole, Follow, TimeAxis, Export, Print}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    buttons->addSpacing(12);
    buttons->addWidget(Status, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(buttons);
    layout->addWidget(Plot, 1);
    layout->addWidget(Stats);

    connect(Whole, &QPushButton::clicked, Plot, &PlotArea::showWhole);
    connect(Follow, &QPushButton::toggled, this, [this](bool on) {
        Plot->setFollow(on);
        if (on && !Plot->whole())
            Plot->showNewest();
    });
    connect(TimeAxis, &QPushButton::clicked, this, &FrmFilePlot::TimeAxis_Click);
    connect(Export, &QPushButton::clicked, this, &FrmFilePlot::Export_Click);
    connect(Print, &QPushButton::clicked, this, &FrmFilePlot::Print_Click);
    connect(&m_follower, &FileFollower::appended, this, &FrmFilePlot::takeAppended);
    connect(&m_follower, &FileFollower::replaced, this, [this] { openFile(m_path); });
    m_statsDue.setSingleShot(true);
    connect(&m_statsDue, &QTimer::timeout, this, &FrmFilePlot::showFacts);
    connect(Plot, &PlotArea::viewChanged, this, [this] { m_statsDue.start(0); });
    m_progress.setInterval(250);
    connect(&m_progress, &QTimer::timeout, this, [this] {
        if (m_load && m_load->size > 0)
            Status->setText(
                QStringLiteral("Reading... %1%").arg(m_load->done * 100 / m_load->size));
    });
    resize(1100, 760);
}

void FrmFilePlot::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    fitToScreen(this);
}

FrmFilePlot::~FrmFilePlot()
{
    stopLoad();
}

void FrmFilePlot::stopLoad()
{
    if (m_load)
        m_load->cancel = true;
    if (m_thread)
        m_thread->wait(); // it stops within a block of the file
    m_thread = nullptr;
    m_load.reset();
    m_progress.stop();
}

void FrmFilePlot::openFile(const QString& path, const QString& from, const QString& to)
{
    stopLoad();
    m_follower.stop();
    Plot->setData(nullptr);
    m_file.reset();
    m_path = path;
    m_from = from;
    m_to = to;
    const QString name = QFileInfo(path).fileName();
    setWindowTitle(name);
    Plot->setEmptyText(QStringLiteral("Reading %1...").arg(name));
    Stats->clear();
    Status->setText(QStringLiteral("Reading..."));
    TimeAxis->hide();

    auto load = std::make_shared<Load>();
    load->path = path;
    identityOf(path, &load->size);
    m_load = load;
    QThread* thread = QThread::create([load] {
        try {
            load->file = PlotFile::read(load->path, &load->cancel, &load->done);
        } catch (const RuntimeError& e) {
            load->error = e.description();
        } catch (const std::bad_alloc&) {
            load->error = QStringLiteral("%1 is too large for the memory left.").arg(load->path);
        }
    });
    connect(thread, &QThread::finished, this, [this, load] { loadEnded(load); });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    m_thread = thread;
    thread->start(QThread::LowPriority);
    m_progress.start();
}

void FrmFilePlot::loadEnded(const std::shared_ptr<Load>& load)
{
    if (load != m_load)
        return; // a reading given up for another
    m_thread = nullptr;
    m_progress.stop();
    m_load.reset();
    if (!load->error.isEmpty() || !load->file) {
        Plot->setEmptyText(load->error);
        Status->clear();
        emit loaded();
        if (!load->error.isEmpty())
            m_boxes.msgBox(load->error, int(Mb::OkOnly) | int(Mb::Exclamation));
        return;
    }
    m_file = std::move(load->file);
    Plot->setData(&m_file->data);
    QString error;
    PlotView view = Plot->view();
    if ((!m_from.isEmpty() && !spanKey(m_file->data, m_from, false, 0, &view.from, &error)) ||
        (!m_to.isEmpty() && !spanKey(m_file->data, m_to, true, view.from, &view.to, &error)))
        m_boxes.msgBox(error, int(Mb::OkOnly) | int(Mb::Exclamation));
    else if (!m_from.isEmpty() || !m_to.isEmpty())
        Plot->setView(view);
    m_follower.start(m_file->path, m_file->identity, m_file->offset);
    showFacts();
    emit loaded();
}

void FrmFilePlot::takeAppended(const QByteArray& bytes)
{
    if (!m_file)
        return;
    m_file->append(bytes);
    Plot->rowsAppended();
}

void FrmFilePlot::showFacts()
{
    if (!m_file)
        return;
    const PlotData& data = m_file->data;
    TimeAxis->setVisible(data.kind == FileKind::DownloadFile);
    const QString nothing = nothingToPlot(data);
    if (!nothing.isEmpty())
        Plot->setEmptyText(QStringLiteral("%1 holds nothing to plot: %2\nRows appended to it "
                                          "will show here.")
                               .arg(QFileInfo(m_path).fileName(), nothing));
    Stats->setText(statisticsHtml(data, Plot->view().from, Plot->view().to));
    Status->setText(
        QStringLiteral("%1 rows%2")
            .arg(data.rowCount())
            .arg(m_follower.following() ? QStringLiteral(", following the file") : QString()));
}

void FrmFilePlot::TimeAxis_Click()
{
    if (!m_file)
        return;
    PlotData& data = m_file->data;
    QDialog d(this);
    d.setWindowTitle(QStringLiteral("Time Axis"));
    auto* start = new QDateTimeEdit(&d);
    start->setDisplayFormat(QStringLiteral("MM-dd-yyyy HH:mm:ss"));
    start->setTimeSpec(Qt::UTC);
    auto* interval = new QDoubleSpinBox(&d);
    interval->setRange(0.1, 86400);
    interval->setDecimals(1);
    interval->setSuffix(QStringLiteral(" s"));
    if (data.recordTimesSet()) {
        const TimeSegment& s = data.segments.front();
        start->setDateTime(QDateTime::fromSecsSinceEpoch(qint64(s.origin + s.scale), Qt::UTC));
        interval->setValue(s.scale);
    } else {
        // A first guess: the day the file was written, from its start.
        const QDate written = QFileInfo(m_path).lastModified().date();
        start->setDateTime(QDateTime(written, QTime(0, 0), Qt::UTC));
        interval->setValue(1);
    }
    auto* numbers = new QCheckBox(QStringLiteral("Record numbers, no times"), &d);
    numbers->setChecked(!data.recordTimesSet());
    auto* form = new QFormLayout(&d);
    form->addRow(new QLabel(QStringLiteral("The meter's first record was logged at the start; "
                                           "one record each interval."),
                            &d));
    form->addRow(QStringLiteral("Start"), start);
    form->addRow(QStringLiteral("Interval"), interval);
    form->addRow(numbers);
    auto* ok = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &d);
    form->addRow(ok);
    connect(ok, &QDialogButtonBox::accepted, &d, &QDialog::accept);
    connect(ok, &QDialogButtonBox::rejected, &d, &QDialog::reject);
    if (d.exec() != QDialog::Accepted)
        return;
    data.setRecordTimes(double(start->dateTime().toSecsSinceEpoch()),
                        numbers->isChecked() ? 0 : interval->value());
    Plot->keysRelabelled();
}

void FrmFilePlot::exportTo(const QString& path)
{
    if (!m_file)
        return;
    try {
        exportPlot(m_file->data, Plot->view(), plotTitle(m_file->data, m_path, Plot->view()), path,
                   Plot->size());
        Status->setText(QStringLiteral("Saved %1").arg(path));
    } catch (const RuntimeError& e) {
        m_boxes.msgBox(e.description(), int(Mb::OkOnly) | int(Mb::Exclamation));
    }
}

void FrmFilePlot::Export_Click()
{
    if (!m_file)
        return;
    // The dialog is shared: what it proposes for the other uses is left as it was.
    const QString filter = m_dialog.filter(), ext = m_dialog.defaultExt();
    const QString name = m_dialog.fileName();
    const QFileInfo info(m_path);
    m_dialog.setFilter(QStringLiteral("PNG|*.png|SVG|*.svg|PDF|*.pdf"));
    m_dialog.setDefaultExt(QStringLiteral("png"));
    m_dialog.setFileName(info.dir().filePath(info.completeBaseName() + QStringLiteral(".png")));
    m_dialog.showSave();
    const bool chosen = m_dialog.accepted();
    const QString path = m_dialog.fileName();
    m_dialog.setFilter(filter);
    m_dialog.setDefaultExt(ext);
    m_dialog.setFileName(name);
    if (!chosen)
        return;
    if (!exportableName(path)) {
        m_boxes.msgBox(
            QStringLiteral("%1: the picture's name must end in .png, .svg or .pdf").arg(path),
            int(Mb::OkOnly) | int(Mb::Exclamation));
        return;
    }
    exportTo(path);
}

void FrmFilePlot::Print_Click()
{
    if (!m_file || !m_dialog.showPrinter())
        return;
    const PlotData& data = m_file->data;
    const PlotView view = Plot->view();
    PlotStyle style;
    style.title = plotTitle(data, m_path, view);
    try {
        printPage([&](QPainter& p, const QRectF& page) {
            paintPlot(p, data, layoutPlot(data, view, page, style), style);
        });
    } catch (const RuntimeError& e) {
        m_boxes.msgBox(QStringLiteral("The plot was not printed.\n") + e.description(),
                       int(Mb::OkOnly) | int(Mb::Exclamation));
    }
}
