#pragma once

#include "MemoryChannels.h"
#include "TypeRead.h"
#include "store/Services.h"

#include <QSqlDatabase>
#include <QString>

// How much of a radio's settings the working tables hold, against a full read of the
// radio: what a settings file does not hold, the radio keeps of its own.
struct SettingsCoverage
{
    static constexpr int ChannelEntries = 2 * MemoryChannelCount; // 600

    int channels = 0;   // the radio's channel entries the tables hold
    int menus = 0;      // menu entries held: of those a full read of the type gives, when known
    int menusFull = -1; // the menu entries a full read of the radio's type gives; -1: type unknown

    bool whole() const { return channels >= ChannelEntries && menusFull >= 0 && menus >= menusFull; }
};

// The coverage of MenuData and MemoryData; `type` is the radio's TY answer, when known.
SettingsCoverage settingsCoverage(QSqlDatabase db, const TypeAnswer *type = nullptr);

// "the file holds 300 of the 600 channel entries and none of the menu entries": what is
// short of a full read ("" when nothing is known to be), translated for the window.
QString coverageText(const SettingsCoverage &coverage);

// After a write: "...; the radio keeps its own for the rest" as a note, when the file is short.
void noteCoverage(WindowServices &window, const TypeAnswer *type);

// The radio's TY answer, as a read opens with it (AI0, then TY). False with the reason left.
bool readTypeAnswer(WindowServices &window, TypeAnswer &answer);
