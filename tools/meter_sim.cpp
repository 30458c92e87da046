// quorvane-meter-sim: stands in for a handheld meter on a serial line, so the program can be run
// and tested without the hardware. Plain POSIX; no Qt.

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <random>
#include <string>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Packet = std::array<unsigned char, 16>;

// One packet takes 16 characters of 10 bits at 9600 baud.
constexpr double kLineSeconds = 16.0 * 10.0 / 9600.0;
constexpr double kCharSeconds = 10.0 / 9600.0;

const char* const kUsage = R"(Usage: quorvane-meter-sim [options]

Stands in for a handheld meter: sends its 16-character packets (9600 baud, 8N1) on a
pseudo-terminal or on a real serial device.

Where to send (default: a new pseudo-terminal; its device path is printed on stdout):
  --link PATH         also keep a symbolic link to the pseudo-terminal at PATH (an existing
                      link there is replaced; it is removed again on exit)
  --device PATH       write to this serial device instead (set to 9600 8N1, raw)

What to send:
  --meter KIND        the kind of meter (default dual):
                        dual       humidity %RH on display 1, temperature Deg C on display 2
                        single     one reading of up to 8 digits (Ft/min); decode in
                                   single-display mode
                        light      light meter stepping through its sources (8,9,1,4,0)
                                   and ranges (lux: ??, ?0, 00; foot-candles: ??, ?0)
                        uv         UV meter (unit code 00) changing its decimal places
                                   (uW/cm2, mW/cm2), now and then over range in its first digit
                        sound      sound level meter, dB
                        vib        vibration meter (display 2 digits "????")
                        overrange  pressure meter (PSI) whose displays now and then go over
                                   range ("????", "0???")
                        error      the meter's error pattern on every packet
                        alternate  single-reading packets (sign code 4), display 1 (PSI) and
                                   display 2 (Deg C) in turn
  --rate R            packets per second, 0.2 to 60 (default 1); 60 is back to back at 9600
                      baud; 0 sends no live packets (useful with --datalogger)
  --count N           stop after N live packets
  --seed S            seed for the drifting values (default: from the clock)

How to send:
  --start-mid-packet  begin with the tail piece of a packet, as when a port opens mid-stream
  --split MS          deliver each packet in three pieces MS milliseconds apart (as a USB
                      adapter's latency can)
  --char-time         pace every character at 9600 baud instead of writing a packet at once
                      (a pseudo-terminal otherwise delivers a packet all at once)

Datalogger:
  --datalogger N      on a trigger send a memory dump of N records back to back, followed by
                      the end-of-data packet, as the meter does after its RESET key. Trigger:
                      any key on this program's terminal (when it runs in the foreground) or
                      the signal SIGUSR1 (kill -USR1 PID).
  --fast-dump         send the dump as fast as the line takes it instead of at 9600 baud (on a
                      pseudo-terminal: as fast as the program reads it)

Other:
  --verbose           print every packet sent on stderr (and "late: N ms" after a character-paced
                      one whose characters ran N ms or more behind)
  --help              this text
  --version           print the version

On a pseudo-terminal packets are sent only while the other end is open (a meter's characters
are lost while no program listens); --count counts only packets that were delivered.
SIGINT and SIGTERM end the program cleanly.
)";

enum class Kind
{
    Dual,
    Single,
    Light,
    Uv,
    Sound,
    Vib,
    OverRange,
    Error,
    Alternate
};

struct Options
{
    std::string link;
    std::string device;
    Kind kind = Kind::Dual;
    double rate = 1.0;
    long count = -1;
    bool startMid = false;
    int splitMs = 0;
    bool charTime = false;
    long datalogger = 0;
    bool fastDump = false;
    bool verbose = false;
    unsigned seed = 0;
    bool seeded = false;
};

[[noreturn]] void fail(const std::string& text)
{
    std::fprintf(stderr, "quorvane-meter-sim: %s\n", text.c_str());
    std::exit(2);
}

// ---- packet building ----

char digit(int d)
{
    return char('0' + std::clamp(d, 0, 9));
}

// A non-negative value as `width` decimal digits with leading zeros, clamped to what fits.
std::string digits(double value, int decimals, int width)
{
    double scaled = std::round(std::fabs(value) * std::pow(10.0, decimals));
    const double most = std::pow(10.0, width) - 1;
    scaled = std::min(scaled, most);
    std::string s(width, '0');
    auto v = static_cast<long long>(scaled);
    for (int i = width - 1; i >= 0 && v > 0; --i, v /= 10)
        s[i] = char('0' + v % 10);
    return s;
}

// The meter's layout: start code 2, sign code, display 2 unit, display 1 unit (two digits),
// display 2 and display 1 decimal places, display 2 digits, display 1 digits, carriage return.
Packet makePacket(int sign, int unit2, int unit1, int dp2, int dp1, const std::string& d2,
                  const std::string& d1)
{
    Packet p{};
    p[0] = 2;
    p[1] = digit(sign);
    p[2] = digit(unit2);
    p[3] = digit(unit1 / 10);
    p[4] = digit(unit1 % 10);
    p[5] = digit(dp2);
    p[6] = digit(dp1);
    for (int i = 0; i < 4; ++i) {
        p[7 + i] = static_cast<unsigned char>(d2[i]);
        p[11 + i] = static_cast<unsigned char>(d1[i]);
    }
    p[15] = '\r';
    return p;
}

// What the meter sends after the last stored record.
Packet endOfData()
{
    return makePacket(0, 0, 0, 0, 0, std::string(4, char(27)), "0000");
}

class Meter
{
  public:
    Meter(Kind kind, unsigned seed) : m_kind(kind), m_rng(seed) {}

    Packet next()
    {
        const Packet p = build();
        ++m_n;
        return p;
    }

  private:
    // A random walk that stays inside [lo, hi].
    double drift(double& v, double step, double lo, double hi)
    {
        std::uniform_real_distribution<double> d(-step, step);
        v += d(m_rng);
        if (v < lo)
            v = 2 * lo - v;
        if (v > hi)
            v = 2 * hi - v;
        v = std::clamp(v, lo, hi);
        return v;
    }

    Packet build()
    {
        switch (m_kind) {
        case Kind::Dual: {
            const double rh = drift(m_a, 0.4, 20, 90);
            const double t = drift(m_b, 0.3, -9.9, 45);
            // Display 2 negative: sign code 2.
            return makePacket(t < 0 ? 2 : 0, 1, 4, 1, 2, digits(t, 1, 4), digits(rh, 2, 4));
        }
        case Kind::Single: {
            // Display 2 carries the high digits; its decimal places differ from display 1's, so
            // the eight digits read as one number.
            const std::string d8 = digits(drift(m_c, 250, 800, 39000), 1, 8);
            return makePacket(0, 0, 11, 0, 1, d8.substr(0, 4), d8.substr(4));
        }
        case Kind::Light: {
            struct Range
            {
                int unit;
                const char* code;
                int dp;
                double top;
            };
            static const Range ranges[] = {
                {15, "??", 0, 1999},  {15, "?0", 2, 19.99}, {15, "00", 1, 50.0},
                {16, "??", 1, 199.9}, {16, "??", 0, 1999},  {16, "?0", 0, 5000},
            };
            static const char sources[] = {'8', '9', '1', '4', '0'};
            const Range& r = ranges[m_n % 6];
            const double frac = drift(m_a, 1.5, 5, 95) / 100.0;
            std::string d2 = {sources[m_n % 5], '0', r.code[0], r.code[1]};
            return makePacket(0, 0, r.unit, 0, r.dp, d2, digits(frac * r.top, r.dp, 4));
        }
        case Kind::Uv: {
            // Decimal places step 1, 2, 3, 2, 1, ... every four packets.
            static const int dps[] = {1, 2, 3, 2};
            const int dp = dps[(m_n / 4) % 4];
            std::string d1 = digits(drift(m_a, 2.0, 10, 95) / std::pow(10.0, dp) * 10, dp, 4);
            if (m_n % 7 == 6)
                d1[0] = '?';
            return makePacket(0, 0, 0, 0, dp, "0000", d1);
        }
        case Kind::Sound:
            return makePacket(0, 0, 17, 0, 1, "0000", digits(drift(m_d, 1.2, 35, 129), 1, 4));
        case Kind::Vib:
            return makePacket(0, 0, 0, 0, 1, "????", digits(drift(m_a, 1.0, 0.5, 80), 1, 4));
        case Kind::OverRange: {
            const double v = drift(m_e, 0.8, 5, 95);
            switch (m_n % 4) {
            case 1:
                return makePacket(0, 0, 23, 0, 2, "0000", "????");
            case 2:
                return makePacket(0, 0, 23, 0, 2, "????", digits(v, 2, 4));
            case 3:
                return makePacket(0, 0, 23, 0, 2, "0???", digits(v, 2, 4));
            default:
                return makePacket(0, 0, 23, 0, 2, "0000", digits(v, 2, 4));
            }
        }
        case Kind::Error:
            return makePacket(0, 1, 4, 1, 2, std::string("000") + char(24),
                              std::string(4, char(24)));
        case Kind::Alternate: {
            // Position 3 says which display the eight-digit reading is for.
            if (m_n % 2 == 0) {
                const std::string d8 = digits(drift(m_e, 0.8, 5, 95), 2, 8);
                return makePacket(4, 1, 23, 0, 2, d8.substr(0, 4), d8.substr(4));
            }
            const std::string d8 = digits(drift(m_b, 0.3, 0, 45), 1, 8);
            return makePacket(4, 2, 1, 0, 1, d8.substr(0, 4), d8.substr(4));
        }
        }
        return endOfData();
    }

    Kind m_kind;
    std::mt19937 m_rng;
    long m_n = 0;
    double m_a = 45.0, m_b = 22.5, m_c = 12345.6, m_d = 62.0, m_e = 50.0;
};

// ---- line ----

int g_signalPipe[2] = {-1, -1};
volatile std::sig_atomic_t g_stop = 0;
volatile std::sig_atomic_t g_dump = 0;

void onSignal(int sig)
{
    if (sig == SIGUSR1)
        g_dump = 1;
    else
        g_stop = 1;
    const int saved = errno;
    const char c = 0;
    (void)!write(g_signalPipe[1], &c, 1);
    errno = saved;
}

class Line
{
  public:
    explicit Line(const Options& o) : m_opt(o)
    {
        if (!o.device.empty())
            openDevice(o.device);
        else
            openPty();
    }
    ~Line() { cleanup(); }

    void cleanup()
    {
        if (!m_link.empty()) {
            // Remove the link only while it is still ours.
            char target[4096];
            const ssize_t n = readlink(m_link.c_str(), target, sizeof target - 1);
            if (n > 0 && std::string(target, size_t(n)) == m_slavePath)
                unlink(m_link.c_str());
            m_link.clear();
        }
        if (m_fd >= 0)
            close(m_fd);
        m_fd = -1;
    }

    const std::string& slavePath() const { return m_slavePath; }
    int fd() const { return m_fd; }

    // Whether anyone is on the other end. A real device always counts as listened to.
    bool listening()
    {
        if (!m_pty)
            return true;
        pollfd p{m_fd, POLLOUT, 0};
        if (poll(&p, 1, 0) < 0)
            return false;
        drainEcho();
        return !(p.revents & POLLHUP);
    }

    bool write(const unsigned char* data, size_t n)
    {
        while (n > 0) {
            const ssize_t w = ::write(m_fd, data, n);
            if (w < 0) {
                if (errno == EINTR)
                    continue;
                return false;
            }
            data += w;
            n -= size_t(w);
        }
        return true;
    }

  private:
    void openPty()
    {
        int master = -1, slave = -1;
        char name[256] = {};
        if (openpty(&master, &slave, name, nullptr, nullptr) < 0)
            fail(std::string("cannot create a pseudo-terminal: ") + std::strerror(errno));
        termios t{};
        tcgetattr(slave, &t);
        cfmakeraw(&t);
        cfsetispeed(&t, B9600);
        cfsetospeed(&t, B9600);
        tcsetattr(slave, TCSANOW, &t);
        // Closing our slave end lets the master see when the program opens and closes it.
        close(slave);
        m_fd = master;
        m_pty = true;
        m_slavePath = name;
        fcntl(m_fd, F_SETFD, FD_CLOEXEC);
        if (!m_opt.link.empty())
            makeLink();
    }

    void makeLink()
    {
        struct stat st
        {
        };
        if (lstat(m_opt.link.c_str(), &st) == 0 && !S_ISLNK(st.st_mode))
            fail(m_opt.link + " exists and is not a symbolic link; not replacing it");
        // Link under a temporary name, then rename over the old one: never a moment without.
        const std::string tmp = m_opt.link + ".tmp" + std::to_string(getpid());
        unlink(tmp.c_str());
        if (symlink(m_slavePath.c_str(), tmp.c_str()) < 0)
            fail("cannot create the link " + tmp + ": " + std::strerror(errno));
        if (rename(tmp.c_str(), m_opt.link.c_str()) < 0) {
            unlink(tmp.c_str());
            fail("cannot create the link " + m_opt.link + ": " + std::strerror(errno));
        }
        m_link = m_opt.link;
    }

    void openDevice(const std::string& path)
    {
        m_fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_fd < 0)
            fail("cannot open " + path + ": " + std::strerror(errno));
        termios t{};
        if (tcgetattr(m_fd, &t) < 0)
            fail(path + " is not a serial device: " + std::strerror(errno));
        cfmakeraw(&t);
        t.c_cflag &= ~tcflag_t(PARENB | CSTOPB | CSIZE | CRTSCTS);
        t.c_cflag |= CS8 | CLOCAL | CREAD;
        cfsetispeed(&t, B9600);
        cfsetospeed(&t, B9600);
        if (tcsetattr(m_fd, TCSANOW, &t) < 0)
            fail("cannot set 9600 8N1 on " + path + ": " + std::strerror(errno));
        m_slavePath = path;
    }

    // Whatever the program writes back is of no interest; keep it from filling the master.
    void drainEcho()
    {
        pollfd p{m_fd, POLLIN, 0};
        unsigned char buf[256];
        while (poll(&p, 1, 0) > 0 && (p.revents & POLLIN)) {
            if (read(m_fd, buf, sizeof buf) <= 0)
                break;
        }
    }

    const Options& m_opt;
    int m_fd = -1;
    bool m_pty = false;
    std::string m_slavePath;
    std::string m_link;
};

// ---- options ----

Kind parseKind(const std::string& k)
{
    static const std::pair<const char*, Kind> kinds[] = {
        {"dual", Kind::Dual},           {"single", Kind::Single},
        {"light", Kind::Light},         {"uv", Kind::Uv},
        {"sound", Kind::Sound},         {"vib", Kind::Vib},
        {"overrange", Kind::OverRange}, {"error", Kind::Error},
        {"alternate", Kind::Alternate},
    };
    for (const auto& [name, kind] : kinds)
        if (k == name)
            return kind;
    fail("unknown meter kind \"" + k + "\" (see --help)");
}

double parseNumber(const std::string& opt, const std::string& text)
{
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || errno != 0 || !std::isfinite(v))
        fail(opt + " needs a number, not \"" + text + "\"");
    return v;
}

long parseWhole(const std::string& opt, const std::string& text, long lo, long hi)
{
    const double v = parseNumber(opt, text);
    if (v != std::floor(v) || v < double(lo) || v > double(hi))
        fail(opt + " needs a whole number from " + std::to_string(lo) + " to " +
             std::to_string(hi));
    return long(v);
}

Options parseArgs(int argc, char** argv)
{
    Options o;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        std::string value;
        bool hasValue = false;
        if (a.rfind("--", 0) == 0) {
            const auto eq = a.find('=');
            if (eq != std::string::npos) {
                value = a.substr(eq + 1);
                a = a.substr(0, eq);
                hasValue = true;
            }
        }
        auto need = [&]() -> std::string {
            if (hasValue)
                return value;
            if (i + 1 >= argc)
                fail(a + " needs a value (see --help)");
            return argv[++i];
        };
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            std::exit(0);
        } else if (a == "--version") {
            std::puts("quorvane-meter-sim " QUORVANE_VERSION);
            std::exit(0);
        } else if (a == "--link") {
            o.link = need();
        } else if (a == "--device") {
            o.device = need();
        } else if (a == "--meter") {
            o.kind = parseKind(need());
        } else if (a == "--rate") {
            o.rate = parseNumber(a, need());
            if (o.rate != 0 && (o.rate < 0.2 || o.rate > 60))
                fail("--rate must be 0 or from 0.2 to 60 packets per second");
        } else if (a == "--count") {
            o.count = parseWhole(a, need(), 0, 1000000000);
        } else if (a == "--seed") {
            o.seed = unsigned(parseWhole(a, need(), 0, 4294967295L));
            o.seeded = true;
        } else if (a == "--start-mid-packet") {
            o.startMid = true;
        } else if (a == "--split") {
            o.splitMs = int(parseWhole(a, need(), 0, 10000));
        } else if (a == "--char-time") {
            o.charTime = true;
        } else if (a == "--datalogger") {
            o.datalogger = parseWhole(a, need(), 0, 1000000);
        } else if (a == "--fast-dump") {
            o.fastDump = true;
        } else if (a == "--verbose") {
            o.verbose = true;
        } else {
            fail("unknown argument \"" + a + "\" (see --help)");
        }
    }
    if (!o.link.empty() && !o.device.empty())
        fail("--link and --device exclude each other");
    return o;
}

// ---- running ----

class Sim
{
  public:
    Sim(const Options& o, Line& line)
        : m_opt(o), m_line(line),
          m_meter(o.kind, o.seeded ? o.seed : unsigned(std::random_device{}()))
    {
    }

    int run()
    {
        setUpTrigger();
        const double interval = m_opt.rate > 0 ? std::max(1.0 / m_opt.rate, kLineSeconds) : 0.0;
        auto next = Clock::now();
        bool wasListening = false;
        bool tailPending = m_opt.startMid;
        while (!g_stop && (m_opt.count < 0 || m_sent < m_opt.count)) {
            if (!waitUntil(m_opt.rate > 0 ? next : Clock::now() + std::chrono::hours(1)) ||
                m_opt.rate <= 0) {
                // Woken early by a signal or a trigger; after a dump the live stream starts afresh.
                if (m_dumped)
                    next = Clock::now() + std::chrono::milliseconds(200);
                m_dumped = false;
                continue;
            }
            next += std::chrono::duration_cast<Clock::duration>(
                std::chrono::duration<double>(interval));
            const bool listening = m_line.listening();
            if (listening && !wasListening) {
                // Give the program a moment to set the line up before the first characters.
                sleepFor(0.05);
                next = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                          std::chrono::duration<double>(interval));
            }
            wasListening = listening;
            if (!listening)
                continue;
            Packet p = m_meter.next();
            const bool tail = tailPending;
            tailPending = false;
            const bool sent =
                tail ? send(p.data() + 9, 7, "tail") : send(p.data(), p.size(), "packet");
            // A meter that fell behind (a busy machine slowed its characters) still pauses
            // before its next packet: two never come closer than its rate allows.
            const auto earliest =
                Clock::now() +
                std::chrono::duration_cast<Clock::duration>(
                    std::chrono::duration<double>(std::max(0.0, interval - kLineSeconds)));
            next = std::max(next, earliest);
            if (sent && !tail)
                ++m_sent;
        }
        // Closing a pseudo-terminal throws away what the other end has not read yet.
        if (!g_stop)
            waitUntil(Clock::now() + std::chrono::milliseconds(300));
        restoreTerminal();
        return 0;
    }

  private:
    void setUpTrigger()
    {
        if (m_opt.datalogger <= 0)
            return;
        // Watch the keyboard only when it is ours: a background job reading it would be stopped.
        if (isatty(STDIN_FILENO)) {
            if (tcgetpgrp(STDIN_FILENO) == getpgrp() && tcgetattr(STDIN_FILENO, &m_savedTty) == 0) {
                termios t = m_savedTty;
                t.c_lflag &= ~tcflag_t(ICANON | ECHO);
                t.c_cc[VMIN] = 1;
                t.c_cc[VTIME] = 0;
                tcsetattr(STDIN_FILENO, TCSANOW, &t);
                m_ttySaved = true;
                m_watchStdin = true;
            }
        } else {
            m_watchStdin = true;
        }
        std::fprintf(stderr,
                     "quorvane-meter-sim: datalogger of %ld records; %skill -USR1 %d sends them\n",
                     m_opt.datalogger, m_ttySaved ? "a key or " : "", int(getpid()));
    }

    void restoreTerminal()
    {
        if (m_ttySaved)
            tcsetattr(STDIN_FILENO, TCSANOW, &m_savedTty);
        m_ttySaved = false;
    }

    // Waits for the deadline; false when a signal or trigger came first (already dealt with).
    bool waitUntil(Clock::time_point deadline)
    {
        for (;;) {
            if (g_stop)
                return false;
            if (g_dump) {
                g_dump = 0;
                dump();
                return false;
            }
            const auto now = Clock::now();
            if (now >= deadline)
                return true;
            const auto ms =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
            pollfd fds[2] = {{g_signalPipe[0], POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
            const int nfds = m_watchStdin ? 2 : 1;
            const int r = poll(fds, nfds, int(std::min<long long>(ms + 1, 1000)));
            if (r <= 0)
                continue;
            if (fds[0].revents & POLLIN) {
                char buf[64];
                (void)!read(g_signalPipe[0], buf, sizeof buf);
            }
            if (nfds == 2 && fds[1].revents) {
                char buf[64];
                const ssize_t n = read(STDIN_FILENO, buf, sizeof buf);
                if (n > 0)
                    g_dump = 1;
                else
                    m_watchStdin = false; // end of input: only the signal is left
            }
        }
    }

    static void sleepFor(double seconds)
    {
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    }

    void trace(const unsigned char* data, size_t n, const char* what)
    {
        if (!m_opt.verbose)
            return;
        std::fprintf(stderr, "%s:", what);
        for (size_t i = 0; i < n; ++i)
            std::fprintf(stderr, " %02x", data[i]);
        std::fprintf(stderr, "\n");
    }

    bool send(const unsigned char* data, size_t n, const char* what)
    {
        trace(data, n, what);
        const size_t pieces = m_opt.splitMs > 0 && n > 3 ? 3 : 1;
        size_t at = 0;
        for (size_t k = 0; k < pieces; ++k) {
            const size_t len = k + 1 == pieces ? n - at : n / pieces;
            if (k > 0)
                sleepFor(m_opt.splitMs / 1000.0);
            if (m_opt.charTime) {
                // Each character at its own time, so that one late wake-up does not delay all
                // those after it.
                auto due = Clock::now();
                auto latest = Clock::duration::zero();
                for (size_t i = 0; i < len; ++i) {
                    std::this_thread::sleep_until(due);
                    latest = std::max(latest, Clock::now() - due);
                    if (!m_line.write(data + at + i, 1))
                        return false;
                    due += std::chrono::duration_cast<Clock::duration>(
                        std::chrono::duration<double>(kCharSeconds));
                }
                // A character held up this long leaves a pause inside the packet that a reader
                // may take for the end of one.
                const auto ms =
                    std::chrono::duration_cast<std::chrono::milliseconds>(latest).count();
                if (m_opt.verbose && ms >= 20)
                    std::fprintf(stderr, "late: %lld ms\n", static_cast<long long>(ms));
            } else if (!m_line.write(data + at, len)) {
                return false;
            }
            at += len;
        }
        return true;
    }

    void dump()
    {
        if (!m_line.listening()) {
            std::fprintf(stderr, "quorvane-meter-sim: nobody is listening; no dump sent\n");
            return;
        }
        std::fprintf(stderr, "quorvane-meter-sim: sending %ld records and the end of data\n",
                     m_opt.datalogger);
        auto next = Clock::now();
        const auto step = std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double>(kLineSeconds));
        for (long i = 0; i <= m_opt.datalogger && !g_stop; ++i) {
            const Packet p = i < m_opt.datalogger ? m_meter.next() : endOfData();
            if (!m_opt.fastDump) {
                std::this_thread::sleep_until(next);
                next += step;
            }
            if (!m_opt.charTime) {
                if (!m_line.write(p.data(), p.size()))
                    break;
                trace(p.data(), p.size(), "record");
            } else if (!send(p.data(), p.size(), "record")) {
                break;
            }
        }
        std::fprintf(stderr, "quorvane-meter-sim: dump sent\n");
        m_dumped = true;
    }

    const Options& m_opt;
    Line& m_line;
    Meter m_meter;
    long m_sent = 0;
    bool m_watchStdin = false;
    bool m_dumped = false;
    bool m_ttySaved = false;
    termios m_savedTty{};
};

} // namespace

int main(int argc, char** argv)
{
    const Options opt = parseArgs(argc, argv);
    if (pipe(g_signalPipe) < 0)
        fail("cannot create a pipe");
    fcntl(g_signalPipe[1], F_SETFL, O_NONBLOCK);
    struct sigaction sa
    {
    };
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
    sigaction(SIGUSR1, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);

    Line line(opt);
    std::printf("%s\n", line.slavePath().c_str());
    std::fflush(stdout);
    Sim sim(opt, line);
    const int rc = sim.run();
    line.cleanup();
    return rc;
}
