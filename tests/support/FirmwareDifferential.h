#pragma once

#include "RecordingServices.h"
#include "SRecordGenerator.h"

#include <QMap>
#include <QTemporaryDir>

// Brisk's reading of S-record files set against SRecord's: for every file Brisk
// takes, the bytes it would put on the wire must be the bytes srec_cat reads.
class FirmwareDifferential
{
public:
    using Target = SRecordGenerator::Target;

    struct Reading
    {
        bool accepted = false;
        QString reason;   // why Brisk refused the file
        QByteArray bytes; // the 262,144-byte image as written, or the loader bytes in the order sent
    };

    bool isValid() const { return m_services.isValid() && m_dir.isValid(); }

    // Imports `text` as the program does and takes what the transfer would send.
    Reading brisk(const QByteArray &text, Target target);
    // srec_cat's reading of `text`: an image filled with 0xFF from 0 to 0x40000, a
    // loader from its lowest address. False when srec_cat refuses the file.
    bool srecCat(const QByteArray &text, Target target, QByteArray &bytes);

    // Checks a generated file: refused for a reason that applies to it, or read
    // as srec_cat reads it. "" when so; otherwise what went wrong.
    QString check(const SRecordGenerator::File &file);
    // Checks the file with one character changed at random: refused, or read as srec_cat reads it.
    QString checkChanged(const SRecordGenerator::File &file, quint32 seed);
    // Both checks on the file that `seed` makes: a loader for every third seed, else an image.
    QString checkSeed(quint32 seed);
    static SRecordGenerator::File fileFor(quint32 seed);

    // How many files ended how, one line each.
    QStringList report() const;
    int filesChecked() const;

private:
    void count(const QString &outcome) { ++m_tally[outcome]; }

    RecordingServices m_services;
    QTemporaryDir m_dir;
    QMap<QString, int> m_tally;
};
