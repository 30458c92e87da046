#include "graph_model.h"

#include <limits>

#include "runtime_error.h"

GraphModel::GraphModel(QObject* parent) : QObject(parent)
{
    dataReset();
}

void GraphModel::setThisSet(int set)
{
    if (set < 1 || set > Sets)
        throw RuntimeError(QStringLiteral("Graph: data set %1 out of range").arg(set));
    m_set = set;
}

void GraphModel::setThisPoint(int point)
{
    if (point < 1 || point > Points)
        throw RuntimeError(QStringLiteral("Graph: point %1 out of range").arg(point));
    m_point = point;
}

void GraphModel::setGraphData(double value)
{
    m_data[m_set - 1][m_point - 1] = float(value);
}

float GraphModel::graphData() const
{
    return m_data[m_set - 1][m_point - 1];
}

void GraphModel::setColorData(int paletteIndex)
{
    if (paletteIndex < 0 || paletteIndex > 15)
        throw RuntimeError(QStringLiteral("Graph: colour %1 out of range").arg(paletteIndex));
    m_colours[m_set - 1] = paletteIndex;
}

QColor GraphModel::paletteColour(int index)
{
    static const QColor palette[16] = {
        QColor(0, 0, 0),       QColor(0, 0, 128),   QColor(0, 128, 0),   QColor(0, 128, 128),
        QColor(128, 0, 0),     QColor(128, 0, 128), QColor(128, 128, 0), QColor(192, 192, 192),
        QColor(128, 128, 128), QColor(0, 0, 255),   QColor(0, 255, 0),   QColor(0, 255, 255),
        QColor(255, 0, 0),     QColor(255, 0, 255), QColor(255, 255, 0), QColor(255, 255, 255)};
    return palette[index & 15];
}

void GraphModel::setYAxisMax(double bound)
{
    m_yMax = float(bound);
}

void GraphModel::dataReset()
{
    for (auto& set : m_data)
        set.fill(std::numeric_limits<float>::quiet_NaN());
}

void GraphModel::setDrawMode(int mode)
{
    if (mode == 3)
        emit redrawRequested();
    else if (mode == 5)
        emit printRequested();
}
