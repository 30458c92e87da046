#pragma once

#include <QColor>
#include <QObject>
#include <array>

// The graph component's data: 2 data sets of 100 points (numbered from 1), a current set and
// point, single-precision values, set colours, an upper y-axis bound and a drawing mode. A point
// not written since the start or the last reset is empty (NaN) and is not drawn; an empty value
// moves between points like any other.
class GraphModel : public QObject
{
    Q_OBJECT
  public:
    static constexpr int Sets = 2;
    static constexpr int Points = 100;

    explicit GraphModel(QObject* parent = nullptr);

    void setThisSet(int set); // 1 or 2; throws RuntimeError otherwise
    int thisSet() const { return m_set; }
    void setThisPoint(int point); // 1 to 100; throws RuntimeError otherwise
    int thisPoint() const { return m_point; }

    void setGraphData(double value); // stored in single precision
    float graphData() const;
    float value(int set, int point) const { return m_data[set - 1][point - 1]; }

    void setColorData(int paletteIndex); // 0..15 for the current set
    int colorData(int set) const { return m_colours[set - 1]; }
    static QColor paletteColour(int index);

    void setYAxisMax(double bound);
    float yAxisMax() const { return m_yMax; }

    void dataReset(); // every point of both sets emptied
    // 3: draw anew on screen; 5: print. Other values are kept but do nothing.
    void setDrawMode(int mode);

  signals:
    void redrawRequested();
    void printRequested();

  private:
    std::array<std::array<float, Points>, Sets> m_data;
    std::array<int, Sets> m_colours{1, 4};
    int m_set = 1;
    int m_point = 1;
    float m_yMax = 100.0f;
};
