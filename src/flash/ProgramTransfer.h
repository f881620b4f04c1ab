#pragma once

#include "store/Services.h"

#include <QSqlDatabase>
#include <QString>

// Sends the firmware image held in `table` ("UserPrg" or "AdjustPrg") to the boot loader.
bool fncTransmitProgram(WindowServices &window, const QString &table);

// The low 8 bits of the sum of a frame's bytes after its 0x11 header.
int fncFrameSum(const QString &frame);

// True when the image in `table` can be written whole: exactly 2,048 frames from
// address 0 and no overlapping records. Otherwise `reason` names the record.
bool isWritableImage(QSqlDatabase db, const QString &table, QString *reason = nullptr);

// Writes the first `blockCount` blocks of a whole image (262,144 bytes) that has
// already passed the image check; fncTransmitProgram writes all twelve.
bool transmitProgramImage(WindowServices &window, const QByteArray &image, int blockCount);
