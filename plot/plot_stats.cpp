#include "plot_stats.h"

#include <cmath>

#include "axes.h"

std::vector<SeriesStats> seriesStats(const PlotData& data, double from, double to)
{
    const qint64 r0 = data.lowerBound(from), r1 = data.upperBound(to);
    std::vector<SeriesStats> out;
    for (const Series& s : data.series()) {
        const Channel& c = data.channels[size_t(s.channel)];
        SeriesStats st{s, {}};
        data.forEachPiece(s.channel, s.unit, r0, r1, [&](qint64 a, qint64 b) {
            st.stats.merge(c.summary.stats(c.values, a, b));
        });
        out.push_back(st);
    }
    return out;
}

FileFacts fileFacts(const PlotData& data)
{
    FileFacts f;
    f.rows = data.rowCount();
    f.span = data.lastKey() - data.firstKey();
    f.gaps = qint64(data.gaps().size());
    for (const Gap& g : data.gaps())
        if (g.keys > f.longestGap) {
            f.longestGap = g.keys;
            f.longestGapAt = data.key(g.row - 1);
        }
    for (const Mark& m : data.marks) {
        f.clockBack += m.kind == MarkKind::ClockBack;
        f.dataLost += m.kind == MarkKind::DataLost;
    }
    return f;
}

namespace {

QString escaped(const QString& s)
{
    return s.toHtmlEscaped();
}

QString table(const PlotData& data, const std::vector<SeriesStats>& stats)
{
    QString h = QStringLiteral(
        "<table cellspacing=0 cellpadding=2><tr><th align=left>Series</th><th align=right>"
        "Points</th><th align=right>Min</th><th align=left>at</th><th align=right>Max</th>"
        "<th align=left>at</th><th align=right>Mean</th><th align=right>Std dev</th></tr>");
    for (const SeriesStats& s : stats) {
        const QColor colour = seriesColour(s.series.channel, s.series.rank);
        const int decimals = data.channels[size_t(s.series.channel)].values.decimals();
        const int more = decimals < 0 ? -1 : decimals + 1;
        const SpanStats& st = s.stats;
        h += QStringLiteral("<tr><td><font color=%1>&#9632;</font> %2</td><td align=right>%3</td>")
                 .arg(colour.name(), escaped(seriesName(data, s.series)))
                 .arg(st.count);
        if (st.count == 0) {
            h += QStringLiteral("<td colspan=6></td></tr>");
            continue;
        }
        h += QStringLiteral("<td align=right>%1</td><td>%2</td><td align=right>%3</td><td>%4</td>"
                            "<td align=right>%5</td><td align=right>%6</td></tr>")
                 .arg(plottext::value(st.min, decimals),
                      escaped(plottext::key(data, data.key(st.minRow))),
                      plottext::value(st.max, decimals),
                      escaped(plottext::key(data, data.key(st.maxRow))),
                      plottext::value(st.mean, more),
                      plottext::value(std::sqrt(st.variance()), more));
    }
    return h + QStringLiteral("</table>");
}

} // namespace

QString statisticsHtml(const PlotData& data, double from, double to)
{
    if (data.rowCount() == 0)
        return QString();
    const double first = data.firstKey(), last = data.lastKey();
    const double shownFrom = std::max(from, first), shownTo = std::min(to, last);
    QString h = QStringLiteral("<b>In view</b>: ");
    if (shownTo >= shownFrom)
        h += escaped(plottext::key(data, shownFrom)) + QStringLiteral(" – ") +
             escaped(plottext::key(data, shownTo)) + QStringLiteral(" (") +
             escaped(plottext::keySpan(data, shownTo - shownFrom)) + u')';
    else
        h += QStringLiteral("no rows");
    h += table(data, seriesStats(data, from, to));

    const FileFacts f = fileFacts(data);
    h += QStringLiteral("<b>Whole file</b>: ") + escaped(plottext::key(data, first)) +
         QStringLiteral(" – ") + escaped(plottext::key(data, last)) + QStringLiteral(", ") +
         escaped(plottext::keySpan(data, f.span)) +
         QStringLiteral(", %1 rows, %2 gap%3").arg(f.rows).arg(f.gaps).arg(f.gaps == 1 ? "" : "s");
    if (f.gaps > 0)
        h += QStringLiteral(" (longest %1 after %2)")
                 .arg(escaped(plottext::keySpan(data, f.longestGap)),
                      escaped(plottext::key(data, f.longestGapAt)));
    if (data.kind == FileKind::SaveFile && data.collections > 1)
        h += QStringLiteral(", %1 collections").arg(data.collections);
    if (f.clockBack > 0)
        h += QStringLiteral(", clock set back %1 time%2")
                 .arg(f.clockBack)
                 .arg(f.clockBack == 1 ? "" : "s");
    if (f.dataLost > 0)
        h += QStringLiteral(", %1 data lost").arg(f.dataLost);
    if (data.linesNotRead > 0)
        h += QStringLiteral(", %1 line%2 not read (line %3 first)")
                 .arg(data.linesNotRead)
                 .arg(data.linesNotRead == 1 ? "" : "s")
                 .arg(data.firstLineNotRead);
    h += table(data, seriesStats(data, first, last));
    return h;
}
