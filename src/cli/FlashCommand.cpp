#include "FlashCommand.h"

#include "CliServices.h"
#include "Commands.h"
#include "CommonOptions.h"
#include "clone/RadioType.h"
#include "flash/AdjustFile.h"
#include "flash/BootTransfer.h"
#include "flash/FirmwareImage.h"
#include "flash/ProgramTransfer.h"
#include "store/FirmwareFiles.h"
#include "store/SRecordImport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <csignal>
#include <cstdio>

namespace {

const QString BootFileName = QStringLiteral("7730F.REL");
const QString DefaultTypeText = QStringLiteral("K");

volatile std::sig_atomic_t interrupted = 0;

extern "C" void noteInterrupt(int)
{
    interrupted = 1;
}

// Ctrl-C only raises a flag: the transfer sees it at its next poll (within
// 25 ms), closes the port and reports, so the line is never left mid-frame
// without the operator being told.
class InterruptGuard
{
public:
    InterruptGuard()
    {
        interrupted = 0;
        struct sigaction action = {};
        action.sa_handler = noteInterrupt;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &m_previous);
    }
    ~InterruptGuard() { sigaction(SIGINT, &m_previous, nullptr); }

private:
    struct sigaction m_previous = {};
};

// The terminal bar, but the transfer's closing reset to 0 is not drawn: the
// operator's last view is the finished bar.
class FlashProgress : public ProgressSink
{
public:
    explicit FlashProgress(TerminalProgress &bar) : m_bar(bar) {}
    void setMinimum(int v) override { m_bar.setMinimum(v); }
    void setMaximum(int v) override { m_bar.setMaximum(v); }
    void setValue(int v) override
    {
        if (v >= m_bar.value() || m_resettable)
            m_bar.setValue(v);
    }
    int value() const override { return m_bar.value(); }
    void setVisible(bool visible) override { m_bar.setVisible(visible); }
    // A new phase starts from 0 again.
    void startPhase(const QString &label, int maximum, double bytesPerStep)
    {
        m_bar.setVisible(false);
        m_bar.setLabel(label);
        m_bar.setUnit(QStringLiteral("bytes"), bytesPerStep);
        m_bar.setMinimum(0);
        m_bar.setMaximum(std::max(1, maximum));
        m_resettable = true;
        m_bar.setValue(0);
        m_resettable = false;
        m_bar.setVisible(true);
    }

private:
    TerminalProgress &m_bar;
    bool m_resettable = false;
};

class FlashServices : public CliServices
{
public:
    FlashServices(const QString &settingsText, bool quiet) : CliServices(settingsText, quiet), bar(progress) {}
    ProgressSink &barMain() override { return bar; }
    bool cancelRequested() const override { return interrupted != 0; }
    FlashProgress bar;
};

// Beside brisk, else in the user's data folder; beside brisk when neither holds it.
QString deliveredFile(const QString &relativeName)
{
    const QString folder = QCoreApplication::applicationDirPath();
    const FirmwareFile file = findFirmwareFile(folder, relativeName);
    return file.found() ? file.path : QDir(folder).filePath(QDir::fromNativeSeparators(relativeName));
}

bool fail(WindowServices &window, const QString &reason)
{
    window.setFailure(reason);
    return false;
}

bool importFile(WindowServices &window, const QString &path, const QString &shownName, const QString &table)
{
    if (!QFileInfo::exists(path))
        return fail(window, QStringLiteral("'%1' Not Found !!").arg(shownName));
    window.clearFailure();
    const bool boot = table == QLatin1String("BootPrg");
    const bool imported = boot ? fncImportMotFile(window, path, table) : fncImportFirmwareFile(window, path, table);
    if (!imported && window.failureReason().isEmpty())
        window.setFailure(QStringLiteral("cannot import %1").arg(QDir::toNativeSeparators(path)));
    return imported;
}

bool writeFirmware(FlashServices &window, const QString &table)
{
    QString reason;
    if (!isWritableImage(window.WorkConnection(), table, &reason))
        return fail(window, reason);
    int loaderBytes = 0;
    int loaderRows = 0;
    if (!measureBootProgram(window, loaderBytes, loaderRows))
        return false;
    if (interrupted)
        return fail(window, QStringLiteral("stopped before anything was sent to the radio"));
    window.bar.startPhase(QStringLiteral("loader"), loaderRows, loaderRows ? double(loaderBytes) / loaderRows : 0.0);
    if (!fncTransmitBootProgram(window))
        return false;
    window.bar.startPhase(QStringLiteral("firmware"), FirmwareImage::FullImageFrames, FirmwareImage::FrameBytes);
    const bool written = fncTransmitProgram(window, table);
    window.bar.setVisible(false);
    return written;
}

} // namespace

int runFlash(const QStringList &arguments)
{
    QCommandLineParser parser;
    addCommonOptions(parser, QStringLiteral("flash user FILE | flash adjust [--type TEXT]"),
                     QStringLiteral("Writes firmware into a radio in firmware-write mode: the boot loader first, "
                                    "then the USER firmware FILE or the ADJUST firmware for the radio's type."));
    parser.addOption(
        {QStringLiteral("boot"),
         QStringLiteral("Boot loader file (default 7730F.REL beside brisk, else in the user's data folder)."),
         QStringLiteral("FILE")});
    parser.addOption(
        {QStringLiteral("adj-dir"),
         QStringLiteral("Folder of the ADJUST files (default ADJ beside brisk, else in the user's data folder)."),
         QStringLiteral("DIR")});
    parser.addOption({QStringLiteral("type"), QStringLiteral("Radio type text that picks the ADJUST file (default K)."),
                      QStringLiteral("TEXT"), DefaultTypeText});
    CommonOptions options;
    int exitCode = ExitDone;
    if (!parseCommand(parser, arguments.mid(1), options, exitCode))
        return exitCode;
    const QStringList positional = parser.positionalArguments();
    const bool user = positional.size() == 2 && positional.at(0) == QLatin1String("user");
    const bool adjust = positional.size() == 1 && positional.at(0) == QLatin1String("adjust");
    if (!user && !adjust) {
        std::fprintf(stderr, "brisk flash: give 'user FILE' or 'adjust'\n%s", qPrintable(parser.helpText()));
        return ExitUsage;
    }

    FlashServices window(options.settingsText, options.quiet);
    QString reason;
    if (!window.isValid(&reason))
        return reportResult(false, reason);
    InterruptGuard guard;

    const QString bootPath =
        parser.isSet(QStringLiteral("boot")) ? parser.value(QStringLiteral("boot")) : deliveredFile(BootFileName);
    const QString table = user ? QStringLiteral("UserPrg") : QStringLiteral("AdjustPrg");
    QString firmwarePath = user ? positional.at(1) : QString();
    QString firmwareShown = firmwarePath;
    if (adjust) {
        const int radioType = radioTypeOf(parser.value(QStringLiteral("type")));
        firmwarePath = parser.isSet(QStringLiteral("adj-dir"))
                           ? QDir(parser.value(QStringLiteral("adj-dir"))).filePath(adjustFileName(radioType))
                           : deliveredFile(adjustRelativeName(radioType));
        firmwareShown = parser.isSet(QStringLiteral("adj-dir")) ? QDir::toNativeSeparators(firmwarePath)
                                                                : adjustRelativeName(radioType);
    }
    window.progress.setLabel(QStringLiteral("import"));
    const bool ok = importFile(window, bootPath, parser.isSet(QStringLiteral("boot")) ? bootPath : BootFileName,
                               QStringLiteral("BootPrg")) &&
                    importFile(window, firmwarePath, firmwareShown, table) && writeFirmware(window, table);
    return reportResult(ok, window.failureReason());
}

QStringList describeWritability(WindowServices &window, bool boot, bool &writable)
{
    if (!boot)
        return FirmwareImage::describe(window.WorkConnection(), QStringLiteral("UserPrg"), &writable);
    int bytes = 0;
    int rows = 0;
    writable = measureBootProgram(window, bytes, rows);
    if (!writable)
        return {QStringLiteral("can be sent: no (%1)").arg(window.failureReason())};
    const auto pair = [](int value) {
        return QString::number(value, 16).toUpper().rightJustified(2, QLatin1Char('0'));
    };
    return {QStringLiteral("loader: %1 bytes in %2 records, announced as %3 %4")
                .arg(bytes)
                .arg(rows)
                .arg(pair(bytes >> 8), pair(bytes & 0xFF)),
            QStringLiteral("can be sent: yes")};
}
