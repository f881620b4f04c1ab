#include "FirmwareDifferential.h"

#include "SRecordFiles.h"
#include "flash/BootTransfer.h"
#include "flash/FirmwareImage.h"
#include "store/SRecordImport.h"

#include <QProcess>
#include <QRandomGenerator>

using SRecordGenerator::Target;

namespace {

QString nameOf(Target target)
{
    return target == Target::Image ? QStringLiteral("image") : QStringLiteral("loader");
}

bool isBlank(char c)
{
    return c == ' ' || c == '\r';
}

// The records one a line as the import reads them: a line is what stands between
// line feeds, less spaces and carriage returns at its ends. srec_cat stops at a
// space after a record and skips a line that starts with one.
QByteArray plainText(const QByteArray &text)
{
    QByteArray plain;
    for (const QByteArray &piece : text.split('\n')) {
        qsizetype begin = 0;
        qsizetype end = piece.size();
        while (begin < end && isBlank(piece[begin]))
            ++begin;
        while (end > begin && isBlank(piece[end - 1]))
            --end;
        if (end > begin)
            plain += piece.mid(begin, end - begin) + '\n';
    }
    return plain;
}

// What a refusal is about, for the tally of changed files.
QString kindOf(const QString &reason)
{
    static const char *const Kinds[] = {"checksum",
                                        "not a hexadecimal digit",
                                        "byte count says",
                                        "odd number",
                                        "too small",
                                        "does not start",
                                        "unknown record type",
                                        "reserved",
                                        "too short",
                                        "32-bit",
                                        "upper-case",
                                        "only S2 records",
                                        "too long to store",
                                        "record count",
                                        "not at address 0",
                                        "overlaps",
                                        "frames",
                                        "leaves a gap",
                                        "announced",
                                        "no S1 or S2",
                                        "another count"};
    for (const char *kind : Kinds)
        if (reason.contains(QLatin1String(kind)))
            return QLatin1String(kind);
    return QStringLiteral("other (%1)").arg(reason);
}

QString firstDifference(const QByteArray &brisk, const QByteArray &srecCat)
{
    qsizetype at = 0;
    while (at < brisk.size() && at < srecCat.size() && brisk[at] == srecCat[at])
        ++at;
    return QStringLiteral("Brisk has %1 bytes, srec_cat %2; first difference at byte %3")
        .arg(brisk.size())
        .arg(srecCat.size())
        .arg(at);
}

} // namespace

FirmwareDifferential::Reading FirmwareDifferential::brisk(const QByteArray &text, Target target)
{
    Reading reading;
    const bool image = target == Target::Image;
    const QString table = image ? QStringLiteral("UserPrg") : QStringLiteral("BootPrg");
    const QString path = m_dir.filePath(QStringLiteral("brisk.mot"));
    if (!SRecordFiles::writeFile(path, text)) {
        reading.reason = QStringLiteral("cannot write %1").arg(path);
        return reading;
    }
    m_services.clearFailure();
    if (!importSRecordFile(m_services, path, table, image ? ImportMode::Firmware : ImportMode::Boot)) {
        reading.reason = m_services.failureReason();
        return reading;
    }
    QSqlDatabase db = m_services.WorkConnection();
    reading.accepted = image ? FirmwareImage::loadWritableImage(db, table, reading.bytes, &reading.reason)
                             : loadBootProgram(db, reading.bytes, &reading.reason);
    return reading;
}

bool FirmwareDifferential::srecCat(const QByteArray &text, Target target, QByteArray &bytes)
{
    const QString path = m_dir.filePath(QStringLiteral("srec_cat.mot"));
    if (!SRecordFiles::writeFile(path, plainText(text)))
        return false;
    const QStringList reading = target == Target::Image ? QStringList{"-fill", "0xFF", "0x000000", "0x040000"}
                                                        : QStringList{"-offset", "-", "-minimum-address", path};
    QProcess process;
    process.start(QStringLiteral("srec_cat"), QStringList{path} + reading + QStringList{"-o", "-", "-binary"});
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return false;
    bytes = process.readAllStandardOutput();
    return true;
}

QString FirmwareDifferential::check(const SRecordGenerator::File &file)
{
    const QString what = nameOf(file.target);
    const QList<SRecordGenerator::Refusal> refusals = SRecordGenerator::refusalsFor(file);
    const Reading reading = brisk(file.text, file.target);
    if (!refusals.isEmpty()) {
        QString name;
        if (reading.accepted)
            return QStringLiteral("%1 accepted; it must be refused (%2)").arg(what, refusals.first().name);
        if (!SRecordGenerator::reasonFits(reading.reason, refusals, &name))
            return QStringLiteral("%1 refused for a reason that does not apply: %2 (expected: %3)")
                .arg(what, reading.reason, refusals.first().name);
        count(QStringLiteral("%1 refused: %2").arg(what, name));
        return {};
    }
    if (!reading.accepted)
        return QStringLiteral("%1 refused: %2").arg(what, reading.reason);
    QByteArray oracle;
    if (!srecCat(file.text, file.target, oracle))
        return QStringLiteral("srec_cat cannot read the %1").arg(what);
    if (reading.bytes != oracle)
        return QStringLiteral("%1 differs from srec_cat's reading: %2")
            .arg(what, firstDifference(reading.bytes, oracle));
    if (oracle != SRecordGenerator::expectedBytes(file))
        return QStringLiteral("srec_cat reads the %1 otherwise than it was generated").arg(what);
    count(QStringLiteral("%1 written as srec_cat reads it").arg(what));
    return {};
}

QString FirmwareDifferential::checkChanged(const SRecordGenerator::File &file, quint32 seed)
{
    if (file.text.isEmpty())
        return {};
    QRandomGenerator random(seed);
    QByteArray text = file.text;
    qsizetype at = random.bounded(int(text.size()));
    QByteArrayView choices = "0123456789ABCDEFabcdefSs \r\n\t;G";
    // A quarter of the changes go to a record's type digit, where a legal file can come out.
    if (random.bounded(4) == 0) {
        const qsizetype type = text.indexOf('S', at) + 1;
        if (type > 0 && type < text.size()) {
            at = type;
            choices = "0123456789";
        }
    }
    char replacement = text[at];
    while (replacement == text[at])
        replacement = choices[random.bounded(int(choices.size()))];
    text[at] = replacement;

    const QString what = QStringLiteral("changed ") + nameOf(file.target);
    const Reading reading = brisk(text, file.target);
    if (!reading.accepted) {
        count(QStringLiteral("%1 refused: %2").arg(what, kindOf(reading.reason)));
        return {};
    }
    QByteArray oracle;
    if (!srecCat(text, file.target, oracle))
        return QStringLiteral("%1 accepted, but srec_cat cannot read it (byte %2 made '%3')")
            .arg(what)
            .arg(at)
            .arg(QLatin1Char(replacement));
    if (reading.bytes != oracle)
        return QStringLiteral("%1 differs from srec_cat's reading (byte %2 made '%3'): %4")
            .arg(what)
            .arg(at)
            .arg(QLatin1Char(replacement))
            .arg(firstDifference(reading.bytes, oracle));
    count(QStringLiteral("%1 written as srec_cat reads it").arg(what));
    return {};
}

SRecordGenerator::File FirmwareDifferential::fileFor(quint32 seed)
{
    return SRecordGenerator::generate(seed % 3 == 2 ? Target::Loader : Target::Image, seed);
}

QString FirmwareDifferential::checkSeed(quint32 seed)
{
    const SRecordGenerator::File file = fileFor(seed);
    QString problem = check(file);
    if (problem.isEmpty())
        problem = checkChanged(file, seed);
    return problem.isEmpty() ? problem : QStringLiteral("seed %1: %2").arg(seed).arg(problem);
}

QStringList FirmwareDifferential::report() const
{
    QStringList lines;
    for (auto it = m_tally.cbegin(); it != m_tally.cend(); ++it)
        lines << QStringLiteral("%1  %2").arg(it.value(), 7).arg(it.key());
    return lines;
}

int FirmwareDifferential::filesChecked() const
{
    int files = 0;
    for (int n : m_tally)
        files += n;
    return files;
}
