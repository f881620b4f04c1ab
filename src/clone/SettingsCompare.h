#pragma once

#include <QMap>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// The settings held in MenuData and MemoryData, keyed for comparison: menus by
// bank, menu, sub-number and flags ("A 045 01 3 1" -> value), channels by bank
// and channel ("0 123" -> fields 4 to 16). Values trimmed as the settings file
// holds them.
struct SettingsSnapshot
{
    QMap<QString, QStringList> menus;
    QMap<QString, QStringList> channels;
};

SettingsSnapshot settingsSnapshot(QSqlDatabase db);

// Every entry of `first` that `second` does not hold alike, one line each, named
// by `firstName` and `secondName`: menus first, then channels, a channel's fields
// one by one. With `bothWays`, entries only `second` holds are listed too.
QStringList settingsDifferences(const SettingsSnapshot &first, const SettingsSnapshot &second, const QString &firstName,
                                const QString &secondName, bool bothWays);

// "1 entry differs", "N entries differ", followed by `tail` (" from the file").
QString differenceCount(qsizetype count, const QString &tail = QString());
