#pragma once

#include "RecordingServices.h"
#include "SRecordGenerator.h"

#include <QTemporaryDir>

// Brisk's reading of generated S-record files set against SRecord's srec_cat.
class FirmwareDifferential
{
public:
    using Target = SRecordGenerator::Target;

    // srec_cat's reading of `text`: an image filled with 0xFF from 0 to 0x40000, a
    // loader from its lowest address. False when srec_cat refuses the file.
    bool srecCat(const QByteArray &text, Target target, QByteArray &bytes);

    // Brisk reads the file `seed` makes, then a copy with one character changed. "" when it
    // refuses each for a reason that applies (any, for the copy) or would put on the
    // wire the bytes srec_cat reads; else what went wrong. `endings` takes what
    // became of each file, numbers left out: "image refused: line #: ...".
    QString checkSeed(quint32 seed, QStringList &endings);

private:
    QString judge(const QString &what, const QByteArray &text, Target target, const QList<QRegularExpression> *refusals,
                  QStringList &endings);

    RecordingServices m_services;
    QTemporaryDir m_dir;
};
