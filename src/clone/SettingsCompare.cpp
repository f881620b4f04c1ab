#include "SettingsCompare.h"

#include <QSqlQuery>
#include <QSqlRecord>

namespace {

using KeyedRows = QMap<QString, QStringList>;

constexpr int MenuKeyColumns = 5;    // AB, P1 to P4
constexpr int ChannelKeyColumns = 3; // P1 (bank), P2 and P3 (channel number)
constexpr int FirstChannelField = 4;

QString trimmedSpaces(QString text)
{
    while (text.startsWith(QLatin1Char(' ')))
        text.remove(0, 1);
    while (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    return text;
}

QStringList rowValues(const QSqlQuery &query)
{
    QStringList values;
    for (int i = 0; i < query.record().count(); ++i)
        values << trimmedSpaces(query.value(i).toString());
    return values;
}

// A table's rows by the name of their entry, each with the values after its key.
KeyedRows keyedRows(QSqlDatabase db, const QString &table, int keyColumns, QString (*entryName)(const QStringList &key))
{
    KeyedRows rows;
    QSqlQuery query(QStringLiteral("SELECT * FROM ") + table, db);
    while (query.next()) {
        const QStringList values = rowValues(query);
        rows.insert(entryName(values.mid(0, keyColumns)), values.mid(keyColumns));
    }
    return rows;
}

// "A 045 01 3 1": bank, menu, sub-number and the two flags.
QString menuName(const QStringList &key)
{
    return key.join(QLatin1Char(' '));
}

// "1 123": bank, then the channel number.
QString channelName(const QStringList &key)
{
    return key.at(0) + QLatin1Char(' ') + key.at(1) + key.at(2);
}

QString quoted(const QString &value)
{
    return QLatin1Char('"') + value + QLatin1Char('"');
}

class Comparison
{
public:
    Comparison(const QString &firstName, const QString &secondName) : m_first(firstName), m_second(secondName) {}

    void compare(const char *kind, const KeyedRows &first, const KeyedRows &second, bool fieldByField)
    {
        for (auto it = first.cbegin(); it != first.cend(); ++it) {
            const QString entry = QLatin1String(kind) + QLatin1Char(' ') + it.key();
            const auto other = second.constFind(it.key());
            if (other == second.cend())
                lines << entry + QStringLiteral(": not in ") + m_second;
            else if (*other != *it)
                lines << entry + QStringLiteral(": ") + valueDifferences(*it, *other, fieldByField);
        }
    }

    void listMissing(const char *kind, const KeyedRows &first, const KeyedRows &second)
    {
        for (auto it = second.cbegin(); it != second.cend(); ++it)
            if (!first.contains(it.key()))
                lines << QLatin1String(kind) + QLatin1Char(' ') + it.key() + QStringLiteral(": not in ") + m_first;
    }

    QStringList lines;

private:
    QString pair(const QString &a, const QString &b) const
    {
        return m_first + QLatin1Char(' ') + quoted(a) + QStringLiteral(", ") + m_second + QLatin1Char(' ') + quoted(b);
    }

    QString valueDifferences(const QStringList &a, const QStringList &b, bool fieldByField) const
    {
        if (!fieldByField || a.size() != b.size())
            return pair(a.join(QLatin1Char(',')), b.join(QLatin1Char(',')));
        QStringList fields;
        for (qsizetype i = 0; i < a.size(); ++i)
            if (a.at(i) != b.at(i))
                fields << QStringLiteral("field %1 ").arg(FirstChannelField + i) + pair(a.at(i), b.at(i));
        return fields.join(QStringLiteral("; "));
    }

    QString m_first;
    QString m_second;
};

} // namespace

SettingsSnapshot settingsSnapshot(QSqlDatabase db)
{
    return {keyedRows(db, QStringLiteral("MenuData"), MenuKeyColumns, menuName),
            keyedRows(db, QStringLiteral("MemoryData"), ChannelKeyColumns, channelName)};
}

QStringList settingsDifferences(const SettingsSnapshot &first, const SettingsSnapshot &second, const QString &firstName,
                                const QString &secondName, bool bothWays)
{
    Comparison comparison(firstName, secondName);
    comparison.compare("menu", first.menus, second.menus, false);
    if (bothWays)
        comparison.listMissing("menu", first.menus, second.menus);
    comparison.compare("channel", first.channels, second.channels, true);
    if (bothWays)
        comparison.listMissing("channel", first.channels, second.channels);
    return comparison.lines;
}

QString differenceCount(qsizetype count, const QString &tail)
{
    return (count == 1 ? QStringLiteral("1 entry differs") : QStringLiteral("%1 entries differ").arg(count)) + tail;
}
