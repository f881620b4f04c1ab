#include "MenuTransfer.h"

#include "ConfirmedWrite.h"
#include "RadioSession.h"
#include "SettingsCoverage.h"
#include "TypeRead.h"
#include "link/clsBriskHx7730.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>

namespace {

constexpr auto BankSelectA = "0";
constexpr auto BankSelectB = "1";
constexpr auto BankA = "A";
constexpr auto BankB = "B";

// Menus read with sub-numbers 01..count; all others (but 045, 061, 062) once with 00.
int subNumberCount(int menu)
{
    switch (menu) {
    case 6:
    case 19:
    case 29:
    case 49:
        return 2;
    case 28:
    case 51:
        return 5;
    case 50:
        return 6;
    default:
        return 0;
    }
}

QString digits(int value, int width)
{
    return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0'));
}

QList<MenuReadStep> subNumberReads(const QString &menu, int first, int last)
{
    QList<MenuReadStep> reads;
    for (int sub = first; sub <= last; ++sub)
        reads.append({menu, digits(sub, 2), QStringLiteral("0"), QStringLiteral("0")});
    return reads;
}

// Menu 045, sub-number 01 holds ten pairs addressed by fields 3 and 4.
QList<MenuReadStep> menu045Reads(const QString &menu)
{
    QList<MenuReadStep> reads;
    for (int field3 = 0; field3 <= 9; ++field3)
        for (int field4 = 0; field4 <= 1; ++field4)
            reads.append({menu, QStringLiteral("01"), digits(field3, 1), digits(field4, 1)});
    return reads + subNumberReads(menu, 2, 4);
}

QList<MenuReadStep> readsOfMenu(int index, bool ext, bool tyP2IsZero)
{
    const QString menu = digits(index, 3);
    switch (index) {
    case 45:
        return menu045Reads(menu);
    case 61:
        return ext ? subNumberReads(menu, 1, tyP2IsZero ? 5 : 2) : QList<MenuReadStep>{};
    case 62:
        return ext && tyP2IsZero ? subNumberReads(menu, 1, 5) : QList<MenuReadStep>{};
    default:
        if (const int count = subNumberCount(index))
            return subNumberReads(menu, 1, count);
        return subNumberReads(menu, 0, 0);
    }
}

// Appends one MenuData row; the connection commits it at once.
bool storeMenuRow(QSqlQuery &insert, const QString &bank, const MenuReadStep &row, const QString &value,
                  QString &reason)
{
    insert.bindValue(0, bank);
    insert.bindValue(1, row.P1);
    insert.bindValue(2, row.P2);
    insert.bindValue(3, row.P3);
    insert.bindValue(4, row.P4);
    insert.bindValue(5, value.isNull() ? QStringLiteral("") : value); // a null text would bind as NULL
    if (insert.exec())
        return true;
    reason = QCoreApplication::translate("MenuTransfer", "cannot store menu %1 %2-%3 (%4%5): %6")
                 .arg(bank, row.P1, row.P2, row.P3, row.P4, insert.lastError().text());
    return false;
}

bool readBank(WindowServices &window, clsBriskHx7730 &link, QSqlQuery &insert, const QString &bank,
              const QList<QList<MenuReadStep>> &plan)
{
    for (const QList<MenuReadStep> &reads : plan) {
        for (const MenuReadStep &asked : reads) {
            MenuReadStep answer = asked;
            QString value;
            if (!link.ExRead(answer.P1, answer.P2, answer.P3, answer.P4, value)) {
                window.setFailure(
                    QCoreApplication::translate("MenuTransfer", "menu bank %1: %2").arg(bank, link.lastError()));
                return false;
            }
            QString reason;
            if (!storeMenuRow(insert, bank, answer, value, reason)) {
                window.setFailure(reason);
                return false;
            }
        }
        window.barMain().step();
        window.fncWaitCursor();
        if (readStopRequested(
                window,
                QCoreApplication::translate("MenuTransfer", "menu bank %1, menu %2").arg(bank, reads.value(0).P1)))
            return false;
    }
    return true;
}

// An EX command without a value has the length of a read: the radio would answer
// it, not empty the setting. Such rows are left out and the result says so.
void noteLeftOut(WindowServices &window, const QStringList &leftOut)
{
    constexpr int Named = 3;
    if (leftOut.isEmpty())
        return;
    QString named = leftOut.mid(0, Named).join(QStringLiteral(", "));
    if (leftOut.size() > Named)
        named = QCoreApplication::translate("MenuTransfer", "%1 and %2 more").arg(named).arg(leftOut.size() - Named);
    window.addNote(QCoreApplication::translate(
                       "MenuTransfer", "left out %1 menu settings whose value is empty (an EX command without a value "
                                       "would read the setting, not empty it): %2")
                       .arg(leftOut.size())
                       .arg(named));
}

} // namespace

QList<QList<MenuReadStep>> menuReadPlan(bool ext, bool tyP2IsZero)
{
    QList<QList<MenuReadStep>> plan;
    for (int index = 0; index < MenuIndexCount; ++index)
        plan.append(readsOfMenu(index, ext, tyP2IsZero));
    return plan;
}

bool fncMenuRead(WindowServices &window)
{
    QSqlQuery insert(window.WorkConnection());
    clsBriskHx7730 link;
    if (!startRead(window, QStringLiteral("MenuData"), 6, insert, link))
        return false;
    // Which menus the radio has follows its type: without an answer, or with one that is
    // not a type answer, any plan would be a guess.
    TypeAnswer type;
    if (!link.TyRead(type.P1, type.P2)) {
        window.setFailure(QCoreApplication::translate("MenuTransfer",
                                                      "the menus were not read, as they depend on the radio's type: %1")
                              .arg(link.lastError()));
        return false;
    }
    const auto plan = menuReadPlan(typeHasExt(type), type.P2 == QLatin1String("0"));
    link.MfWrite(QLatin1String(BankSelectA));
    if (!readBank(window, link, insert, QLatin1String(BankA), plan))
        return false;
    link.MfWrite(QLatin1String(BankSelectB));
    return readBank(window, link, insert, QLatin1String(BankB), plan);
}

bool fncMenuWrite(WindowServices &window)
{
    QSqlQuery rows(window.WorkConnection());
    rows.setForwardOnly(true);
    if (!rows.exec(QStringLiteral("SELECT * FROM MenuData"))) {
        window.setFailure(
            QCoreApplication::translate("MenuTransfer", "cannot read MenuData: %1").arg(rows.lastError().text()));
        return false;
    }
    ConfirmedWrite write(window, QCoreApplication::translate("MenuTransfer", "menu settings"));
    QStringList leftOut;
    while (rows.next()) {
        QStringList row;
        for (const char *column : {"AB", "P1", "P2", "P3", "P4", "P5"})
            row << rows.value(QLatin1String(column)).toString();
        if (row.at(5).isEmpty()) {
            leftOut << QStringLiteral("EX,") + row.mid(0, 5).join(QLatin1Char(','));
        } else {
            clsBriskHx7730 &link = write.link();
            // The bank is selected before every row, whether or not it changed.
            const QString bank = QLatin1String(row.at(0) == QLatin1String(BankA) ? BankSelectA : BankSelectB);
            if (!write.begin() || !write.sent(link.MfWrite(bank)) ||
                !write.sent(link.ExWrite(row.at(1), row.at(2), row.at(3), row.at(4), row.at(5))))
                return false;
        }
        if (!write.rowDone())
            return false;
    }
    // A read that stops early must not pass for the end of the table.
    if (!write.tableReadToEnd(rows, QStringLiteral("MenuData")))
        return false;
    noteLeftOut(window, leftOut);
    const bool written = write.finish();
    // Said once per settings write: the menus are written first, and their type answer
    // tells how many menus the radio has.
    noteCoverage(window, write.typeAnswer());
    return written;
}
