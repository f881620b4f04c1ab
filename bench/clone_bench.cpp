// A full settings read (type, both menu banks, 600 channel entries, the file)
// against the simulated radio on a line paced at 9600 baud, set against the
// line's own bound.
//
// Every exchange is strictly sequential: a query crosses the line, then its
// answer does, and nothing overlaps. So the line alone needs
//     (bytes received by the radio + bytes sent by it) x 10 bits / 9600 s
// (start bit, 8 data bits, stop bit per byte). The three AI commands are not
// counted as line time: each is followed by a fixed 100 ms pause (the radio
// may still be talking) that is protocol time, so each adds 100 ms instead.

#include "RecordingServices.h"
#include "clone/MemoryChannels.h"
#include "clone/MenuTransfer.h"
#include "clone/SettingsFile.h"
#include "clone/TypeRead.h"
#include "link/LinkTiming.h"
#include "link/clsBriskHx7730.h"
#include "sim/NormalRadio.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>
#include <sys/resource.h>

namespace {

constexpr int Baud = 9600;
constexpr double BitsPerByte = 10.0;
constexpr int AiCommandBytes = 4; // "AI0;"

double threadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval &tv) { return double(tv.tv_sec) + double(tv.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    auto model = std::make_unique<sim::NormalRadio>();
    model->setTypeFields("000"); // EXT present, P2 "0": the longest plan, 220 menu reads
    sim::SimOptions options;
    options.baud = Baud;
    sim::SimRadio radio(std::move(model), options);
    QString reason;
    if (!radio.start(&reason)) {
        std::fprintf(stderr, "cannot start the simulated radio: %s\n", qPrintable(reason));
        return 1;
    }
    clsBriskHx7730::setPortOverride(QStringLiteral("COM1"), radio.devicePath());
    QTemporaryDir dir;
    RecordingServices window;

    QElapsedTimer wall;
    const double cpuStart = threadCpuSeconds();
    const double processStart = processCpuSeconds();
    wall.start();
    const QString type = fncTypeRead(window);
    const bool ok = fncMenuRead(window) && fncMemoryChennelRead(window) &&
                    fncExportCsvFile(window, dir.filePath(QStringLiteral("bench.csv")));
    const double seconds = double(wall.nsecsElapsed()) / 1e9;
    const double hostCpu = threadCpuSeconds() - cpuStart;
    const double processCpu = processCpuSeconds() - processStart;
    radio.waitUntilIdle();
    if (!ok) {
        std::fprintf(stderr, "the read failed: %s\n", qPrintable(window.failureReason()));
        return 1;
    }

    const QByteArray received = radio.received();
    const int aiCommands = int(received.count("AI0;"));
    const qint64 lineBytes = received.size() - qint64(aiCommands) * AiCommandBytes + radio.sent().size();
    const double aiPauses = aiCommands * std::chrono::duration<double>(LinkTiming::DefaultAiPause).count();
    const double bound = double(lineBytes) * BitsPerByte / Baud + aiPauses;

    std::printf("settings read at %d baud, type %s: %d menu rows, %d channel rows\n", Baud, qPrintable(type),
                window.rowCount(QStringLiteral("MenuData")), window.rowCount(QStringLiteral("MemoryData")));
    std::printf("bytes on the line      %lld (radio received %lld, sent %lld; %d AI commands apart)\n",
                static_cast<long long>(lineBytes), static_cast<long long>(received.size()),
                static_cast<long long>(radio.sent().size()), aiCommands);
    std::printf("line bound             %.3f s (%.3f s of bytes + %.3f s of AI pauses)\n", bound, bound - aiPauses,
                aiPauses);
    std::printf("wall time              %.3f s\n", seconds);
    std::printf("wall / bound           %.4f (target <= 1.03)\n", seconds / bound);
    std::printf("host CPU (main thread) %.3f s = %.2f %% of wall (target < 5 %%)\n", hostCpu,
                100.0 * hostCpu / seconds);
    std::printf("process CPU (with sim) %.3f s = %.2f %% of wall\n", processCpu, 100.0 * processCpu / seconds);
    return 0;
}
