// Arbitrary bytes as a stream of 16-byte packets through one decoder state; the first byte picks
// the display mode and the recording switches, a trailing short piece goes in as a short packet.
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "decoder.h"
#include "runtime_error.h"
#include "unit_table.h"

namespace {

constexpr std::size_t kPacketLen = 16;

const UnitTable& units()
{
    static const UnitTable table = [] {
        UnitTable t;
        fillUnitTable(t);
        return t;
    }();
    return table;
}

// What the meter can show: no text grows past ten characters, whatever came before.
void checkBounded(const DecoderState& st)
{
    if (st.Disp1_Value.size() > 10 || st.Disp2_Value.size() > 10 || st.Disp1_Unit.size() > 10 ||
        st.Disp2_Unit.size() > 10 || st.lightCaption().size() > 9 || st.Alt1_Unit.size() > 10 ||
        st.Alt2_Unit.size() > 10)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::uint8_t mode = data[0];
    ++data;
    --size;
    const DecoderInputs in{(mode & 1) != 0, (mode & 2) != 0, (mode >> 2) & 3, &units()};
    DecoderState st;
    long long lines = 0;
    const DecoderHooks hooks{[] {}, [&lines] { ++lines; }};
    std::size_t at = 0;
    for (;;) {
        const std::size_t len = size - at < kPacketLen ? size - at : kPacketLen;
        if (len == 0)
            break;
        const long long before = st.Rec_Count;
        try {
            decodePacket(
                QString::fromLatin1(reinterpret_cast<const char*>(data) + at, qsizetype(len)), st,
                in, hooks);
        } catch (const RuntimeError&) {
        }
        checkBounded(st);
        // One packet moves the count by at most one either way.
        if (st.Rec_Count > before + 1 || st.Rec_Count < before - 1)
            std::abort();
        at += len;
    }
    return 0;
}
