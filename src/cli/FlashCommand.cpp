#include "FlashCommand.h"

#include "CliServices.h"
#include "Commands.h"
#include "CommonOptions.h"
#include "clone/RadioType.h"
#include "clone/TypeRead.h"
#include "flash/AdjustFile.h"
#include "flash/BootTransfer.h"
#include "flash/FirmwareImage.h"
#include "flash/ProgramTransfer.h"
#include "log/ServiceRecord.h"
#include "store/FirmwareFiles.h"
#include "store/SRecordImport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace {

const QString BootFileName = QStringLiteral("7730F.REL");

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
    FlashProgress bar;
};

// Where a delivered file is: the path given, else beside brisk, else in the user's
// data folder. False with a reason that says where it was looked for and which
// option points elsewhere.
bool locate(const QString &kind, const QString &relativeName, const QString &given, const QString &option,
            QString &path, QString &reason)
{
    QStringList searched;
    if (!given.isEmpty()) {
        path = given;
        if (QFileInfo::exists(given))
            return true;
        searched << QDir::toNativeSeparators(QFileInfo(given).absoluteFilePath());
    } else {
        const FirmwareFile file = findFirmwareFile(QCoreApplication::applicationDirPath(), relativeName);
        path = file.path;
        if (file.found())
            return true;
        for (const QString &place : file.searched)
            searched << QDir::toNativeSeparators(place);
    }
    reason = QStringLiteral("%1 %2 is not there (looked for %3); give its place with %4")
                 .arg(kind, QFileInfo(given.isEmpty() ? QDir::fromNativeSeparators(relativeName) : given).fileName(),
                      searched.join(QStringLiteral(", ")), option);
    return false;
}

bool fail(WindowServices &window, const QString &reason)
{
    window.setFailure(reason);
    return false;
}

// Imports the file and lists it in the record as the import read it.
bool importFile(WindowServices &window, const QString &path, const QString &table, ServiceRecord &record)
{
    window.clearFailure();
    window.clearSeen();
    const bool boot = table == QLatin1String("BootPrg");
    const bool imported = boot ? fncImportMotFile(window, path, table) : fncImportFirmwareFile(window, path, table);
    const char *role = boot ? ServiceFile::BootLoader : ServiceFile::Firmware;
    if (!window.inputs().isEmpty())
        record.addFile(role, window.inputs().constFirst());
    else
        record.addFile(role, path, window.failureReason());
    // Two files go into a write: a reason names the one it is about, as a settings file's does.
    const QString file = QDir::toNativeSeparators(path);
    if (!imported && !window.failureReason().contains(file))
        window.setFailure(QStringLiteral("%1, %2").arg(
            file, window.failureReason().isEmpty() ? QStringLiteral("cannot import it") : window.failureReason()));
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
    if (window.stopped())
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
    const QStringList types = typeLabels();
    CommandLine line(QStringLiteral("flash user FILE | flash adjust --type TYPE"),
                     QStringLiteral("Writes firmware into a radio in firmware-write mode: the boot loader first, "
                                    "then the USER firmware FILE or the ADJUST firmware for the radio's type."),
                     true);
    line.parser.addOption(
        {QStringLiteral("boot"),
         QStringLiteral("Boot loader file (default 7730F.REL beside brisk, else in the user's data folder)."),
         QStringLiteral("FILE")});
    line.parser.addOption(
        {QStringLiteral("adj-dir"),
         QStringLiteral("Folder of the ADJUST files (default ADJ beside brisk, else in the user's data folder)."),
         QStringLiteral("DIR")});
    line.parser.addOption({QStringLiteral("no-gaps"),
                           QStringLiteral("Refuse an image with gaps below its last data byte (a record missing from "
                                          "the file) rather than fill them with 0xFF.")});
    line.parser.addOption({QStringLiteral("type"),
                           QStringLiteral("The radio's type as 'brisk type' shows it (any letter case), which picks "
                                          "the ADJUST file: J(S) and J(S) - EXT write FPU_SJ.D3T, J(V) and J(V) - EXT "
                                          "FPU_VJ.D3T, K, K2, E, E2, E3, E4, E5, M, X and their - EXT forms FPU.D3T. "
                                          "Required for adjust."),
                           QStringLiteral("TYPE")});
    if (!line.parse(arguments, 1, 2))
        return line.exitCode();
    const QStringList positional = line.positional();
    const bool user = positional.size() == 2 && positional.at(0) == QLatin1String("user");
    const bool adjust = positional.size() == 1 && positional.at(0) == QLatin1String("adjust");
    if (!user && !adjust)
        return line.usageError(QStringLiteral("give 'user FILE' or 'adjust'"));
    const QString typeGiven = line.parser.value(QStringLiteral("type"));
    const QString typeText = canonicalTypeLabel(typeGiven);
    // ADJUST data of another market would be taken by the radio without a word.
    if (adjust && !line.parser.isSet(QStringLiteral("type")))
        return line.usageError(QStringLiteral("flash adjust needs --type TYPE, the radio's type: switch the radio on "
                                              "normally and run 'brisk type', then put it into firmware-write mode"));
    if (adjust && typeText.isEmpty())
        return line.usageError(QStringLiteral("--type takes a type as 'brisk type' shows it (%1), not \"%2\"")
                                   .arg(types.join(QStringLiteral(", ")), typeGiven));
    if (user && line.parser.isSet(QStringLiteral("type")))
        return line.usageError(QStringLiteral("--type picks the ADJUST file; a USER write takes its FILE"));

    FlashServices window(line.settingsText(), line.quiet());
    QString reason;
    if (!window.isValid(&reason))
        return window.finish(false, reason);

    const QString bootGiven =
        line.parser.isSet(QStringLiteral("boot")) ? line.parser.value(QStringLiteral("boot")) : QString();
    QString bootPath;
    if (!locate(QStringLiteral("the boot loader"), BootFileName, bootGiven, QStringLiteral("--boot FILE"), bootPath,
                reason))
        return window.finish(false, reason);
    const QString table = user ? QStringLiteral("UserPrg") : QStringLiteral("AdjustPrg");
    QString firmwarePath = user ? positional.at(1) : QString();
    if (adjust) {
        const int radioType = radioTypeOf(typeText);
        const QString given =
            line.parser.isSet(QStringLiteral("adj-dir"))
                ? QDir(line.parser.value(QStringLiteral("adj-dir"))).filePath(adjustFileName(radioType))
                : QString();
        if (!locate(QStringLiteral("the ADJUST file"), adjustRelativeName(radioType), given,
                    QStringLiteral("--adj-dir DIR"), firmwarePath, reason))
            return window.finish(false, reason);
        std::printf("ADJUST file: %s\n",
                    qPrintable(QDir::toNativeSeparators(QFileInfo(firmwarePath).absoluteFilePath())));
        std::fflush(stdout);
    } else if (!QFileInfo::exists(firmwarePath)) {
        return window.finish(false, QStringLiteral("there is no file %1").arg(QDir::toNativeSeparators(firmwarePath)));
    }
    ServiceRecord &record = window.startRecord(user ? ServiceAction::UserFirmware : ServiceAction::AdjustFirmware);
    if (adjust)
        record.setRadioType(typeText, ServiceRecord::TypeSource::Operator);
    window.progress.setLabel(QStringLiteral("import"));
    const bool imported = importFile(window, bootPath, QStringLiteral("BootPrg"), record) &&
                          importFile(window, firmwarePath, table, record);
    if (imported)
        record.noteFirmware(window.WorkConnection(), table);
    const QVector<FirmwareImage::Gap> gaps =
        imported ? FirmwareImage::imageGaps(window.WorkConnection(), table) : QVector<FirmwareImage::Gap>();
    if (line.parser.isSet(QStringLiteral("no-gaps")) && !gaps.isEmpty())
        return window.finish(false, QStringLiteral("%1, %2; --no-gaps refuses it")
                                        .arg(QDir::toNativeSeparators(firmwarePath), FirmwareImage::gapsText(gaps)));
    return window.finish(imported && writeFirmware(window, table));
}

QStringList describeWritability(WindowServices &window, bool boot, bool &writable, QByteArray &sent)
{
    if (!boot)
        return FirmwareImage::describe(window.WorkConnection(), QStringLiteral("UserPrg"), &writable, &sent);
    int bytes = 0;
    int rows = 0;
    writable = measureBootProgram(window, bytes, rows) && loadBootProgram(window.WorkConnection(), sent, nullptr);
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
