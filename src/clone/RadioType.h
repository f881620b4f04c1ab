#pragma once

#include <QString>

// Market-type code of a type text: 1 for "J(S)" or "J(S) - EXT", 2 for "J(V)" or
// "J(V) - EXT", 0 for anything else. Compared exactly.
int radioTypeOf(const QString &typeText);
