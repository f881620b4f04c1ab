// Generated firmware files, and a changed copy of each, read by Brisk and by
// srec_cat for as long as asked (make fuzz-diff): every file Brisk takes must put
// on the wire what srec_cat reads from it, every file it refuses must be refused
// for a reason that applies. Prints how many files ended how.
#include "FirmwareDifferential.h"
#include "SRecordFiles.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QMap>

#include <cstdio>

namespace {

constexpr qint64 ProgressEveryMs = 60000;

// How many files ended how, one line each.
void print(const QStringList &endings)
{
    QMap<QString, int> tally;
    for (const QString &ending : endings)
        ++tally[ending];
    for (auto it = tally.cbegin(); it != tally.cend(); ++it)
        std::printf("%7d  %s\n", it.value(), qPrintable(it.key()));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Reads generated S-record files with Brisk and srec_cat."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("seconds"), QStringLiteral("How long to run (default 60)."), QStringLiteral("N"),
                      QStringLiteral("60")});
    parser.addOption({QStringLiteral("first-seed"), QStringLiteral("Seed of the first file (default: from the clock)."),
                      QStringLiteral("SEED")});
    parser.process(app);
    const quint32 first = parser.isSet(QStringLiteral("first-seed"))
                              ? parser.value(QStringLiteral("first-seed")).toUInt()
                              : quint32(QDateTime::currentSecsSinceEpoch() % 1000000 * 1000);
    const qint64 seconds = parser.value(QStringLiteral("seconds")).toLongLong();

    FirmwareDifferential differential;
    std::printf("srecord_diff: seeds from %u for %lld s\n", first, seconds);
    QDeadlineTimer deadline(seconds * 1000);
    QElapsedTimer clock;
    clock.start();
    qint64 nextProgress = ProgressEveryMs;
    quint32 seed = first;
    QStringList endings;
    do {
        const QString problem = differential.checkSeed(seed, endings);
        if (!problem.isEmpty()) {
            const QString saved = QStringLiteral("srecord_diff-%1.mot").arg(seed);
            SRecordFiles::writeFile(saved, SRecordGenerator::generate(seed).text);
            std::printf("FAIL %s\nthe generated file is saved as %s; again: srecord_diff --first-seed %u --seconds 0\n",
                        qPrintable(problem), qPrintable(saved), seed);
            return 1;
        }
        ++seed;
        if (clock.elapsed() >= nextProgress) {
            std::printf("%lld s: %lld files\n", clock.elapsed() / 1000, endings.size());
            std::fflush(stdout);
            nextProgress += ProgressEveryMs;
        }
    } while (!deadline.hasExpired());

    std::printf("srecord_diff: %lld files (%u generated, each also changed once) in %lld s, seeds %u to %u\n",
                endings.size(), seed - first, clock.elapsed() / 1000, first, seed - 1);
    print(endings);
    std::printf("again: srecord_diff --first-seed %u --seconds %lld\n", first, seconds);
    return 0;
}
