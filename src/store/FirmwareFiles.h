#pragma once

#include <QString>
#include <QStringList>

// Firmware files delivered with the radio (7730F.REL, ADJ/...): beside the program, or in
// the user's data folder where the program's folder belongs to the system.
struct FirmwareFile
{
    QString path;         // the first place that holds the file; empty when none does
    QStringList searched; // every place looked at, in order

    bool found() const { return !path.isEmpty(); }
    // The places looked at, one a line, for a "Not Found" box's details.
    QString searchedText() const;
};

// `relativeName` as "ADJ/FPU.D3T" or "7730F.REL".
FirmwareFile findFirmwareFile(const QString &programFolder, const QString &relativeName);
