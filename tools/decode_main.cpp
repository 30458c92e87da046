// quorvane-decode [--single] [FILE]: decodes a stream of 16-byte meter packets, one line each.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdio>
#include <cstring>

#include "decoder.h"
#include "runtime_error.h"
#include "unit_table.h"

namespace {

constexpr qsizetype kPacketLen = 16;

// Control bytes, DEL and the backslash as \xHH so that every reading stays on one line.
void putEscaped(QByteArray& out, const QString& text)
{
    static const char hex[] = "0123456789abcdef";
    for (const QChar ch : text) {
        const unsigned c = ch.unicode() & 0xFF; // every character came from one byte
        if (c < 32 || c == 127 || c == '\\') {
            out += '\\';
            out += 'x';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += char(c);
        }
    }
}

const char* const kHelp = R"(Usage: quorvane-decode [--single] [FILE]
       quorvane-decode --help | --version

Decodes what a meter sent (its 16-byte packets, back to back) from FILE, or from standard input
when FILE is missing or "-", into one line per packet on standard output: display 1 value, display
1 unit, display 2 value, display 2 unit, separated by TABs. A packet the decoder rejects gives a
line "error", a TAB and the reason. Control bytes and the backslash are written as \xHH.

  --single    decode as a single-display meter does (default: dual display)
  --help      this text
  --version   print the version
)";

int usage(const char* why)
{
    std::fprintf(stderr, "quorvane-decode: %s\nusage: quorvane-decode [--single] [FILE]\n", why);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    bool single = false;
    const char* path = nullptr;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (options && std::strcmp(a, "--") == 0) {
            options = false;
        } else if (options && std::strcmp(a, "--single") == 0) {
            single = true;
        } else if (options && std::strcmp(a, "--help") == 0) {
            std::fputs(kHelp, stdout);
            return std::fflush(stdout) == 0 ? 0 : 1;
        } else if (options && std::strcmp(a, "--version") == 0) {
            std::puts("quorvane-decode " QUORVANE_VERSION);
            return std::fflush(stdout) == 0 ? 0 : 1;
        } else if (options && a[0] == '-' && a[1] != '\0') {
            return usage((QByteArray("unknown option ") + a).constData());
        } else if (!path) {
            path = a;
        } else {
            return usage("more than one file given");
        }
    }

    QFile in;
    bool opened;
    if (!path || std::strcmp(path, "-") == 0)
        opened = in.open(stdin, QIODevice::ReadOnly);
    else {
        in.setFileName(QString::fromLocal8Bit(path));
        opened = in.open(QIODevice::ReadOnly);
    }
    if (!opened)
        return usage((QByteArray("cannot read ") + (path ? path : "stdin") + ": " +
                      in.errorString().toLocal8Bit())
                         .constData());
    const QByteArray data = in.readAll();
    if (in.error() != QFileDevice::NoError)
        return usage((QByteArray("cannot read ") + (path ? path : "stdin") + ": " +
                      in.errorString().toLocal8Bit())
                         .constData());

    UnitTable units;
    fillUnitTable(units);
    const DecoderInputs inputs{single, false, 0, &units};
    const DecoderHooks hooks;
    DecoderState st;
    QByteArray out;
    for (qsizetype at = 0; at + kPacketLen <= data.size(); at += kPacketLen) {
        const QString packet = QString::fromLatin1(data.constData() + at, kPacketLen);
        try {
            decodePacket(packet, st, inputs, hooks);
            putEscaped(out, st.Disp1_Value);
            out += '\t';
            putEscaped(out, st.Disp1_Unit);
            out += '\t';
            putEscaped(out, st.Disp2_Value);
            out += '\t';
            putEscaped(out, st.Disp2_Unit);
        } catch (const RuntimeError& e) {
            out += "error\t";
            putEscaped(out, e.description());
        }
        out += '\n';
        if (out.size() > (1 << 16)) {
            std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
            out.resize(0);
        }
    }
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
