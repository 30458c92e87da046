// Decoder throughput over a mix of packets like a meter session sends them.
// Usage: bench_decoder [PACKETS]   (default 20000000)
#include <QElapsedTimer>
#include <QList>
#include <QRandomGenerator>
#include <QString>
#include <cstdio>
#include <cstdlib>

#include "decoder.h"
#include "runtime_error.h"
#include "unit_table.h"

namespace {

QString packet(const char* head, const QString& digits2, const QString& digits1)
{
    return QChar(2) + QString::fromLatin1(head) + digits2 + digits1 + u'x';
}

QString digits(QRandomGenerator& rng)
{
    return QString::number(rng.bounded(10000)).rightJustified(4, u'0');
}

// Mostly two-display readings, with the meter family's special packets sprinkled in.
QList<QString> mix()
{
    QRandomGenerator rng(42);
    QList<QString> out;
    for (int i = 0; i < 4096; ++i) {
        const int kind = rng.bounded(100);
        if (kind < 60) // humidity and temperature
            out << packet("010412", digits(rng), digits(rng));
        else if (kind < 70) // negative temperature on display 2
            out << packet("220412", digits(rng), digits(rng));
        else if (kind < 78) // light meter
            out << packet("001500", QStringLiteral("8x?0"), digits(rng));
        else if (kind < 84) // UV, changing range now and then
            out << packet(rng.bounded(10) ? "000001" : "000003", digits(rng), digits(rng));
        else if (kind < 92) // a pair of single readings
            out << packet("410402", digits(rng), digits(rng))
                << packet("420101", digits(rng), digits(rng));
        else if (kind < 97) // over range
            out << packet("000401", QStringLiteral("????"), QStringLiteral("?1?3"));
        else if (kind < 99) // sign code that keeps the signs
            out << packet("710412", digits(rng), digits(rng));
        else // the error pattern
            out << packet("000400", QStringLiteral("000") + QChar(24),
                          QString(QChar(24)).repeated(4));
    }
    return out;
}

double run(bool single, long long count, const QList<QString>& packets)
{
    UnitTable units;
    fillUnitTable(units);
    const DecoderInputs in{single, false, 1, &units};
    long long resets = 0, lines = 0;
    const DecoderHooks hooks{[&resets] { ++resets; }, [&lines] { ++lines; }};
    DecoderState st;
    std::size_t check = 0;
    const qsizetype n = packets.size();
    QElapsedTimer t;
    t.start();
    for (long long i = 0; i < count; ++i) {
        decodePacket(packets[qsizetype(i % n)], st, in, hooks);
        check += std::size_t(st.Disp1_Value.size() + st.Disp1_Unit.size());
    }
    const double secs = double(t.nsecsElapsed()) / 1e9;
    std::printf(
        "%-6s %lld packets in %.3f s: %.0f packets/s (check %zu, %lld lines, %lld resets)\n",
        single ? "single" : "dual", count, secs, double(count) / secs, check, lines, resets);
    return double(count) / secs;
}

} // namespace

int main(int argc, char** argv)
{
    const long long count = argc > 1 ? std::atoll(argv[1]) : 20000000;
    if (count <= 0) {
        std::fprintf(stderr, "usage: bench_decoder [PACKETS]\n");
        return 2;
    }
    const QList<QString> packets = mix();
    run(false, count / 10, packets); // warm-up
    const double dual = run(false, count, packets);
    const double single = run(true, count, packets);
    std::printf("target 6000000 packets/s: %s\n", dual >= 6e6 && single >= 6e6 ? "met" : "NOT met");
    return 0;
}
