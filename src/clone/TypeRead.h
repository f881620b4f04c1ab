#pragma once

#include "store/Services.h"

#include <QString>
#include <QStringList>

// Asks the radio for its type and returns its market-type label ("K", "J(S) - EXT", ...).
// Without a valid answer (no port, silence, a malformed answer) there is no type:
// the result is "" and the reason is left in the window. A label is noted in the
// window as the radio's own.
QString fncTypeRead(WindowServices &window);

// The fields of a TY answer: P1 (two characters) and P2 (the market digit).
struct TypeAnswer
{
    QString P1;
    QString P2;
};

// True when the radio reports an EXT unit: bit value 8 of the hexadecimal digit
// that starts P1 is clear (a missing or non-hexadecimal digit counts as 0).
bool typeHasExt(const TypeAnswer &answer);
// The market-type label of a TY answer.
QString typeLabel(const TypeAnswer &answer);
// Every label typeLabel can give: K, E2, ..., J(S), J(V), then each with " - EXT".
QStringList typeLabels();
// The label of typeLabels() that `text` names in any letter case ("k - ext"); "" for none.
QString canonicalTypeLabel(const QString &text);
