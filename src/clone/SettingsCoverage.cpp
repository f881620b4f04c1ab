#include "SettingsCoverage.h"

#include "MenuTransfer.h"
#include "link/clsBriskHx7730.h"
#include "store/WorkDatabase.h"

#include <QCoreApplication>
#include <QSet>
#include <QSqlQuery>

namespace {

constexpr auto Banks = {"A", "B"};

// The channel entries the radio has: entry 0 or 1 of channels 000 to 299.
constexpr auto RadioChannels = "SELECT * FROM MemoryData WHERE P1 IN ('0', '1') AND length(P2 || P3) = 3 AND "
                               "P2 || P3 BETWEEN '000' AND '299'";

// Bank and the four fields of every menu entry a full read of the type gives.
QSet<QString> menuEntriesOf(const TypeAnswer &type)
{
    QSet<QString> entries;
    for (const char *bank : Banks)
        for (const QList<MenuReadStep> &reads : menuReadPlan(typeHasExt(type), type.P2 == QLatin1String("0")))
            for (const MenuReadStep &read : reads)
                entries.insert(QLatin1String(bank) + read.P1 + read.P2 + read.P3 + read.P4);
    return entries;
}

int menusHeld(QSqlDatabase db, const QSet<QString> &entries)
{
    QSqlQuery rows(db);
    rows.setForwardOnly(true);
    int held = 0;
    if (rows.exec(QStringLiteral("SELECT AB || P1 || P2 || P3 || P4 FROM MenuData")))
        while (rows.next())
            held += entries.contains(rows.value(0).toString());
    return held;
}

QString channelsText(int held)
{
    const int full = SettingsCoverage::ChannelEntries;
    if (held == 0)
        return QCoreApplication::translate("SettingsCoverage", "none of the %1 channel entries").arg(full);
    if (held >= full)
        return QCoreApplication::translate("SettingsCoverage", "all %1 channel entries").arg(full);
    return QCoreApplication::translate("SettingsCoverage", "%1 of the %2 channel entries").arg(held).arg(full);
}

QString menusText(int held, int full)
{
    if (held == 0)
        return QCoreApplication::translate("SettingsCoverage", "none of the menu entries");
    if (held >= full)
        return QCoreApplication::translate("SettingsCoverage", "all %1 menu entries").arg(full);
    return QCoreApplication::translate("SettingsCoverage", "%1 of the %2 menu entries").arg(held).arg(full);
}

} // namespace

SettingsCoverage settingsCoverage(QSqlDatabase db, const TypeAnswer *type)
{
    SettingsCoverage coverage;
    coverage.channels = std::max(0, WorkDatabase::countRows(db, QLatin1String(RadioChannels)));
    if (type) {
        const QSet<QString> entries = menuEntriesOf(*type);
        coverage.menusFull = int(entries.size());
        coverage.menus = menusHeld(db, entries);
    } else {
        coverage.menus = std::max(0, WorkDatabase::countRows(db, QStringLiteral("SELECT * FROM MenuData")));
    }
    return coverage;
}

QString coverageText(const SettingsCoverage &coverage)
{
    // Without the type, a menu count says nothing of what is missing; none is none.
    const bool menusKnown = coverage.menusFull >= 0 || coverage.menus == 0;
    const bool menusShort = menusKnown && (coverage.menus == 0 || coverage.menus < coverage.menusFull);
    if (coverage.channels >= SettingsCoverage::ChannelEntries && !menusShort)
        return QString();
    if (!menusKnown)
        return QCoreApplication::translate("SettingsCoverage", "the file holds %1")
            .arg(channelsText(coverage.channels));
    return QCoreApplication::translate("SettingsCoverage", "the file holds %1 and %2")
        .arg(channelsText(coverage.channels), menusText(coverage.menus, coverage.menusFull));
}

void noteCoverage(WindowServices &window, const TypeAnswer *type)
{
    const QString shortOf = coverageText(settingsCoverage(window.WorkConnection(), type));
    if (!shortOf.isEmpty())
        window.addNote(
            QCoreApplication::translate("SettingsCoverage", "%1; the radio keeps its own for the rest").arg(shortOf));
}

bool readTypeAnswer(WindowServices &window, TypeAnswer &answer)
{
    clsBriskHx7730 link;
    const bool answered =
        link.CommOpen(window.settingsText()) && link.AiWrite(QStringLiteral("0")) && link.TyRead(answer.P1, answer.P2);
    if (!answered)
        window.setFailure(link.lastError());
    return answered;
}
