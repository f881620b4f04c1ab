#include "FirmwareDifferential.h"

#include "SRecordFiles.h"
#include "flash/BootTransfer.h"
#include "flash/FirmwareImage.h"
#include "store/SRecordImport.h"

#include <QRandomGenerator>

#include <algorithm>

using SRecordGenerator::Target;

bool FirmwareDifferential::srecCat(const QByteArray &text, Target target, QByteArray &bytes)
{
    // The lines as the import reads them: srec_cat stops at a space after a record and
    // skips a line that starts with one. Brisk refuses a line with any other blank.
    QByteArray lines;
    for (const QByteArray &line : text.split('\n'))
        lines += line.trimmed().isEmpty() ? QByteArray() : line.trimmed() + '\n';
    const QString path = m_dir.filePath("srec_cat.mot");
    const QStringList reading = target == Target::Image ? QStringList{"-fill", "0xFF", "0x000000", "0x040000"}
                                                        : QStringList{"-offset", "-", "-minimum-address", path};
    return SRecordFiles::writeFile(path, lines) &&
           SRecordFiles::runTool("srec_cat", QStringList{path} + reading + QStringList{"-o", "-", "-binary"}, {},
                                 &bytes);
}

QString FirmwareDifferential::judge(const QString &what, const QByteArray &text, Target target,
                                    const QList<QRegularExpression> *refusals, QStringList &endings)
{
    const bool image = target == Target::Image;
    const QString path = m_dir.filePath("brisk.mot");
    QByteArray bytes;
    QString reason;
    m_services.clearFailure();
    const bool accepted =
        SRecordFiles::writeFile(path, text) &&
        importSRecordFile(m_services, path, image ? "UserPrg" : "BootPrg",
                          image ? ImportMode::Firmware : ImportMode::Boot) &&
        (image ? FirmwareImage::loadWritableImage(m_services.WorkConnection(), "UserPrg", bytes, &reason)
               : loadBootProgram(m_services.WorkConnection(), bytes, &reason));
    reason = accepted ? QString() : reason + m_services.failureReason();
    const bool fits = !refusals || std::any_of(refusals->begin(), refusals->end(),
                                               [&](auto &r) { return r.match(reason).hasMatch(); });
    const QString expected = refusals && !refusals->isEmpty() ? refusals->first().pattern() : QString("written");
    QByteArray oracle;
    if (accepted ? refusals && !refusals->isEmpty() : !fits)
        return QStringLiteral("%1 %2 (expected: %3)").arg(what, accepted ? "accepted" : "refused: " + reason, expected);
    if (accepted && !(srecCat(text, target, oracle) && bytes == oracle))
        return what +
               QStringLiteral(" differs from srec_cat's reading, first at byte %1")
                   .arg(std::mismatch(bytes.begin(), bytes.end(), oracle.begin(), oracle.end()).first - bytes.begin());
    QString ending = what + (accepted ? QStringLiteral(" written as srec_cat reads it") : " refused: " + reason);
    endings << ending.replace(QRegularExpression("\\b(0x)?[0-9A-F]+\\b"), "#");
    return {};
}

QString FirmwareDifferential::checkSeed(quint32 seed, QStringList &endings)
{
    const SRecordGenerator::File file = SRecordGenerator::generate(seed);
    const QString what = file.target == Target::Image ? "image" : "loader";
    QString problem = judge(what, file.text, file.target, &file.refusals, endings);
    if (problem.isEmpty() && !file.text.isEmpty()) {
        // A character changed at random, a quarter of the time a record's type digit.
        QRandomGenerator random(seed);
        QByteArray text = file.text;
        qsizetype at = random.bounded(text.size());
        QByteArrayView choices = "0123456789ABCDEFabcdefSs \r\n\t;G";
        if (const qsizetype type = text.indexOf('S', at) + 1;
            random.bounded(4) == 0 && type > 0 && type < text.size()) {
            at = type;
            choices = "0123456789";
        }
        for (const char was = text[at]; text[at] == was;)
            text[at] = choices[random.bounded(choices.size())];
        problem = judge("changed " + what, text, file.target, nullptr, endings);
        if (!problem.isEmpty())
            problem += QStringLiteral(" (byte %1 made '%2')").arg(at).arg(QLatin1Char(text[at]));
    }
    return problem.isEmpty() ? problem : QStringLiteral("seed %1: %2").arg(seed).arg(problem);
}
