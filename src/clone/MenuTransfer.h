#pragma once

#include "store/Services.h"

#include <QList>
#include <QString>

// Asks the radio's type, which decides the menus it has, then reads both menu banks
// into MenuData. Without a usable type answer nothing is read and the reason says so.
bool fncMenuRead(WindowServices &window);
// Writes the rows of MenuData into the radio. A note says what of the radio's settings
// the tables do not hold (the radio keeps its own for them), menus and channels alike.
bool fncMenuWrite(WindowServices &window);

// One EX read: menu number, sub-number and the two one-character fields sent.
struct MenuReadStep
{
    QString P1;
    QString P2;
    QString P3;
    QString P4;
};

inline constexpr int MenuIndexCount = 63; // menu numbers 000 to 062, in every bank

// The reads of one bank, grouped by menu index (63 groups, some empty), in the
// order they are made. `ext` and `tyP2IsZero` come from the radio's TY answer.
QList<QList<MenuReadStep>> menuReadPlan(bool ext, bool tyP2IsZero);
