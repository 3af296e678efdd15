// main() of the bounded-resources tests. It caps the process's address space
// (RLIMIT_AS) before Qt, the thread pool or any test allocates, so a reader that trusts
// a size from hostile input runs out of memory and the test fails loudly, instead of
// passing because this machine happens to have gigabytes to spare.
//
// Why here and not in a launcher: gtest_discover_tests runs the executable itself, once
// to list the tests and once per test, so a cap set by the executable's own main() is in
// force in every one of those runs without a wrapper script or an emulator setting, and
// plain `ctest` and `make test` get it too. This main() replaces the shared one of
// lumivista-testmain-gui (the linker takes that one from the archive only when no object
// defines main) and does the same work after setting the cap.
//
// The cap: 1 GiB. Measured on the RelWithDebInfo build, each of these tests peaks at
// about 250 to 310 MiB of address space (VmPeak), most of it shared libraries, thread
// stacks and malloc arenas: the gallery run with its thread pool 300 MiB, the endless
// update list 305 MiB, a listing just under the FTP cap 245 MiB. That leaves room for a
// loaded machine, while a full decode of a picture declaring 65500 x 65500 pixels
// (12 GiB) or an unbounded buffer of a flood cannot fit.
// Set LUMIVISTA_BOUNDED_VMPEAK=1 to print the peak at exit when tuning the cap.
//
// AddressSanitizer reserves terabytes of shadow memory at start: under it the cap is
// left off (the tests still run, and still check time and outcome).
#include "boundedsupport.h"

#include <QFile>
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

#if defined(__SANITIZE_ADDRESS__)
#define LUMIVISTA_BOUNDED_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LUMIVISTA_BOUNDED_ASAN 1
#endif
#endif

namespace {

constexpr long long kAddressSpaceCap = 1024LL * 1024 * 1024;

long long g_limit = 0;

void capAddressSpace()
{
#ifndef LUMIVISTA_BOUNDED_ASAN
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) != 0) {
        std::perror("getrlimit(RLIMIT_AS)");
        std::exit(3);
    }
    rlim_t cap = rlim_t(kAddressSpaceCap);
    if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max < cap)
        cap = limit.rlim_max;
    limit.rlim_cur = cap;
    if (setrlimit(RLIMIT_AS, &limit) != 0) {
        std::perror("setrlimit(RLIMIT_AS)");
        std::exit(3);
    }
    g_limit = (long long)cap;
#endif
}

void printPeak()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmPeak:") || line.startsWith("VmHWM:"))
            std::fprintf(stderr, "%s\n", line.constData());
    }
}

} // namespace

long long boundedAddressSpaceLimit()
{
    return g_limit;
}

int main(int argc, char** argv)
{
    capAddressSpace();
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                                                    : qgetenv("QT_QPA_PLATFORM"));
    ::testing::InitGoogleTest(&argc, argv);
    int result = 0;
    {
        QGuiApplication app(argc, argv);
        result = RUN_ALL_TESTS();
    }
    if (qEnvironmentVariableIntValue("LUMIVISTA_BOUNDED_VMPEAK") == 1)
        printPeak();
    return result;
}
