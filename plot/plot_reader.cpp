#include "plot_reader.h"

#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kMaxFields = 16;
constexpr int kMaxCsvChannels = 8;
constexpr qint64 kSecondsADay = 86400;

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

void trim(const char*& b, const char*& e)
{
    while (b < e && isBlank(*b))
        ++b;
    while (e > b && isBlank(e[-1]))
        --e;
}

bool equals(const char* b, const char* e, const char* text)
{
    trim(b, e);
    const size_t n = std::strlen(text);
    return size_t(e - b) == n && std::memcmp(b, text, n) == 0;
}

int twoDigits(const char* p)
{
    return (p[0] - '0') * 10 + (p[1] - '0');
}

qint64 daysFromCivil(int y, int m, int d)
{
    y -= m <= 2;
    const qint64 era = (y >= 0 ? y : y - 399) / 400;
    const qint64 yoe = y - era * 400;
    const qint64 doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const qint64 doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

int daysInMonth(int y, int m)
{
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return m == 2 && leap ? 29 : days[m - 1];
}

QString latin1Trimmed(const char* b, const char* e)
{
    trim(b, e);
    if (e - b >= 2 && *b == '"' && e[-1] == '"') {
        ++b;
        --e;
    }
    return QString::fromLatin1(b, e - b).trimmed();
}

} // namespace

// ---- bytes to lines ----

void PlotReader::feed(QByteArrayView bytes)
{
    if (m_provisional) {
        m_data.rollback(m_saved);
        m_s = m_savedState;
        m_provisional = false;
    }
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    if (m_s.afterCr && p < end) {
        m_s.afterCr = false;
        if (*p == '\n')
            ++p; // the LF of a CR LF cut between two pieces
    }
    while (p < end) {
        const char* lineEnd = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
        if (!lineEnd)
            lineEnd = end;
        if (const void* cr = std::memchr(p, '\r', size_t(lineEnd - p)))
            lineEnd = static_cast<const char*>(cr);
        if (lineEnd == end) {
            // No end yet: the line waits, unless it is already longer than any row.
            if (!m_dropping) {
                if (m_carry.size() + (end - p) > MaxLine) {
                    m_carry.clear();
                    m_dropping = true;
                } else {
                    m_carry.append(p, end - p);
                }
            }
            break;
        }
        if (m_dropping) {
            m_dropping = false;
            ++m_s.line;
            notRead(m_s.line);
        } else if (m_carry.isEmpty()) {
            takeLine(p, lineEnd);
        } else {
            m_carry.append(p, lineEnd - p);
            const QByteArray line = std::move(m_carry);
            m_carry = QByteArray();
            takeLine(line.constData(), line.constData() + line.size());
        }
        if (*lineEnd == '\r') {
            if (lineEnd + 1 == end) {
                m_s.afterCr = true;
                p = end;
            } else {
                p = lineEnd + (lineEnd[1] == '\n' ? 2 : 1);
            }
        } else {
            p = lineEnd + 1;
        }
    }
    m_data.rowsAdded();
}

void PlotReader::finish()
{
    const bool heading = m_data.kind == FileKind::Unknown && !m_s.previousLine.isEmpty();
    if (m_provisional || (!lineWaiting() && !heading))
        return;
    m_saved = m_data.checkpoint();
    m_savedState = m_s;
    m_provisional = true;
    if (lineWaiting()) {
        const QByteArray line = m_carry;
        takeLine(line.constData(), line.constData() + line.size());
    }
    // A possible heading with nothing below it is, for now, a line not read.
    if (m_data.kind == FileKind::Unknown && !m_s.previousLine.isEmpty())
        notRead(m_s.previousLineNumber);
    m_data.rowsAdded();
}

void PlotReader::notRead(qint64 line)
{
    ++m_data.linesNotRead;
    if (m_data.firstLineNotRead == 0 || line < m_data.firstLineNotRead)
        m_data.firstLineNotRead = line;
}

// A line before the kind of file is known: it tells, or it waits as a possible heading.
bool PlotReader::takeFirstTellingLine(const char* b, const char* e)
{
    Field f[kMaxFields + 1];
    const int n = split(b, e, ',', f, kMaxFields);
    bool taken = false;
    if (takeSaveLine(f, n) || takeClosingRow(f, n)) {
        m_data.kind = FileKind::SaveFile;
        taken = true;
    } else if (saveShaped(f, n)) {
        return false; // a save row spoilt in its time or date tells nothing: the rows after will
    } else if (downloadLike(b, e, f, n) && takeDownloadLine(b, e, f, n)) {
        m_data.kind = FileKind::DownloadFile;
        taken = true;
    } else {
        startCsv(b, e);
        if (m_data.kind != FileKind::OtherCsv)
            return false;
        taken = takeCsvLine(b, e);
    }
    // A line kept as a heading that was none.
    if (!m_s.previousLine.isEmpty())
        notRead(m_s.previousLineNumber);
    m_s.previousLine.clear();
    return taken;
}

bool PlotReader::saveShaped(const Field* f, int n)
{
    if (n != 5 && n != 7)
        return false;
    const char* b = f[n - 1].b;
    const char* e = f[n - 1].e;
    trim(b, e);
    return e - b == 10 && b[2] == '-' && b[5] == '-';
}

// The download's heading or error line, or a record whose unit fields are texts (a CSV file's
// five numbers are no download record).
bool PlotReader::downloadLike(const char* b, const char* e, const Field* f, int n) const
{
    if (equals(b, e, "Data 1,Data Unit,Data 2,Data Unit") || equals(b, e, "Error, Data Lost"))
        return true;
    Decimal d;
    double v;
    return n == 5 && number(f[2].b, f[2].e, &d, &v) == Number::None &&
           number(f[4].b, f[4].e, &d, &v) == Number::None;
}

bool PlotReader::binary(const char* b, const char* e)
{
    for (; b < e; ++b)
        if ((static_cast<unsigned char>(*b) < 0x20 && *b != '\t') || *b == 0x7f)
            return true;
    return false;
}

void PlotReader::takeLine(const char* b, const char* e)
{
    ++m_s.line;
    {
        const char* tb = b;
        const char* te = e;
        trim(tb, te);
        if (tb == te)
            return; // an empty line is nothing
    }
    if (m_data.rowCount() >= PlotData::MaxRows) {
        notRead(m_s.line);
        return;
    }
    Field f[kMaxFields + 1];
    bool taken = false;
    switch (m_data.kind) {
    case FileKind::SaveFile: {
        const int n = split(b, e, ',', f, kMaxFields);
        taken = takeSaveLine(f, n) || takeClosingRow(f, n);
        break;
    }
    case FileKind::DownloadFile: {
        const int n = split(b, e, ',', f, kMaxFields);
        taken = takeDownloadLine(b, e, f, n);
        break;
    }
    case FileKind::OtherCsv:
        taken = !binary(b, e) && takeCsvLine(b, e);
        break;
    case FileKind::Unknown:
        if (binary(b, e))
            break;
        taken = takeFirstTellingLine(b, e);
        if (m_data.kind == FileKind::Unknown) {
            // Nothing told: perhaps the heading of the columns below, kept until it is known.
            if (!m_s.previousLine.isEmpty())
                notRead(m_s.previousLineNumber);
            m_s.previousLine = QByteArray(b, e - b);
            m_s.previousLineNumber = m_s.line;
            return;
        }
        break;
    }
    if (taken)
        ++m_data.linesRead;
    else
        notRead(m_s.line);
}

// ---- fields ----

int PlotReader::split(const char* b, const char* e, char sep, Field* out, int max)
{
    int n = 0;
    const char* start = b;
    for (const char* p = b; p < e; ++p) {
        if (*p == sep) {
            if (n == max)
                return max + 1;
            out[n++] = {start, p};
            start = p + 1;
        }
    }
    if (n == max)
        return max + 1;
    out[n++] = {start, e};
    return n;
}

PlotReader::Number PlotReader::number(const char* b, const char* e, Decimal* d, double* real) const
{
    trim(b, e);
    if (e - b >= 2 && *b == '"' && e[-1] == '"') {
        ++b;
        --e;
        trim(b, e);
    }
    const char* p = b;
    if (p < e && (*p == '+' || *p == '-'))
        ++p;
    const bool negative = p > b && *b == '-';
    qint64 m = 0;
    int exponent = 0, digits = 0, significant = 0;
    bool point = false, tooLong = false;
    for (; p < e; ++p) {
        const char c = *p;
        if (isDigit(c)) {
            ++digits;
            if (significant < 18) {
                m = m * 10 + (c - '0');
                if (m != 0)
                    ++significant;
                if (point)
                    --exponent;
            } else {
                tooLong = true;
                if (!point)
                    ++exponent;
            }
        } else if (!point && (c == '.' || (c == ',' && m_s.decimalComma))) {
            point = true;
        } else {
            break;
        }
    }
    if (digits == 0)
        return Number::None;
    if (p < e && (*p == 'e' || *p == 'E')) {
        const char* q = p + 1;
        bool minus = false;
        if (q < e && (*q == '+' || *q == '-'))
            minus = *q++ == '-';
        int x = 0, xd = 0;
        for (; q < e && isDigit(*q); ++q, ++xd)
            x = x < 10000 ? x * 10 + (*q - '0') : x;
        if (xd == 0)
            return Number::None;
        exponent += minus ? -x : x;
        p = q;
    }
    if (p != e)
        return Number::None;
    if (!tooLong && exponent >= -22 && exponent <= 22) {
        d->mantissa = negative ? -m : m;
        d->exponent = exponent;
        return Number::Exact;
    }
    // Longer than a decimal holds: the C library reads it (a decimal comma as a point).
    char text[64];
    if (e - b >= qsizetype(sizeof text))
        return Number::None;
    std::memcpy(text, b, size_t(e - b));
    text[e - b] = 0;
    for (char& c : text)
        if (c == ',')
            c = '.';
    *real = std::strtod(text, nullptr);
    return Number::Real;
}

bool PlotReader::time(const Field& f, int* seconds)
{
    const char* b = f.b;
    const char* e = f.e;
    trim(b, e);
    if (e - b != 8 || b[2] != ':' || b[5] != ':')
        return false;
    for (int i : {0, 1, 3, 4, 6, 7})
        if (!isDigit(b[i]))
            return false;
    const int h = twoDigits(b), m = twoDigits(b + 3), s = twoDigits(b + 6);
    if (h > 23 || m > 59 || s > 59)
        return false;
    *seconds = h * 3600 + m * 60 + s;
    return true;
}

bool PlotReader::date(const Field& f, qint64* days)
{
    const char* b = f.b;
    const char* e = f.e;
    trim(b, e);
    if (e - b != 10)
        return false;
    if (std::memcmp(b, m_s.lastDate, 10) == 0) {
        *days = m_s.lastDays;
        return true;
    }
    if (b[2] != '-' || b[5] != '-')
        return false;
    for (int i : {0, 1, 3, 4, 6, 7, 8, 9})
        if (!isDigit(b[i]))
            return false;
    const int month = twoDigits(b), day = twoDigits(b + 3);
    const int year = twoDigits(b + 6) * 100 + twoDigits(b + 8);
    if (month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month))
        return false;
    *days = daysFromCivil(year, month, day);
    std::memcpy(m_s.lastDate, b, 10);
    m_s.lastDays = *days;
    return true;
}

bool PlotReader::whole(const Field& f, qint64* v)
{
    const char* b = f.b;
    const char* e = f.e;
    trim(b, e);
    if (b == e || e - b > 12)
        return false;
    qint64 n = 0;
    for (const char* p = b; p < e; ++p) {
        if (!isDigit(*p))
            return false;
        n = n * 10 + (*p - '0');
    }
    *v = n;
    return true;
}

void PlotReader::takeValue(int channel, const Field& value)
{
    Decimal d;
    double real = 0;
    switch (number(value.b, value.e, &d, &real)) {
    case Number::Exact:
        m_data.appendNumber(channel, d);
        break;
    case Number::Real:
        m_data.appendReal(channel, real);
        break;
    case Number::None:
        m_data.appendBlank(channel);
        break;
    }
}

void PlotReader::takeUnit(int channel, const Field& unit)
{
    const qsizetype n = unit.e - unit.b;
    QByteArray& last = m_s.unitText[channel];
    if (m_s.unitOf[channel] < 0 || last.size() != n ||
        std::memcmp(last.constData(), unit.b, size_t(n)) != 0) {
        last = QByteArray(unit.b, n);
        m_s.unitOf[channel] = m_data.unitId(latin1Trimmed(unit.b, unit.e));
    }
    m_data.setUnit(channel, m_s.unitOf[channel]);
}

// ---- save files ----

// A row's key: its seconds from the first row's, moved on past every time the clock went back
// so that keys never decrease and the file's order stands.
bool PlotReader::saveKey(qint64 real, qint32* key)
{
    const qint64 row = m_data.rowCount();
    if (!m_s.haveBase) {
        m_s.haveBase = true;
        m_data.keyBase = real;
        m_data.segments.push_back({0, 0, double(real), 1});
    }
    qint64 k = real - m_data.keyBase + m_s.offset;
    if (row > 0) {
        const qint64 last = m_data.key(row - 1);
        if (k < last) {
            const qint64 step = m_s.lastStep > 0 ? m_s.lastStep : 1;
            const qint64 moved = last + step;
            if (moved > INT32_MAX)
                return false;
            m_s.offset += moved - k;
            k = moved;
            m_data.segments.push_back({row, double(k), double(m_data.keyBase - m_s.offset), 1});
            Mark mark{MarkKind::ClockBack, double(last) + double(step) / 2};
            mark.realFrom = m_s.lastReal;
            mark.realTo = real;
            m_data.marks.push_back(mark);
        }
        m_s.lastStep = k - last;
    }
    if (k > INT32_MAX)
        return false;
    *key = qint32(k);
    m_s.lastReal = real;
    return true;
}

bool PlotReader::takeSaveLine(const Field* f, int n)
{
    if (n != 5 && n != 7)
        return false;
    qint64 days = 0;
    int seconds = 0;
    if (!time(f[n - 2], &seconds) || !date(f[n - 1], &days))
        return false;
    qint64 record = -1;
    if (!whole(f[0], &record))
        record = -1;
    const qint64 row = m_data.rowCount();
    qint32 key = 0;
    const bool newCollection = row == 0 || m_s.afterClosing ||
                               (record >= 0 && m_s.lastRecord >= 0 && record <= m_s.lastRecord);
    if (!saveKey(days * kSecondsADay + seconds, &key))
        return false;
    if (newCollection) {
        ++m_data.collections;
        m_s.collectionSegment = m_data.segments.size() - 1;
        if (row > 0)
            m_data.marks.push_back({MarkKind::Collection, double(key)});
    }
    m_s.afterClosing = false;
    m_s.lastRecord = record;
    m_data.channelFor(0, QStringLiteral("Display 1"));
    if (n == 7)
        m_data.channelFor(1, QStringLiteral("Display 2"));
    m_data.appendKey(key);
    takeUnit(0, f[2]);
    takeValue(0, f[1]);
    if (n == 7) {
        takeUnit(1, f[4]);
        takeValue(1, f[3]);
    } else if (m_data.channels.size() > 1) {
        m_data.appendBlank(1);
    }
    return true;
}

void PlotReader::addMark(MarkKind kind, int channel, const Field& value, const Field& unit,
                         qint64 real)
{
    Decimal d;
    double v = 0;
    switch (number(value.b, value.e, &d, &v)) {
    case Number::None:
        return;
    case Number::Exact:
        v = d.exponent < 0 ? double(d.mantissa) / powerOfTen(-d.exponent)
                           : double(d.mantissa) * powerOfTen(d.exponent);
        break;
    case Number::Real:
        break;
    }
    // The seeds of extremes never set are no readings.
    if ((kind == MarkKind::High && v == -99999) || (kind == MarkKind::Lo && v == 99999))
        return;
    if (channel >= int(m_data.channels.size()) || m_data.segments.empty())
        return;
    // The stamp on the clock of the collection it closes, before a set back if it was then.
    double key = 0;
    bool placed = false;
    for (size_t i = m_s.collectionSegment; i < m_data.segments.size() && !placed; ++i) {
        const TimeSegment& s = m_data.segments[i];
        const double k = double(real) - s.origin;
        const double end =
            i + 1 < m_data.segments.size() ? m_data.segments[i + 1].keyStart : m_data.lastKey() + 1;
        if (k >= s.keyStart && k < end) {
            key = k;
            placed = true;
        }
    }
    if (!placed)
        key = double(real) - m_data.segments.back().origin;
    Mark mark{kind, key, channel, m_data.unitId(latin1Trimmed(unit.b, unit.e)), v};
    m_data.marks.push_back(mark);
}

bool PlotReader::takeClosingRow(const Field* f, int n)
{
    const bool high = equals(f[0].b, f[0].e, "High");
    if ((!high && !equals(f[0].b, f[0].e, "Lo")) || (n != 4 && n != 7))
        return false;
    const MarkKind kind = high ? MarkKind::High : MarkKind::Lo;
    for (int channel = 0; channel * 3 + 3 < n; ++channel) {
        const Field& stamp = f[channel * 3 + 3];
        const char* b = stamp.b;
        const char* e = stamp.e;
        trim(b, e);
        qint64 days = 0;
        int seconds = 0;
        if (e - b != 19 || b[10] != '-' || !date({b, b + 10}, &days) ||
            !time({b + 11, e}, &seconds))
            continue;
        addMark(kind, channel, f[channel * 3 + 1], f[channel * 3 + 2],
                days * kSecondsADay + seconds);
    }
    m_s.afterClosing = true;
    return true;
}

// ---- download files ----

bool PlotReader::takeDownloadLine(const char* b, const char* e, const Field* f, int n)
{
    if (equals(b, e, "Data 1,Data Unit,Data 2,Data Unit"))
        return true;
    const qint64 row = m_data.rowCount();
    const double lastKey = row ? double(m_data.key(row - 1)) : 0;
    if (equals(b, e, "Error, Data Lost")) {
        m_data.marks.push_back({MarkKind::DataLost, lastKey + 0.5});
        return true;
    }
    qint64 record = 0;
    if (n != 5 || !whole(f[0], &record))
        return false;
    const qint64 key = row == 0 || record > lastKey ? record : qint64(lastKey) + 1;
    if (key > INT32_MAX)
        return false;
    m_data.channelFor(0, QStringLiteral("Display 1"));
    m_data.channelFor(1, QStringLiteral("Display 2"));
    m_data.appendKey(qint32(key));
    takeUnit(0, f[2]);
    takeValue(0, f[1]);
    takeUnit(1, f[4]);
    takeValue(1, f[3]);
    return true;
}

// ---- other CSV files ----

// The first line with a number: the separator that gives most numbers, and a channel for each
// numeric field, named by the line above when that looks like a heading.
void PlotReader::startCsv(const char* b, const char* e)
{
    Field f[kMaxFields + 1];
    int best = INT_MIN;
    bool anyNumber = false;
    for (const char sep : {',', ';', '\t'}) {
        m_s.decimalComma = sep == ';';
        const int n = std::min(split(b, e, sep, f, kMaxFields), kMaxFields);
        int numbers = 0;
        Decimal d;
        double v;
        for (int i = 0; i < n; ++i)
            numbers += number(f[i].b, f[i].e, &d, &v) != Number::None;
        // Most numbers and fewest other fields: "1,5;2,5" is two numbers with decimal commas.
        const int score = numbers - (n - numbers);
        if (numbers > 0 && score > best) {
            best = score;
            anyNumber = true;
            m_s.separator = sep;
        }
    }
    m_s.decimalComma = m_s.separator == ';';
    if (!anyNumber)
        return;
    const int n = std::min(split(b, e, m_s.separator, f, kMaxFields), kMaxFields);
    Field names[kMaxFields + 1];
    const QByteArray& heading = m_s.previousLine;
    const int named =
        heading.isEmpty()
            ? 0
            : std::min(split(heading.constData(), heading.constData() + heading.size(),
                             m_s.separator, names, kMaxFields),
                       kMaxFields);
    m_s.fieldChannel.assign(size_t(n), -1);
    int channels = 0;
    for (int i = 0; i < n && channels < kMaxCsvChannels; ++i) {
        Decimal d;
        double v;
        if (number(f[i].b, f[i].e, &d, &v) == Number::None)
            continue;
        QString name = i < named ? latin1Trimmed(names[i].b, names[i].e) : QString();
        if (name.isEmpty())
            name = QStringLiteral("Column %1").arg(i + 1);
        m_data.channelFor(channels, name);
        const int unit = m_data.unitId(name);
        m_data.channels[size_t(channels)].units.front().unit = unit;
        m_s.fieldChannel[size_t(i)] = channels++;
    }
    m_data.kind = FileKind::OtherCsv;
    if (named > 0) {
        ++m_data.linesRead; // the heading
        m_s.previousLine.clear();
    }
}

bool PlotReader::takeCsvLine(const char* b, const char* e)
{
    Field f[kMaxFields + 1];
    const int n = std::min(split(b, e, m_s.separator, f, kMaxFields), kMaxFields);
    bool any = false;
    for (int i = 0; i < n && !any; ++i) {
        Decimal d;
        double v;
        any = i < int(m_s.fieldChannel.size()) && m_s.fieldChannel[size_t(i)] >= 0 &&
              number(f[i].b, f[i].e, &d, &v) != Number::None;
    }
    const qint64 key = m_data.rowCount() + 1;
    if (!any || key > INT32_MAX)
        return false;
    m_data.appendKey(qint32(key));
    for (size_t i = 0; i < m_s.fieldChannel.size(); ++i) {
        const int channel = m_s.fieldChannel[i];
        if (channel < 0)
            continue;
        if (int(i) < n)
            takeValue(channel, f[i]);
        else
            m_data.appendBlank(channel);
    }
    return true;
}
