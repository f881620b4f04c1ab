#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Text from outside the program as a terminal or a record may show it without harm:
// control characters (C0, DEL, C1) as \xNN, and in bytes every byte that is not part
// of valid UTF-8 as \xNN, so that a file name is shown as the bytes it is, not with
// U+FFFD in place of them.
QString escapedText(QStringView text);
QString escapedBytes(QByteArrayView bytes);
