#include "graph_window.h"

#include <QCloseEvent>
#include <QLabel>

#include "graph_model.h"

FrmGraph::FrmGraph(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("    Last 100 Captured Data Points"));
    Graph1 = new GraphModel(this);
    Label1 = new QLabel(QStringLiteral("Label1"), this);
    Label2 = new QLabel(QStringLiteral("Label2"), this);
    Label2->move(128, 0);
}

void FrmGraph::closeEvent(QCloseEvent* event)
{
    emit unloaded();
    event->accept();
}
