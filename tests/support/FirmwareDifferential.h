#pragma once

#include "RecordingServices.h"
#include "SRecordGenerator.h"

#include <QMap>
#include <QTemporaryDir>

#include <numeric>

// Brisk's reading of generated S-record files set against SRecord's srec_cat.
class FirmwareDifferential
{
public:
    using Target = SRecordGenerator::Target;

    bool isValid() const { return m_services.isValid() && m_dir.isValid(); }
    // srec_cat's reading of `text`: an image filled with 0xFF from 0 to 0x40000, a
    // loader from its lowest address. False when srec_cat refuses the file.
    bool srecCat(const QByteArray &text, Target target, QByteArray &bytes);

    // The file `seed` makes: a loader for every third seed, else an image.
    static SRecordGenerator::File fileFor(quint32 seed);
    // The file and a copy with one character changed, read by Brisk: "" when it
    // refuses each for a reason that applies (any reason, for the copy) or takes it
    // and would put on the wire the bytes srec_cat reads; otherwise what went wrong.
    QString checkSeed(quint32 seed);

    QStringList report() const; // how many files ended how, one line each
    int filesChecked() const { return std::accumulate(m_tally.begin(), m_tally.end(), 0); }

private:
    QString judge(const QString &what, const QByteArray &text, Target target,
                  const QList<QRegularExpression> *refusals);

    RecordingServices m_services;
    QTemporaryDir m_dir;
    QMap<QString, int> m_tally;
};
