// Preloaded into a program under test: every write-out to the disk takes QV_SYNC_DELAY_MS
// (3000 unless told), as on an SD card or a busy USB disk, and is noted in QV_SYNC_LOG.
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <unistd.h>

namespace {

int slowly(const char* name, int fd)
{
    const char* delay = std::getenv("QV_SYNC_DELAY_MS");
    ::usleep(useconds_t(delay ? std::atoi(delay) : 3000) * 1000);
    if (const char* log = std::getenv("QV_SYNC_LOG")) {
        if (std::FILE* f = std::fopen(log, "a")) {
            std::fputs("sync\n", f);
            std::fclose(f);
        }
    }
    using Sync = int (*)(int);
    static const auto real = reinterpret_cast<Sync>(::dlsym(RTLD_NEXT, name));
    return real ? real(fd) : 0;
}

} // namespace

extern "C" int fdatasync(int fd)
{
    return slowly("fdatasync", fd);
}

extern "C" int fsync(int fd)
{
    return slowly("fsync", fd);
}
