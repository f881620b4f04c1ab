#include "Commands.h"
#include "CommonOptions.h"

#include "sim/FirmwareRadio.h"
#include "sim/NormalRadio.h"
#include "sim/SimRadio.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

// SIGINT, SIGTERM and SIGHUP (its terminal closed) end the serving loop through a
// pipe the event loop watches, so the link is removed on the way out: a signal
// handler may do no more than write a byte.
int stopPipe[2] = {-1, -1};

void onStopSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto n = ::write(stopPipe[1], &byte, 1);
}

bool watchStopSignals()
{
    if (::pipe2(stopPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction action
    {
    };
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        if (::sigaction(signal, &action, nullptr) != 0)
            return false;
    return true;
}

struct FaultOption
{
    const char *name;
    const char *help;
    int sim::LineFaults::*count;
};

constexpr FaultOption CountedFaults[] = {
    {"silence-from", "From the K-th reply on, the radio answers nothing.", &sim::LineFaults::silenceFrom},
    {"stray-at", "A stray byte goes out just before the K-th reply.", &sim::LineFaults::strayByteAt},
    {"split-at", "The K-th reply goes out in two pieces.", &sim::LineFaults::splitAt},
    {"double-at", "The K-th reply goes out twice, run together.", &sim::LineFaults::doubleAt},
    {"close-at", "The line goes away instead of the K-th reply.", &sim::LineFaults::closeAt},
    {"flood-at", "8 KB of junk without a terminator go out instead of the K-th reply.", &sim::LineFaults::floodAt},
};

void addSimOptions(QCommandLineParser &parser)
{
    parser.addOption({QStringLiteral("link"), QStringLiteral("Make PATH a link to the device (removed on exit)."),
                      QStringLiteral("PATH")});
    parser.addOption({QStringLiteral("mode"), QStringLiteral("The radio's mode: firmware or normal (default)."),
                      QStringLiteral("MODE"), QStringLiteral("normal")});
    parser.addOption({QStringLiteral("baud"), QStringLiteral("Pace both directions at N baud (0: no line rate)."),
                      QStringLiteral("N"), QStringLiteral("0")});
    for (const FaultOption &fault : CountedFaults)
        parser.addOption({QString::fromLatin1(fault.name), QString::fromLatin1(fault.help), QStringLiteral("K")});
    parser.addOption(
        {QStringLiteral("slow-ms"), QStringLiteral("Hold every reply back MS milliseconds."), QStringLiteral("MS")});
    parser.addOptions(sim::NormalRadio::options());
    parser.addOptions(sim::FirmwareRadio::options());
    parser.addOption({{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help.")});
}

QString simHelp(const QCommandLineParser &parser)
{
    return commandHelp(
        parser, QStringLiteral("sim"),
        QStringLiteral("Run the simulated HX-7730 on a pseudo-terminal until stopped (Ctrl+C). In firmware mode it "
                       "waits for the synchronisation again once a write has ended (written or refused) or the line "
                       "has been quiet for %1 s in the middle of one (the host stopped or closed the port), as a "
                       "radio put back into firmware-write mode would: it serves one write after another.")
            .arg(std::chrono::duration<double>(sim::FirmwareRadio::QuietRestart).count()));
}

// A stray word or an option of the other mode would be ignored, and the radio
// would not be the one asked for.
bool checkArguments(const QCommandLineParser &parser, QString &reason)
{
    const QStringList stray = parser.positionalArguments().mid(1);
    if (!stray.isEmpty()) {
        reason = QStringLiteral("sim takes options only, not \"%1\"").arg(stray.join(QLatin1Char(' ')));
        return false;
    }
    const bool firmware = parser.value(QStringLiteral("mode")) == QLatin1String("firmware");
    for (const QCommandLineOption &option : firmware ? sim::NormalRadio::options() : sim::FirmwareRadio::options()) {
        if (parser.isSet(option)) {
            reason =
                QStringLiteral("--%1 is an option of %2 mode, and this radio runs in %3 mode")
                    .arg(option.names().constFirst(), firmware ? QStringLiteral("normal") : QStringLiteral("firmware"),
                         firmware ? QStringLiteral("firmware") : QStringLiteral("normal"));
            return false;
        }
    }
    return true;
}

bool readCount(const QCommandLineParser &parser, const QString &name, int &value, QString &reason)
{
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    value = parser.value(name).toInt(&ok);
    if (!ok || value < 0) {
        reason = QStringLiteral("--%1 takes a whole number, not \"%2\"").arg(name, parser.value(name));
        return false;
    }
    return true;
}

bool readSimOptions(const QCommandLineParser &parser, sim::SimOptions &options, QString &reason)
{
    if (!readCount(parser, QStringLiteral("baud"), options.baud, reason))
        return false;
    for (const FaultOption &fault : CountedFaults)
        if (!readCount(parser, QString::fromLatin1(fault.name), options.faults.*fault.count, reason))
            return false;
    int slowMs = 0;
    if (!readCount(parser, QStringLiteral("slow-ms"), slowMs, reason))
        return false;
    options.faults.slow = std::chrono::milliseconds(slowMs);
    return true;
}

std::unique_ptr<sim::Personality> makePersonality(const QCommandLineParser &parser, QString &reason)
{
    const QString mode = parser.value(QStringLiteral("mode"));
    if (mode == QLatin1String("normal")) {
        auto radio = std::make_unique<sim::NormalRadio>();
        return radio->applyOptions(parser, &reason) ? std::move(radio) : nullptr;
    }
    if (mode == QLatin1String("firmware")) {
        auto radio = std::make_unique<sim::FirmwareRadio>();
        return radio->applyOptions(parser, &reason) ? std::move(radio) : nullptr;
    }
    reason = QStringLiteral("--mode is firmware or normal, not \"%1\"").arg(mode);
    return nullptr;
}

int usageError(const QCommandLineParser &parser, const QString &reason)
{
    std::fprintf(stderr, "brisk sim: %s\n\n%s", qPrintable(reason), qPrintable(simHelp(parser)));
    return ExitUsage;
}

} // namespace

int runSim(const QStringList &arguments)
{
    QCommandLineParser parser;
    addSimOptions(parser);
    if (!parser.parse(arguments))
        return usageError(parser, parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(simHelp(parser)), stdout);
        return ExitDone;
    }
    QString reason;
    sim::SimOptions options;
    if (!checkArguments(parser, reason) || !readSimOptions(parser, options, reason))
        return usageError(parser, reason);
    auto personality = makePersonality(parser, reason);
    if (!personality)
        return usageError(parser, reason);

    sim::SimRadio radio(std::move(personality), options);
    if (!watchStopSignals() || !radio.start(&reason)) {
        std::fprintf(stderr, "brisk sim: %s\n",
                     qPrintable(reason.isEmpty() ? QStringLiteral("no signal pipe") : reason));
        return ExitFailed;
    }
    const QString link = parser.value(QStringLiteral("link"));
    if (!link.isEmpty() && !radio.linkTo(link, &reason)) {
        std::fprintf(stderr, "brisk sim: %s\n", qPrintable(reason));
        return ExitFailed;
    }
    std::printf("%s\n", qPrintable(link.isEmpty() ? radio.devicePath() : link));
    std::fflush(stdout);

    QSocketNotifier stopNotifier(stopPipe[0], QSocketNotifier::Read);
    QObject::connect(&stopNotifier, &QSocketNotifier::activated, QCoreApplication::instance(), &QCoreApplication::quit);
    QCoreApplication::exec();

    radio.stop(); // also removes the link
    bool saved = true;
    radio.withPersonality([&](sim::Personality &p) { saved = p.finish(&reason); });
    if (!saved) {
        std::fprintf(stderr, "brisk sim: %s\n", qPrintable(reason));
        return ExitFailed;
    }
    return ExitDone;
}
