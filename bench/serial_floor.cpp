// The floor under quorvane-record's cost: a reader that only takes the simulator's packets off
// the line and throws them away, either through QSerialPort on Qt's plain event loop, as the
// recorder reads, or with poll and read and no Qt at all. Prints "ready" once reading.
// Usage: bench_serial_floor qt|posix DEVICE

#include <QCoreApplication>
#include <QSerialPort>

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

static int readWithPoll(const char* device)
{
    const int fd = ::open(device, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        std::perror(device);
        return 1;
    }
    std::puts("ready");
    std::fflush(stdout);
    char bytes[4096];
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, -1) > 0 && (p.revents & POLLIN) && ::read(fd, bytes, sizeof bytes) <= 0)
            return 1;
    }
}

int main(int argc, char** argv)
{
    if (argc != 3 || (std::strcmp(argv[1], "qt") != 0 && std::strcmp(argv[1], "posix") != 0)) {
        std::fputs("usage: bench_serial_floor qt|posix DEVICE\n", stderr);
        return 2;
    }
    if (std::strcmp(argv[1], "posix") == 0)
        return readWithPoll(argv[2]);
    qputenv("QT_NO_GLIB", "1"); // the recorder's event loop
    QCoreApplication app(argc, argv);
    QSerialPort port(QString::fromLocal8Bit(argv[2]));
    if (!port.open(QIODevice::ReadWrite)) {
        std::fprintf(stderr, "%s: %s\n", argv[2], qPrintable(port.errorString()));
        return 1;
    }
    port.setBaudRate(9600);
    char bytes[4096];
    QObject::connect(&port, &QSerialPort::readyRead, [&] {
        while (port.read(bytes, sizeof bytes) > 0) {
        }
    });
    std::puts("ready");
    std::fflush(stdout);
    return app.exec();
}
