// Firmware write against the simulated radio on a paced line: how close the
// transfer comes to the line's own bound, what it costs the host, and how often
// it lets the window repaint.
//
//   flash_bench [--baud N] [--frames N] [--loader BYTES]
//
// Without --baud it runs at 9600 (the radio's rate) and at 115200 (to show the
// host's own overhead). A full write at 9600 takes about five minutes; --frames
// writes only the blocks that hold the first N frames.

#include "RecordingServices.h"
#include "SRecordFiles.h"

#include "flash/BootTransfer.h"
#include "flash/FirmwareImage.h"
#include "flash/ProgramTransfer.h"
#include "link/clsBriskHx7730.h"
#include "sim/FirmwareRadio.h"
#include "store/SRecordImport.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>

namespace {

using Clock = std::chrono::steady_clock;

// Records the longest stretch between two polls: the window repaints only there.
class BenchServices : public RecordingServices
{
public:
    void fncWaitCursor() override
    {
        const auto now = Clock::now();
        if (m_last != Clock::time_point{}) {
            const auto gap = now - m_last;
            if (gap > longestGap) {
                longestGap = gap;
                longestGapAt = progress.current;
            }
            if (gap > std::chrono::milliseconds(50))
                ++gapsOver50ms;
        }
        m_last = now;
    }
    Clock::duration longestGap{};
    int longestGapAt = 0; // the bar's value when it ended
    int gapsOver50ms = 0;

private:
    Clock::time_point m_last{};
};

double threadCpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_THREAD, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

int blocksFor(int frames)
{
    int blocks = 0;
    for (const auto &block : FirmwareImage::Layout)
        if (block.firstFrame() < frames)
            ++blocks;
    return blocks;
}

bool run(int baud, int frames, const QString &bootFile, const QString &firmwareFile)
{
    BenchServices window;
    if (!window.isValid() || !fncImportMotFile(window, bootFile, QStringLiteral("BootPrg")) ||
        !fncImportFirmwareFile(window, firmwareFile, QStringLiteral("UserPrg"))) {
        std::fprintf(stderr, "cannot import the files: %s\n", qPrintable(window.failureReason()));
        return false;
    }
    QByteArray image;
    QString reason;
    if (!FirmwareImage::loadWritableImage(window.WorkConnection(), QStringLiteral("UserPrg"), image, &reason)) {
        std::fprintf(stderr, "%s\n", qPrintable(reason));
        return false;
    }
    const int blocks = blocksFor(frames);

    sim::SimOptions options;
    options.baud = baud;
    sim::SimRadio radio(std::make_unique<sim::FirmwareRadio>(), options);
    if (!radio.start(&reason)) {
        std::fprintf(stderr, "%s\n", qPrintable(reason));
        return false;
    }
    clsBriskHx7730::setPortOverride(QStringLiteral("COM1"), radio.devicePath());

    QElapsedTimer wall;
    const double cpuBefore = threadCpuSeconds();
    wall.start();
    const bool ok = fncTransmitBootProgram(window) && transmitProgramImage(window, image, blocks);
    const double seconds = double(wall.nsecsElapsed()) / 1e9;
    const double cpu = threadCpuSeconds() - cpuBefore;
    radio.waitUntilIdle();
    if (!ok) {
        std::fprintf(stderr, "the write failed: %s\n", qPrintable(window.failureReason()));
        return false;
    }

    // Every message waits for its reply before the next goes out, so the two
    // directions never share the wire: the line's bound is the serialisation
    // time of every byte either way, 10 bits each (start, 8 data, stop), plus
    // the radio's own pause before it reports the loader running.
    const qint64 wireBytes = radio.received().size() + radio.sent().size();
    const double bound =
        double(wireBytes) * 10.0 / baud + std::chrono::duration<double>(sim::FirmwareRadio::LoaderStartPause).count();
    const double gapMs = std::chrono::duration<double, std::milli>(window.longestGap).count();
    const auto &last = FirmwareImage::Layout.at(blocks - 1);
    int loaderBytes = 0;
    int loaderRows = 0;
    measureBootProgram(window, loaderBytes, loaderRows);
    std::printf("baud %d: loader %d bytes, %d frames in %d blocks\n", baud, loaderBytes,
                last.firstFrame() + last.frameCount(), blocks);
    std::printf("  wall time        %8.2f s\n", seconds);
    std::printf("  line bound       %8.2f s  (%lld bytes on the wire x 10 / %d)\n", bound, (long long)wireBytes, baud);
    std::printf("  ratio            %8.4f    (target <= 1.03)\n", seconds / bound);
    std::printf("  host CPU         %8.2f s = %.2f %% of wall time (target < 5 %%)\n", cpu, 100.0 * cpu / seconds);
    std::printf("  longest gap between fncWaitCursor calls %.1f ms at bar value %d (target <= 100 ms); "
                "%d gaps over 50 ms\n",
                gapMs, window.longestGapAt, window.gapsOver50ms);
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption(
        {QStringLiteral("baud"), QStringLiteral("Line rate (default: 9600, then 115200)."), QStringLiteral("N")});
    parser.addOption({QStringLiteral("frames"), QStringLiteral("Write the blocks holding the first N frames."),
                      QStringLiteral("N"), QString::number(FirmwareImage::FullImageFrames)});
    parser.addOption({QStringLiteral("loader"), QStringLiteral("Boot loader size in bytes."), QStringLiteral("BYTES"),
                      QStringLiteral("2048")});
    parser.process(app);

    QTemporaryDir dir;
    const QString bootFile = dir.filePath(QStringLiteral("7730F.REL"));
    const QString firmwareFile = dir.filePath(QStringLiteral("user.mot"));
    const int loaderBytes = parser.value(QStringLiteral("loader")).toInt();
    if (!dir.isValid() ||
        !SRecordFiles::writeFile(bootFile, SRecordFiles::imageAsS2(SRecordFiles::randomBytes(loaderBytes, 1))) ||
        !SRecordFiles::writeFile(
            firmwareFile, SRecordFiles::imageAsS2(SRecordFiles::randomBytes(FirmwareImage::FullImageBytes, 2)))) {
        std::fprintf(stderr, "cannot write the test files\n");
        return 1;
    }
    const int frames = std::clamp(parser.value(QStringLiteral("frames")).toInt(), 1, FirmwareImage::FullImageFrames);
    QList<int> rates{9600, 115200};
    if (parser.isSet(QStringLiteral("baud")))
        rates = {parser.value(QStringLiteral("baud")).toInt()};
    for (int baud : rates)
        if (!run(baud, frames, bootFile, firmwareFile))
            return 1;
    return 0;
}
