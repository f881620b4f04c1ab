#include "CliServices.h"
#include "Commands.h"
#include "CommonOptions.h"
#include "FlashCommand.h"
#include "log/ServiceRecord.h"
#include "store/SRecordImport.h"

#include <QDir>
#include <QRegularExpression>
#include <cstdio>
#include <zlib.h>

namespace {

QString hexAddress(qint64 address)
{
    return QStringLiteral("%1").arg(address, 6, 16, QLatin1Char('0')).toUpper();
}

// A file that imports cleanly but brings no data has nothing to write.
void noteMissingData(SRecordSummary &summary)
{
    if (summary.problem.isEmpty() && summary.dataBytes == 0)
        summary.problem = QStringLiteral("no data records");
}

// The summary `brisk check` prints, one line per fact.
QStringList describeImport(const QString &path, const SRecordSummary &summary)
{
    QStringList types;
    for (auto it = summary.recordsByType.cbegin(); it != summary.recordsByType.cend(); ++it)
        types << QStringLiteral("%1 %2").arg(it.key()).arg(it.value());
    QStringList lines;
    lines << QStringLiteral("file: %1").arg(QDir::toNativeSeparators(path));
    lines << QStringLiteral("lines: %1").arg(summary.lines);
    lines << QStringLiteral("records%1: %2")
                 .arg(summary.problem.isEmpty() ? QString() : QStringLiteral(" before the problem"),
                      types.isEmpty() ? QStringLiteral("none") : types.join(QStringLiteral(", ")));
    lines << QStringLiteral("data bytes: %1").arg(summary.dataBytes);
    if (summary.lowestAddress >= 0)
        lines << QStringLiteral("addresses: %1 to %2")
                     .arg(hexAddress(summary.lowestAddress), hexAddress(summary.highestAddress));
    if (summary.recordsCarryingNothing > 0)
        lines << QStringLiteral("note: records that carry nothing: %1 (data records without data, end records "
                                "with data); no byte of theirs is written")
                     .arg(summary.recordsCarryingNothing);
    lines << QStringLiteral("problem: %1").arg(summary.problem.isEmpty() ? QStringLiteral("none") : summary.problem);
    return lines;
}

// "can be written: no (overlap at line 7)" as a failure's reason.
QString whyNot(const QString &verdict)
{
    const auto match = QRegularExpression(QStringLiteral("^can be (\\w+): no \\((.*)\\)$")).match(verdict);
    return match.hasMatch() ? QStringLiteral("it cannot be %1: %2").arg(match.captured(1), match.captured(2)) : verdict;
}

// SHA-256 and CRC-32 of the bytes as they would go to the radio.
QStringList describeFingerprints(const QByteArray &sent)
{
    const uLong crc =
        crc32_z(crc32_z(0, nullptr, 0), reinterpret_cast<const Bytef *>(sent.constData()), z_size_t(sent.size()));
    return {QStringLiteral("sha256: %1").arg(sha256Hex(sent)),
            QStringLiteral("crc32: %1").arg(qulonglong(crc), 8, 16, QLatin1Char('0'))};
}

} // namespace

int runCheck(const QStringList &arguments)
{
    CommandLine line(QStringLiteral("check FILE [--boot]"),
                     QStringLiteral("Validates an S-record file as a firmware image and prints a summary."), false);
    line.parser.addOption({QStringLiteral("boot"), QStringLiteral("Check FILE as the boot loader.")});
    if (!line.parse(arguments, 1, 1))
        return line.exitCode();
    const QString path = line.positional().constFirst();
    const bool boot = line.parser.isSet(QStringLiteral("boot"));

    CliServices window(QString(), line.quiet());
    QString reason;
    if (!window.isValid(&reason))
        return window.finish(false, reason);
    window.progress.setLabel(QStringLiteral("import"));
    SRecordSummary summary;
    importSRecordFile(window, path, boot ? QStringLiteral("BootPrg") : QStringLiteral("UserPrg"),
                      boot ? ImportMode::Boot : ImportMode::Firmware, &summary);
    if (window.stopped())
        return window.finish(false, QStringLiteral("the check was not finished"));
    noteMissingData(summary);
    for (const QString &text : describeImport(path, summary))
        std::printf("%s\n", qPrintable(text));
    if (!summary.problem.isEmpty())
        return window.finish(false, summary.problem);
    bool writable = false;
    QByteArray sent;
    const QStringList writability = describeWritability(window, boot, writable, sent);
    for (const QString &text : writability)
        std::printf("%s\n", qPrintable(text));
    if (writable)
        for (const QString &text : describeFingerprints(sent))
            std::printf("%s\n", qPrintable(text));
    return window.finish(writable, whyNot(writability.value(writability.size() - 1)));
}
