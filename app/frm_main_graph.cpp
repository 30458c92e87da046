// The graph window and the analog gauges: their menu items, the graph's closing and printing.

#include <QAction>
#include <QFrame>
#include <QPainter>

#include "anag_display.h"
#include "frm_main.h"
#include "graph_model.h"
#include "graph_plot.h"
#include "graph_window.h"
#include "printer.h"
#include "runtime_error.h"
#include "texts.h"

FrmGraph* FrmMain::graph()
{
    if (m_graph.loaded())
        return m_graph.peek();
    FrmGraph* w = m_graph.get();
    // The printer dialog keeps no names or titles, so the one dialog component serves it too.
    w->Printer_Ctrl = m_p.dialog.get();
    connect(w->Graph1, &GraphModel::printRequested, this, &FrmMain::printGraph);
    connect(w, &FrmGraph::unloaded, this, [this, w] {
        if (Graph_On->isChecked())
            hideGraph(w);
    });
    // A window made again after its close box has the start-up colours and goes on at the point
    // the next reading is due.
    GraphModel* g = w->Graph1;
    g->setThisSet(1);
    g->setColorData(9);
    g->setThisSet(2);
    g->setColorData(12);
    if (m_s.Graph_Point >= 1 && m_s.Graph_Point <= GraphModel::Points)
        g->setThisPoint(m_s.Graph_Point);
    return w;
}

// The menu and the close box hide the graph alike.
void FrmMain::hideGraph(FrmGraph* g)
{
    g->Plot->hide();
    g->hide();
    m_s.Graph_Shown = 0;
    Graph_On->setChecked(false);
}

void FrmMain::Graph_On_Click()
{
    FrmGraph* g = graph();
    if (Graph_On->isChecked()) {
        hideGraph(g);
    } else {
        g->Plot->show();
        g->show();
        m_s.Graph_Shown = 1;
        Graph_On->setChecked(true);
    }
}

void FrmMain::printGraph()
{
    FrmGraph* g = graph();
    const QString stamp =
        texts::dateText(m_p.clock->date()) + u' ' + texts::timeText(m_p.clock->time());
    try {
        printPage([&](QPainter& p, const QRectF& page) { g->paintPage(p, page, stamp); });
    } catch (const RuntimeError& e) {
        // Nothing is lost by a failed print: say so, and go on.
        m_p.boxes->msgBox(QStringLiteral("The graph was not printed.\n") + e.description(),
                          int(Mb::OkOnly) | int(Mb::Exclamation));
    }
}

void FrmMain::Analog_On_Click()
{
    FrmAnagDisplay* a = anagDisplay();
    if (!Analog_On->isChecked()) {
        Analog_On->setChecked(true);
        a->show();
        a->Frame6->show();
    } else {
        Analog_On->setChecked(false);
        a->hide();
        a->Frame6->hide();
    }
}
