#include "graph_window.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>

#include "common_dialog.h"
#include "graph_model.h"
#include "graph_plot.h"
#include "twips.h"
#include "window_keys.h"

static QLabel* legendLabel(const QString& caption, int paletteIndex, QWidget* parent)
{
    auto* l = new QLabel(caption, parent);
    QFont f = l->font();
    f.setPixelSize(13);
    f.setBold(true);
    l->setFont(f);
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, GraphModel::paletteColour(paletteIndex));
    l->setPalette(pal);
    return l;
}

FrmGraph::FrmGraph(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("    Last 100 Captured Data Points"));
    Menu = new QMenuBar(this);
    Graph = Menu->addMenu(QStringLiteral("Print Graph"));
    Graph->setObjectName(QStringLiteral("Graph"));
    Print_Graph = Graph->addAction(QStringLiteral("Print"));
    Print_Graph->setObjectName(QStringLiteral("Print_Graph"));
    connect(Print_Graph, &QAction::triggered, this, &FrmGraph::Print_Graph_Click);
    openMenusWithF10(Menu);

    m_client = new QWidget(this);
    m_client->setAutoFillBackground(true);
    QPalette pal = m_client->palette();
    pal.setColor(QPalette::Window, Qt::white);
    m_client->setPalette(pal);
    Graph1 = new GraphModel(this);
    Plot = new GraphPlot(Graph1, m_client);
    Plot->move(0, twipsToPixels(240, this));
    Label1 = legendLabel(QStringLiteral("Label1"), 9, m_client);
    Label1->setGeometry(6, 0, twipsToPixels(1920, this) - 6, twipsToPixels(240, this));
    Label2 = legendLabel(QStringLiteral("Label2"), 12, m_client);
    Label2->setGeometry(twipsToPixels(1920, this), 0, twipsToPixels(3840, this),
                        twipsToPixels(240, this));
    // About 800 x 450 pixels of plot on a 96 dpi screen.
    resize(twipsToPixels(12075, this), twipsToPixels(7350, this));
}

void FrmGraph::resizeEvent(QResizeEvent*)
{
    const int bar = Menu->sizeHint().height();
    Menu->setGeometry(0, 0, width(), bar);
    m_client->setGeometry(0, bar, width(), std::max(0, height() - bar));
    Form_Resize();
}

void FrmGraph::Form_Resize()
{
    const int h = std::max(0, outerHeightTwips(this) - 975);
    const int w = std::max(0, outerWidthTwips(this) - 75);
    Plot->resize(twipsToPixels(w, this), twipsToPixels(h, this));
}

void FrmGraph::Print_Graph_Click()
{
    // Only a printer chosen with OK prints; Cancel means no print.
    if (!Printer_Ctrl || !Printer_Ctrl->showPrinter())
        return;
    Graph1->setDrawMode(5);
    update(); // the window is redrawn once the page has gone
}

void FrmGraph::paintPage(QPainter& p, const QRectF& page, const QString& stamp) const
{
    p.save();
    QFont f;
    f.setPixelSize(16);
    f.setBold(true);
    p.setFont(f);
    const double line = QFontMetricsF(f).height() + 4;
    p.setPen(Qt::black);
    p.drawText(QRectF(page.left(), page.top(), page.width(), line),
               Qt::AlignLeft | Qt::AlignVCenter, windowTitle().trimmed());
    f.setBold(false);
    p.setFont(f);
    p.drawText(QRectF(page.left(), page.top(), page.width(), line),
               Qt::AlignRight | Qt::AlignVCenter, stamp);
    f.setBold(true);
    p.setFont(f);
    // The legend stands where the window has it, scaled like the plot.
    const double first = QFontMetricsF(f).horizontalAdvance(Label1->text()) + 24;
    const double second = std::clamp(page.width() * Label2->x() / std::max(1, Plot->width()), first,
                                     std::max(first, page.width() / 2));
    const QRectF legend(page.left(), page.top() + line, page.width(), line);
    p.setPen(GraphModel::paletteColour(Graph1->colorData(1)));
    p.drawText(legend.adjusted(6, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, Label1->text());
    p.setPen(GraphModel::paletteColour(Graph1->colorData(2)));
    p.drawText(legend.adjusted(second, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, Label2->text());
    p.restore();
    GraphPlot::render(p, page.adjusted(0, 2 * line + 4, 0, 0), *Graph1);
}

void FrmGraph::closeEvent(QCloseEvent* event)
{
    emit unloaded();
    event->accept();
}
