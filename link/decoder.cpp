#include "decoder.h"

#include <algorithm>
#include <cstdint>
#include <memory>

#include "runtime_error.h"
#include "texts.h"

namespace {

// Packet layout, 0-based.
constexpr qsizetype kDigits2At = 7;
constexpr qsizetype kDigits1At = 11;
constexpr qsizetype kDigitsLen = 4;
constexpr qsizetype kDigits8Len = 8;

constexpr char16_t kEsc = 27;
constexpr char16_t kCan = 24;

constexpr double kPow10[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                             1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// The lenient leading-number parse, kept as mantissa and decimal places so that the shortest
// text can be written without going through printf. Same result as texts::leadingNumber: up to
// 15 digits both the mantissa and the power of ten are exact, so one division rounds correctly.
struct Lenient
{
    bool negative = false;
    bool digits = false;
    bool exact = true; // false: more digits than the fast path carries
    std::uint64_t mantissa = 0;
    int places = 0;
    double value = 0.0;
};

Lenient parseLenient(QStringView t)
{
    Lenient r;
    qsizetype i = 0;
    const qsizetype n = t.size();
    while (i < n && (t[i] == u' ' || t[i] == u'\t'))
        ++i;
    if (i < n && (t[i] == u'+' || t[i] == u'-'))
        r.negative = t[i++] == u'-';
    bool point = false;
    int count = 0;
    for (; i < n; ++i) {
        const char16_t c = t[i].unicode();
        if (c >= u'0' && c <= u'9') {
            if (count == 15) {
                r.exact = false;
                r.value = texts::leadingNumber(t.toString());
                return r;
            }
            r.mantissa = r.mantissa * 10 + (c - u'0');
            ++count;
            r.digits = true;
            if (point)
                ++r.places;
        } else if (c == u'.' && !point) {
            point = true;
        } else if (c == u' ') {
            continue;
        } else {
            break;
        }
    }
    if (r.digits) {
        const double v = double(r.mantissa) / kPow10[r.places];
        r.value = r.negative ? -v : v;
    }
    return r;
}

// Plain digits only: their number, as the lenient parse would read it.
bool plainDigits(QStringView t, std::uint64_t& value)
{
    std::uint64_t m = 0;
    for (const QChar ch : t) {
        const char16_t c = ch.unicode();
        if (c < u'0' || c > u'9')
            return false;
        m = m * 10 + (c - u'0');
    }
    value = m;
    return true;
}

double fieldValue(QStringView t)
{
    std::uint64_t m;
    if (t.size() <= 15 && plainDigits(t, m))
        return double(m);
    return parseLenient(t).value;
}

// A one-character field: a digit gives itself, anything else (or nothing) 0.
double charValue(const QString& p, qsizetype at)
{
    if (at >= p.size())
        return 0.0;
    const char16_t c = p[at].unicode();
    return c >= u'0' && c <= u'9' ? double(c - u'0') : 0.0;
}

// Short texts are put together on the stack and copied into the state's strings, whose buffers
// are reused from packet to packet: a packet then costs no allocation at all.
class Chars
{
  public:
    Chars() = default;
    Chars(const Chars&) = delete;
    Chars& operator=(const Chars&) = delete;

    void append(char16_t c)
    {
        if (m_size == m_cap)
            grow(m_size + 1);
        m_p[m_size++] = c;
    }
    void append(const char16_t* p, qsizetype n)
    {
        if (m_size + n > m_cap)
            grow(m_size + n);
        for (qsizetype i = 0; i < n; ++i)
            m_p[m_size + i] = p[i];
        m_size += n;
    }
    const char16_t* constData() const { return m_p; }
    qsizetype size() const { return m_size; }

  private:
    // Only texts put into the state from outside can be this long.
    void grow(qsizetype need)
    {
        const qsizetype cap = std::max(need, 2 * m_cap);
        auto heap = std::make_unique<char16_t[]>(std::size_t(cap));
        std::copy(m_p, m_p + m_size, heap.get());
        m_heap = std::move(heap);
        m_p = m_heap.get();
        m_cap = cap;
    }

    char16_t m_local[32];
    char16_t* m_p = m_local;
    qsizetype m_size = 0;
    qsizetype m_cap = 32;
    std::unique_ptr<char16_t[]> m_heap;
};

void add(Chars& b, QStringView v)
{
    b.append(reinterpret_cast<const char16_t*>(v.data()), v.size());
}

void assign(QString& dst, const char16_t* p, qsizetype n)
{
    if (dst.size() != n || !dst.isDetached())
        dst.resize(n);
    if (n == 0)
        return;
    QChar* d = dst.data();
    for (qsizetype i = 0; i < n; ++i)
        d[i] = QChar(p[i]);
}

void assign(QString& dst, const Chars& b)
{
    assign(dst, b.constData(), b.size());
}

void assign(QString& dst, QStringView v)
{
    assign(dst, reinterpret_cast<const char16_t*>(v.data()), v.size());
}

// The shortest decimal text of a parsed number, as texts::shortestNumber writes it.
void shortestText(Chars& out, const Lenient& r)
{
    if (!r.exact) {
        add(out, texts::shortestNumber(r.value));
        return;
    }
    if (r.mantissa == 0) {
        out.append(u'0');
        return;
    }
    char16_t digits[20];
    int n = 0;
    for (std::uint64_t m = r.mantissa; m != 0; m /= 10)
        digits[n++] = char16_t(u'0' + m % 10); // reversed
    const int places = r.places;
    int skip = 0; // trailing zeros of the fraction; a non-zero mantissa stops this inside digits
    while (skip < places && digits[skip] == u'0')
        ++skip;
    if (r.negative)
        out.append(u'-');
    for (int i = n - 1; i >= places; --i) // whole part; empty below 1
        out.append(digits[i]);
    if (places > skip) {
        out.append(u'.');
        for (int i = places - 1; i >= skip; --i)
            out.append(i < n ? digits[i] : u'0');
    }
}

void setPart(QString& s, const QString& from, qsizetype at, qsizetype len)
{
    const qsizetype n = at < from.size() ? std::min(len, from.size() - at) : 0;
    assign(s, reinterpret_cast<const char16_t*>(from.constData()) + (n > 0 ? at : 0), n);
}

QStringView leftOf(const QString& s, qsizetype n)
{
    return QStringView(s).left(std::min(n, s.size()));
}
QStringView rightOf(const QString& s, qsizetype n)
{
    return QStringView(s).right(std::min(n, s.size()));
}

// Character count from a decimal-places field (always a whole number: it is one character);
// negative counts are what a digit above 4 gives.
qsizetype placesCount(double dp)
{
    const int n = int(dp);
    if (n < 0 || n > 4)
        throw RuntimeError(QStringLiteral("Decimal places %1 out of range").arg(n));
    return n;
}

// sign, the first (width - places) characters, ".", the last places characters
void splitAtPoint(Chars& b, const QString& sign, const QString& digits, qsizetype width,
                  qsizetype places)
{
    add(b, sign);
    add(b, leftOf(digits, width - places));
    b.append(u'.');
    add(b, rightOf(digits, places));
}

void buildValue(QString& out, const QString& sign, const QString& digits, qsizetype places)
{
    Chars b;
    splitAtPoint(b, sign, digits, kDigitsLen, places);
    assign(out, b);
}

// The number text of the 8-digit reading.
void readingText(Chars& out, const QString& sign, const QString& digits8, qsizetype places)
{
    // Eight plain digits behind a plain sign: the number is known without putting the text
    // together and reading it back.
    const bool plainSign =
        sign.isEmpty() || (sign.size() == 1 && (sign[0] == u'+' || sign[0] == u'-'));
    Lenient r;
    if (plainSign && digits8.size() == kDigits8Len && plainDigits(digits8, r.mantissa)) {
        r.negative = sign.startsWith(u'-');
        r.digits = true;
        r.places = int(places);
        shortestText(out, r);
        return;
    }
    Chars text;
    splitAtPoint(text, sign, digits8, kDigits8Len, places);
    shortestText(out, parseLenient(QStringView(text.constData(), text.size())));
}

void replaceHead(QString& s, QStringView head, qsizetype keep)
{
    Chars b;
    add(b, head);
    add(b, rightOf(s, keep));
    assign(s, b);
}

bool allOf(QStringView s, qsizetype len, char16_t c)
{
    if (s.size() != len)
        return false;
    for (QChar ch : s)
        if (ch.unicode() != c)
            return false;
    return true;
}

bool is2(QStringView v, char16_t a, char16_t b)
{
    return v.size() == 2 && v[0].unicode() == a && v[1].unicode() == b;
}

void setSign(QString& s, char16_t c)
{
    if (s.size() != 1 || s[0].unicode() != c)
        assign(s, &c, 1);
}

} // namespace

void decodePacket(const QString& packet, DecoderState& st, const DecoderInputs& in,
                  const DecoderHooks& hooks)
{
    // Both unit texts start empty: each is written once below, or left empty by a rejection.
    // The digit texts are cleared and rewritten together with the split.

    if (in.saveData == 0 || !in.recording)
        ++st.Rec_Count;

    st.Sig_Head = charValue(packet, 0);
    st.Sig_Sign = charValue(packet, 1);
    st.Sig_Unit2 = charValue(packet, 2);
    st.Sig_Unit1 = packet.size() > 3 ? fieldValue(QStringView(packet).mid(3, 2)) : 0.0;
    st.Sig_Dp2 = charValue(packet, 5);
    st.Sig_Dp1 = charValue(packet, 6);
    setPart(st.Sig_Digits2, packet, kDigits2At, kDigitsLen);
    setPart(st.Sig_Digits1, packet, kDigits1At, kDigitsLen);
    setPart(st.Sig_Digits8, packet, kDigits2At, kDigits8Len);

    // The end-of-data test looks at all four characters of display 2's digits.
    if (st.Sig_Digits2.size() < kDigitsLen) {
        st.Disp2_Unit = QString();
        st.Disp1_Unit = QString();
        throw RuntimeError(QStringLiteral("Packet too short: %1 characters").arg(packet.size()));
    }
    if (st.Sig_Head == 0 && st.Sig_Sign == 0 && st.Sig_Unit2 == 0 && st.Sig_Dp2 == 0 &&
        st.Sig_Unit1 == 0 && st.Sig_Dp1 == 0 && allOf(st.Sig_Digits2, kDigitsLen, kEsc))
        st.Download_End = 1;

    switch (int(st.Sig_Sign)) {
    case 0:
        setSign(st.Sign1, u'+');
        setSign(st.Sign2, u'+');
        break;
    case 1:
        setSign(st.Sign1, u'-');
        setSign(st.Sign2, u'+');
        break;
    case 2:
        setSign(st.Sign1, u'+');
        setSign(st.Sign2, u'-');
        break;
    case 3:
        setSign(st.Sign1, u'-');
        setSign(st.Sign2, u'-');
        break;
    default:
        break; // the previous packet's signs stand
    }

    if (st.Sig_Unit2 == 1)
        st.Disp2_Unit = QStringLiteral(" Deg C");
    else if (st.Sig_Unit2 == 2)
        st.Disp2_Unit = QStringLiteral(" Deg F");
    else
        st.Disp2_Unit = QString();

    const long long unitIndex = texts::roundHalfEven(st.Sig_Unit1);
    if (unitIndex < 0 || unitIndex > 100) {
        st.Disp1_Unit = QString();
        throw RuntimeError(QStringLiteral("Unit code %1 out of range").arg(unitIndex));
    }
    if (in.units)
        st.Disp1_Unit = (*in.units)[std::size_t(unitIndex)];
    else
        st.Disp1_Unit = QString();

    if (in.singleDisplay && st.Sig_Dp2 == st.Sig_Dp1)
        replaceHead(st.Sig_Digits8, u"0000", 4);

    if (st.Sig_Unit1 == 0) {
        st.Disp1_Unit = QStringLiteral("uW/cm2");
        if (st.Sig_Dp1 != st.Uv_Last_Dp && hooks.resetExtremes1)
            hooks.resetExtremes1();
        if (st.Sig_Dp1 > 1)
            st.Disp1_Unit = QStringLiteral("mW/cm2");
        st.Uv_Last_Dp = st.Sig_Dp1;
        if (st.Sig_Digits1.startsWith(u'?'))
            replaceHead(st.Sig_Digits1, u"0", 3);
        if (allOf(st.Sig_Digits2, kDigitsLen, u'?'))
            st.Disp1_Unit = QStringLiteral("Vib");
    }

    if (st.Sig_Unit1 == 15 || st.Sig_Unit1 == 16) {
        switch (st.Sig_Digits2[0].unicode()) {
        case u'8':
        case u'0':
            st.Light_Letter = QStringLiteral("L");
            st.Light_Range = QString();
            break;
        case u'9':
            st.Light_Letter = QStringLiteral("F");
            st.Light_Range = QString();
            break;
        case u'1':
            st.Light_Letter = QStringLiteral("S");
            st.Light_Range = QString();
            break;
        case u'4':
            st.Light_Letter = QStringLiteral("C");
            st.Light_Range = QString();
            break;
        default:
            break; // an unknown source keeps the letter it had
        }
        const QStringView range = rightOf(st.Sig_Digits2, 2);
        const bool lux = st.Sig_Unit1 == 15;
        if (lux && is2(range, u'?', u'?'))
            st.Light_Range = QStringLiteral(" 2K LUX");
        else if (lux && is2(range, u'?', u'0'))
            st.Light_Range = QStringLiteral(" 20K LUX");
        else if (lux && is2(range, u'0', u'0'))
            st.Light_Range = QStringLiteral(" 50K LUX");
        else if (!lux && is2(range, u'?', u'?') && st.Sig_Dp1 == 1)
            st.Light_Range = QStringLiteral(" 200 fc");
        else if (!lux && is2(range, u'?', u'?') && st.Sig_Dp1 == 0)
            st.Light_Range = QStringLiteral(" 2K fc");
        else if (!lux && is2(range, u'?', u'0'))
            st.Light_Range = QStringLiteral(" 5K fc");
        Chars caption;
        add(caption, st.Light_Letter);
        add(caption, st.Light_Range);
        assign(st.Disp1_Unit, caption);
        st.Sig_Digits2.resize(0);
    }

    const qsizetype places1 = placesCount(st.Sig_Dp1);
    buildValue(st.Disp1_Value, st.Sign1, st.Sig_Digits1, places1);
    const qsizetype places2 = placesCount(st.Sig_Dp2);
    buildValue(st.Disp2_Value, st.Sign2, st.Sig_Digits2, places2);

    Chars reading; // the 8-digit reading's number text
    if (in.singleDisplay) {
        if (allOf(leftOf(st.Sig_Digits8, 4), 4, u'?'))
            replaceHead(st.Sig_Digits8, u"0000", 4);
        if (QStringView(st.Sig_Digits8).mid(1, 3) == QLatin1String("???"))
            replaceHead(st.Sig_Digits8, u"0000", 4);
        readingText(reading, st.Sign1, st.Sig_Digits8, places1);
        assign(st.Disp1_Value, reading);
    }

    if (st.Sig_Sign == 4) {
        if (!in.singleDisplay) // else the same text was made just above
            readingText(reading, st.Sign1, st.Sig_Digits8, places1);
        if (st.Sig_Unit2 == 1) {
            if (!in.recording)
                --st.Rec_Count;
            assign(st.Disp1_Value, reading);
            assign(st.Alt1_Value, reading);
            assign(st.Disp2_Value, st.Alt2_Value);
            st.Alt1_Unit = st.Disp1_Unit;
            st.Disp2_Unit = st.Alt2_Unit;
        } else {
            assign(st.Disp1_Value, st.Alt1_Value);
            assign(st.Alt2_Value, reading);
            assign(st.Disp2_Value, reading);
            st.Disp2_Unit = st.Disp1_Unit;
            st.Alt2_Unit = st.Disp1_Unit;
            st.Disp1_Unit = st.Alt1_Unit;
        }
    }

    if (allOf(st.Sig_Digits1, kDigitsLen, kCan) && st.Sig_Digits2.size() == kDigitsLen &&
        st.Sig_Digits2.startsWith(u"000") && st.Sig_Digits2[3].unicode() == kCan) {
        st.Sig_Digits1 = QStringLiteral("ERROR");
        st.Disp1_Value = QStringLiteral("ERROR");
    }

    if (!in.recording && st.Rec_Count != st.Listed_Count && in.saveData != 0) {
        if (hooks.addListLine)
            hooks.addListLine();
        st.Listed_Count = st.Rec_Count;
    }
    if (in.saveData == 0) {
        if (hooks.addListLine)
            hooks.addListLine();
        st.Listed_Count = st.Rec_Count;
    }
}
