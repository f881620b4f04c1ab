// Import of a full 256 KB firmware image (S2 records of 16 data bytes, 16,386
// lines): the time in-process, and `brisk check` against `srec_cat` reading the
// same file, whole process each, median of five runs.
#include "RecordingServices.h"
#include "SRecordFiles.h"
#include "store/SRecordImport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

constexpr int ImageBytes = 256 * 1024;
constexpr int Runs = 5;

double medianMs(const std::function<bool()> &run)
{
    std::vector<double> times;
    for (int i = 0; i < Runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        if (!run())
            return -1;
        times.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[Runs / 2];
}

bool runProcess(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, arguments);
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("USER.mot"));
    const QByteArray text = SRecordFiles::imageAsS2(SRecordFiles::randomBytes(ImageBytes));
    if (!SRecordFiles::writeFile(file, text)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return 1;
    }
    std::printf("import_bench: %lld lines, %d image bytes\n", text.count('\n'), ImageBytes);

    RecordingServices window;
    const double inProcess = medianMs([&] { return fncImportFirmwareFile(window, file, QStringLiteral("UserPrg")); });
    if (inProcess < 0) {
        std::fprintf(stderr, "import failed: %s\n", qPrintable(window.failureReason()));
        return 1;
    }
    std::printf("fncImportFirmwareFile: %.1f ms (median of %d)\n", inProcess, Runs);

    const QString brisk = QCoreApplication::applicationDirPath() + QStringLiteral("/brisk");
    const QString srecCat = QStandardPaths::findExecutable(QStringLiteral("srec_cat"));
    if (srecCat.isEmpty()) {
        std::printf("srec_cat not installed: no ratio\n");
        return 0;
    }
    const double check = medianMs([&] {
        return runProcess(brisk, {QStringLiteral("check"), QStringLiteral("-q"), file});
    });
    const double reference = medianMs([&] {
        return runProcess(srecCat,
                          {file, QStringLiteral("-o"), QStringLiteral("/dev/null"), QStringLiteral("-binary")});
    });
    if (check < 0 || reference < 0) {
        std::fprintf(stderr, "a run failed\n");
        return 1;
    }
    std::printf("brisk check: %.1f ms, srec_cat: %.1f ms, ratio %.2f (target <= 2)\n", check, reference,
                check / reference);
    return 0;
}
