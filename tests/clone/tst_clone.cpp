#include "LinkTestCase.h"
#include "RecordingServices.h"
#include "SRecordFiles.h"
#include "SimulatedRadio.h"
#include "cli/Commands.h"
#include "clone/MemoryChannels.h"
#include "clone/MenuTransfer.h"
#include "clone/SettingsFile.h"
#include "clone/TypeRead.h"
#include "link/RadioAnswer.h"
#include "store/ImageRowReader.h"

#include <QDir>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <sqlite3.h>

using namespace std::chrono_literals;
using SRecordFiles::readFile;
using SRecordFiles::writeFile;

namespace {

// Adds one row to a working-database table, as a read or an import would.
bool insertRow(RecordingServices &window, const QString &table, const QStringList &values)
{
    QSqlQuery insert(window.WorkConnection());
    insert.prepare(QStringLiteral("INSERT INTO %1 VALUES (%2)")
                       .arg(table, QStringList(values.size(), QStringLiteral("?")).join(QLatin1Char(','))));
    for (int i = 0; i < values.size(); ++i) // a null QString would bind as NULL
        insert.bindValue(i, values.at(i).isNull() ? QStringLiteral("") : values.at(i));
    return insert.exec();
}

// A MemoryData row: channel `channel` of entry `entry`, with a name.
QStringList channelRow(int entry, int channel, const QString &name)
{
    const QString number = QString::number(channel).rightJustified(3, QLatin1Char('0'));
    const QStringList fields = QString("00144000000|1|0|0|00|00|000|0|0|000000000|00|0").split('|');
    return QStringList{QString::number(entry), number.left(1), number.mid(1)} + fields << name;
}

// The EX reads of one bank, written out from the radio's menu list: most menus
// once with sub-number 00, some with 01 to n, menu 045 its ten pairs and then 02
// to 04, menus 061 and 062 only with an EXT unit.
QList<QByteArray> menuReads(bool ext, bool p2Zero)
{
    QMap<int, int> subNumbers{{6, 2}, {19, 2}, {28, 5}, {29, 2}, {49, 2}, {50, 6}, {51, 5}};
    subNumbers[61] = ext ? (p2Zero ? 5 : 2) : -1; // -1: not read
    subNumbers[62] = ext && p2Zero ? 5 : -1;
    const auto read = [](int menu, int sub, int field3, int field4) {
        return "EX" + QByteArray::number(menu).rightJustified(3, '0') + QByteArray::number(sub).rightJustified(2, '0') +
               char('0' + field3) + char('0' + field4) + ';';
    };
    QList<QByteArray> reads;
    for (int menu = 0; menu < 63; ++menu) {
        for (int pair = 0; menu == 45 && pair < 20; ++pair)
            reads << read(menu, 1, pair / 2, pair % 2);
        const int subs = subNumbers.value(menu, 0);
        for (int sub = menu == 45 ? 2 : subs == 0 ? 0 : 1; sub <= (menu == 45 ? 4 : subs); ++sub)
            reads << read(menu, sub, 0, 0);
    }
    return reads;
}

constexpr int MrNameLimit = 8;   // characters of a channel's name
constexpr int ExValueLimit = 16; // characters of a menu value

// Settings at random within the file's rules: fixed fields at their widths, last
// fields at their widest a third of the time, commas and bytes above 127, no ";"
// or control character. The lines drawn are kept as export must write them
// (`exact`) and as an editor may leave them (`loose`: spaces around fields, LF or
// a lone CR at their ends).
class SettingsDice
{
public:
    explicit SettingsDice(quint32 seed) : m_random(seed), m_lineEnd(QList<QByteArray>{"\r\n", "\n", "\r"}[seed % 3]) {}

    int below(int n) { return int(m_random.bounded(n)); }
    QString number(quint64 value, int width) { return QString::number(value).rightJustified(width, '0'); }
    QString digits(int width) { return number(m_random.bounded(quint64(std::pow(10, width))), width); }
    // Up to `limit` characters a field may hold (Latin-1, no ";" or control character).
    QString lastField(int limit, int least = 0)
    {
        QString text;
        for (int length = below(3) == 0 ? limit : least + below(limit + 1 - least); text.size() < length;)
            if (const int c = 0x20 + below(0xE0); c != ';' && c != 0x7F && (c < 0x80 || c > 0xA0))
                text += QChar(c);
        if (text.startsWith(' ') || text.endsWith(' ')) // a field has no space at either end
            return QString(text.size(), '*');
        return text;
    }
    // P4 to P16 of a channel entry.
    QStringList channelBody()
    {
        QStringList fields;
        for (int i = 3; i < int(std::size(RadioAnswer::MrWidths)); ++i)
            fields << digits(RadioAnswer::MrWidths[i]);
        return fields << lastField(MrNameLimit);
    }
    // Adds a line of `values`; returns them with spaces around some, as a table may hold them.
    QStringList line(const char *kind, const QStringList &values)
    {
        QStringList inFile, inTable;
        for (const QString &value : values) {
            inFile << padded(value);
            inTable << padded(value);
        }
        exact += kind + (',' + values.join(',').toLatin1()) + "\r\n";
        loose += kind + (',' + inFile.join(',').toLatin1()) + m_lineEnd;
        return inTable;
    }

    QByteArray exact, loose;

private:
    QString padded(const QString &value) { return below(4) ? value : "  " + value + ' '; }

    QRandomGenerator m_random;
    QByteArray m_lineEnd;
};

int runCli(int (*command)(const QStringList &), const QStringList &arguments, SimulatedRadio &radio)
{
    return command(QStringList{"brisk"} + arguments + QStringList{"--port", radio.line().devicePath(), "-q"});
}

// Services whose `interruptAt`-th poll makes the running query fail, as a database failing part-way would.
class InterruptingServices : public RecordingServices
{
public:
    void fncWaitCursor() override
    {
        if (++waitCursorCalls == interruptAt)
            sqlite3_interrupt(sqliteHandleOf(WorkConnection()));
    }
    int interruptAt = 0;
};

} // namespace

// A radio's settings between the radio, the working tables and a settings file:
// random settings carried through files and radios, the type, writes of single
// rows, the checks that keep a damaged file away from a radio, and a save that
// fails leaving the old file as it was.
class TestClone : public LinkTestCase
{
    Q_OBJECT

public:
    TestClone() : LinkTestCase(500ms) {}

private slots:
    void typeLabelOfAnswer_data();
    void typeLabelOfAnswer();
    void silentTypeQueryWaitsTheRealLimit();
    void writeSendsTheTable_data();
    void writeSendsTheTable();
    void tablesSurviveExportAndImport();
    void radioSurvivesReadFileWrite();
    void importRefuses_data();
    void importRefuses();
    void failedSaveLeavesOldFile_data();
    void failedSaveLeavesOldFile();

private:
    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }
    QTemporaryDir m_dir;
};

void TestClone::typeLabelOfAnswer_data()
{
    QTest::addColumn<QString>("answer"); // TY's P1 and P2
    QTest::addColumn<QString>("label");
    // Bit value 8 of P1's first digit set: no EXT unit. P2 1 or 2 decides before P1's destination.
    const std::pair<const char *, const char *> rows[] = {
        {"800", "K"},        {"810", "E2"},       {"820", "E"},       {"840", "M"},          {"860", "E4"},
        {"880", "K2"},       {"890", "E5"},       {"8A0", "E3"},      {"8C0", "X"},          {"830", "K"},
        {"8c0", "K"},        {"801", "J(S)"},     {"802", "J(V)"},    {"8C1", "J(S)"},       {"893", "E5"},
        {"010", "E2 - EXT"}, {"790", "E5 - EXT"}, {"G40", "M - EXT"}, {"002", "J(V) - EXT"}, {"F00", "K"}};
    for (const auto &[answer, label] : rows)
        QTest::newRow(answer) << answer << label;
}

void TestClone::typeLabelOfAnswer()
{
    QFETCH(QString, answer);
    QFETCH(QString, label);
    QCOMPARE(typeLabel({answer.left(2), answer.mid(2)}), label);
}

void TestClone::silentTypeQueryWaitsTheRealLimit()
{
    linkTiming().replyLimit = LinkTiming::DefaultReplyLimit;
    SimulatedRadio radio;
    radio.setType({});
    QVERIFY(radio.start());
    RecordingServices window;
    QCOMPARE(fncTypeRead(window) + window.radioTypeSeen(), ""); // no type the radio never sent
    QVERIFY(window.failureReason().startsWith("the radio did not answer the type query (TY;, waited 5 s): check"));
    QCOMPARE(radio.commands(), (QList<QByteArray>{"AI0;", "TY;"}));
    QVERIFY(radio.portIsFree());
}

void TestClone::writeSendsTheTable_data()
{
    QTest::addColumn<bool>("menus");
    QTest::addColumn<QList<QStringList>>("table");
    QTest::addColumn<QList<QByteArray>>("commands"); // between the two type queries
    QTest::addColumn<QString>("reason");             // the failure's start; "" for success
    const auto menu = [](const char *row) { return QString::fromLatin1(row).split('|'); };

    // The bank is selected before every row, and anything but "A" selects bank B. A
    // value left empty is not sent: its command would be a read.
    QTest::newRow("menus") << true
                           << QList<QStringList>{menu("a|045|01|3|1|2"), menu("A|045|01|3|1|"), menu("C|000|00|0|0|1")}
                           << QList<QByteArray>{"MF1;", "EX04501312;", "MF1;", "EX00000001;"} << "";
    QTest::newRow("menus, one the radio refuses")
        << true << QList<QStringList>{menu("A|099|00|0|0|1")} << QList<QByteArray>{"MF0;", "EX09900001;"}
        << "the radio refused 1 of the 2 commands of the menu settings (it answered \"?;\"): EX09900001; or one "
           "before it";
    // Seconds of commands still on the line at 9600 baud when the closing type query goes out.
    QList<QStringList> channels;
    QList<QByteArray> commands;
    for (int channel = 0; channel < 40; ++channel) {
        channels << channelRow(1, channel, QString::fromLatin1("N\xC4ME"));
        commands << "MW" + channels.last().join(QString()).toLatin1() + ';';
    }
    QTest::newRow("channels, entries 1 alone") << false << channels << commands << "";
    // A table read that stops part-way is not taken for its end.
    QTest::newRow("channels, the table read fails at the second row")
        << false << channels.mid(0, 5) << commands.mid(0, 2) << "cannot read MemoryData to its end";
}

void TestClone::writeSendsTheTable()
{
    QFETCH(bool, menus);
    QFETCH(QList<QStringList>, table);
    QFETCH(QList<QByteArray>, commands);
    QFETCH(QString, reason);
    SimulatedRadio radio(0, {9600, {}});
    QVERIFY(radio.start());
    InterruptingServices window;
    window.interruptAt = reason.startsWith("cannot read") ? 2 : 0;
    for (const QStringList &row : table)
        QVERIFY(insertRow(window, menus ? "MenuData" : "MemoryData", row));

    QCOMPARE(menus ? fncMenuWrite(window) : fncMemoryChennelWrite(window), reason.isEmpty());
    QVERIFY2(reason.isEmpty() ? window.failureReason().isEmpty() : window.failureReason().startsWith(reason),
             qPrintable(window.failureReason()));
    // The type is asked before the first command and, when the write got that far, after the last.
    const QList<QByteArray> typeQuery{"TY;"};
    QCOMPARE(radio.commands(), typeQuery + commands + (window.interruptAt ? QList<QByteArray>{} : typeQuery));
}

void TestClone::tablesSurviveExportAndImport()
{
    for (quint32 seed = 1; seed <= 40; ++seed) {
        SettingsDice dice(seed);
        RecordingServices source;
        QStringList memory, menu;
        // Keys at random, each once: the row's number is part of them.
        for (int i = dice.below(40); i >= 0; --i) {
            const QStringList row =
                QStringList{dice.number(dice.below(2), 1), dice.digits(1), dice.number(i, 2)} + dice.channelBody();
            QVERIFY(insertRow(source, "MemoryData", dice.line("MR", row)));
            memory << row.join('|');
        }
        for (int i = dice.below(40); i > 0; --i) {
            const QStringList row{
                dice.below(2) ? "A" : "B",   dice.digits(3), dice.number(i, 2), dice.digits(1), dice.digits(1),
                dice.lastField(ExValueLimit)};
            QVERIFY(insertRow(source, "MenuData", dice.line("EX", row)));
            menu << row.join('|');
        }
        QVERIFY2(fncExportCsvFile(source, path("tables.csv")), qPrintable(source.failureReason()));
        QCOMPARE(readFile(path("tables.csv")), dice.exact);

        QVERIFY(writeFile(path("loose.csv"), dice.loose));
        RecordingServices target;
        QVERIFY2(fncImportCsvFile(target, path("loose.csv")), qPrintable(target.failureReason()));
        QCOMPARE(target.rows("MemoryData"), memory);
        QCOMPARE(target.rows("MenuData"), menu);
    }
}

// A radio read into a file gives the file it was loaded from, byte for byte, and
// that file, as an editor may leave it, makes another radio the same; every
// exchange on the way has the bytes of the radio's command set. Three types: the
// menu read plan has 220, 204 and 200 rows.
void TestClone::radioSurvivesReadFileWrite()
{
    for (const QByteArray type : {"000", "001", "F00"}) {
        SettingsDice dice(type.toUInt(nullptr, 16));
        SimulatedRadio a(0);
        SimulatedRadio b(0);
        const QList<QByteArray> reads = menuReads(type[0] == '0', type[2] == '0');
        QList<QByteArray> readWire = QList<QByteArray>{"AI0;", "TY;", "AI0;", "TY;", "MF0;"} + reads;
        readWire += QList<QByteArray>{"MF1;"} + reads + QList<QByteArray>{"AI0;"};
        QList<QByteArray> writeWire{"TY;"}, firstEntries, differing;
        // Every channel, a quarter of them with entries that differ.
        QList<QStringList> bodies;
        for (int entry = 0; entry < 2; ++entry) {
            for (int channel = 0; channel < MemoryChannelCount; ++channel) {
                const bool differs = entry == 1 && dice.below(4) == 0;
                if (entry == 0)
                    bodies << dice.channelBody();
                else if (differs)
                    bodies[channel] = dice.channelBody();
                const QString number = QString::number(channel).rightJustified(3, '0');
                const QStringList row =
                    QStringList{QString::number(entry), number.left(1), number.mid(1)} + bodies[channel];
                dice.line("MR", row);
                readWire << "MR" + row.mid(0, 3).join(QString()).toLatin1() + ';';
                if (entry == 0 || differs)
                    (entry == 0 ? firstEntries : differing) << "MW" + row.join(QString()).toLatin1() + ';';
            }
        }
        // Every menu setting read, each with a value: one without cannot be written.
        for (const char *bank : {"A", "B"}) {
            for (const QByteArray &read : reads) {
                const QString value = dice.lastField(ExValueLimit, 1);
                dice.line("EX", {bank, read.mid(2, 3), read.mid(5, 2), read.mid(7, 1), read.mid(8, 1), value});
                writeWire << (bank[0] == 'A' ? "MF0;" : "MF1;") << read.chopped(1) + value.toLatin1() + ';';
            }
        }
        writeWire += QList<QByteArray>{"TY;", "TY;"} + firstEntries + differing + QList<QByteArray>{"TY;"};

        QVERIFY(writeFile(path("contents.csv"), dice.exact));
        for (auto *radio : {&a, &b})
            radio->setType(type);
        QString reason;
        QVERIFY2(a.model([&](sim::NormalRadio &r) { return r.loadSettings(path("contents.csv"), &reason); }),
                 qPrintable(reason));
        QVERIFY(a.start() && b.start());
        QCOMPARE(runCli(runRead, {"read", path("a.csv")}, a), ExitDone);
        QCOMPARE(readFile(path("a.csv")), dice.exact);
        QCOMPARE(a.commands(), readWire);

        QVERIFY(writeFile(path("loose.csv"), dice.loose));
        QCOMPARE(runCli(runWrite, {"write", path("loose.csv"), "--verify"}, b), ExitDone);
        QCOMPARE(b.commands().mid(0, writeWire.size()), writeWire);
        QCOMPARE(b.model(&sim::NormalRadio::channels), a.model(&sim::NormalRadio::channels));
        QCOMPARE(b.model(&sim::NormalRadio::menus), a.model(&sim::NormalRadio::menus));

        // An emptied value is left out, so the radio keeps its own and --verify finds it.
        const qsizetype at = dice.exact.indexOf("\r\nEX,") + 18;
        QVERIFY(writeFile(path("emptied.csv"), dice.exact.left(at) + dice.exact.mid(dice.exact.indexOf('\r', at))));
        QCOMPARE(runCli(runWrite, {"write", path("emptied.csv"), "--verify"}, b), ExitFailed);
    }
}

void TestClone::importRefuses_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("reason");
    const QByteArray mr = "MR,0,0,01,00000000000,0,0,0,00,00,000,0,0,000000000,00,0,";
    const QByteArray good = "EX,A,000,00,0,0,1\r\n";
    QTest::newRow("empty file") << QByteArray() << "the file is empty: it holds no MR or EX line";
    QTest::newRow("cut short") << QByteArray(good + mr + "CA") << "line 2: the line has no line end: the file was cut";
    QTest::newRow("';' in a name") << QByteArray(mr + "AB;TY\r\n")
                                   << "line 1: MR field 16 holds \";\", which would end";
    QTest::newRow("escape in a name") << QByteArray(mr + "CA\x1B[2J\r\n")
                                      << "line 1: MR field 16 holds the control character 0x1B";
    QTest::newRow("DEL in a name") << QByteArray(mr + "CA\x7F\r\n")
                                   << "line 1: MR field 16 holds the control "
                                      "character 0x7F";
    QTest::newRow("C1 control in a menu value")
        << QByteArray("EX,A,000,00,0,0,A\x85\r\n") << "line 1: EX field 6 holds the control character 0x85";
    QTest::newRow("pass 9") << QByteArray(mr).replace("MR,0,", "MR,9,") + "\r\n"
                            << "line 1: MR field 1 is \"9\" (1 character), expected \"0\" or \"1\"";
    QTest::newRow("letters as a frequency")
        << QByteArray(mr).replace("00000000000", "ABCDEFGHIJK") + "\r\n"
        << "line 1: MR field 4 is \"ABCDEFGHIJK\" (11 characters), expected digits only";
    QTest::newRow("a letter in a menu number")
        << QByteArray("EX,B,0A0,00,0,0,1\r\n") << "line 1: EX field 2 is \"0A0\" (3 characters), expected digits only";
    QTest::newRow("a letter in a flag") << QByteArray("EX,B,000,00,0,x,1\r\n")
                                        << "line 1: EX field 5 is \"x\" (1 character), expected digits only";
    QTest::newRow("trailing empty line") << QByteArray(good + "\r\n") << "line 2: the line is empty";
    QTest::newRow("the same entry twice") << good + good << "line 2: the same entry is on an earlier line";
    // Every field one character short and one long (the last field may be shorter).
    const std::pair<const char *, QList<int>> kinds[] = {{"MR", {1, 1, 2, 11, 1, 1, 1, 2, 2, 3, 1, 1, 9, 2, 1, 8}},
                                                         {"EX", {1, 3, 2, 1, 1, 16}}};
    for (const auto &[kind, widths] : kinds) {
        for (int field = 0; field < widths.size(); ++field) {
            for (int change : {-1, 1}) {
                if (field + 1 == widths.size() && change < 0)
                    continue;
                QStringList fields;
                for (int i = 0; i < widths.size(); ++i)
                    fields << QString(widths[i] + (i == field ? change : 0), i == 0 && kind[0] == 'E' ? 'A' : '0');
                QTest::addRow("%s field %d of %d", kind, field + 1, widths[field] + change)
                    << QByteArray(kind) + ',' + fields.join(',').toLatin1() + "\r\n"
                    << QStringLiteral("line 1: %1 field %2 ").arg(kind).arg(field + 1);
            }
        }
    }
}

void TestClone::importRefuses()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    RecordingServices window;
    QVERIFY(insertRow(window, "MenuData", {"A", "999", "00", "0", "0", "old"}));
    QVERIFY(writeFile(dir.filePath("bad.csv"), file));
    QVERIFY(!fncImportCsvFile(window, dir.filePath("bad.csv")));
    const QString prefix = QDir::toNativeSeparators(dir.filePath("bad.csv")) + ", ";
    QVERIFY2(window.failureReason().startsWith(prefix + reason), qPrintable(window.failureReason()));
    // Nothing of a bad file is kept, not even the lines before the bad one, nor what was there.
    QCOMPARE(window.rowCount("MenuData") + window.rowCount("MemoryData"), 0);
}

void TestClone::failedSaveLeavesOldFile_data()
{
    QTest::addColumn<QString>("name"); // of the third of three channels
    QTest::addColumn<QString>("reason");
    // A line end in a name could not be loaded again: the save stops there.
    QTest::newRow("a row that would not load back") << QString("A\rB") << "cannot save the MemoryData row";
    // The view makes a malformed JSON text of the third row, so the table read stops part-way.
    QTest::newRow("a table that cannot be read to its end") << QString("{") << "cannot read MemoryData to its end";
}

void TestClone::failedSaveLeavesOldFile()
{
    QFETCH(QString, name);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString old = dir.filePath("old.csv");
    RecordingServices window;
    for (int channel = 0; channel < 3; ++channel)
        QVERIFY(insertRow(window, "MemoryData", channelRow(0, channel, channel == 2 ? name : QString("OK"))));
    QSqlQuery view(window.WorkConnection());
    QVERIFY(view.exec("ALTER TABLE MemoryData RENAME TO MemoryRows"));
    QVERIFY(view.exec("CREATE VIEW MemoryData AS SELECT P1, P2, P3, P4, P5, P6, P7, P8, P9, P10, P11, P12, P13, "
                      "P14, P15, CASE WHEN P16 = '{' THEN json(P16) ELSE P16 END AS P16 FROM MemoryRows"));
    QVERIFY(writeFile(old, "old contents\r\n"));
    QVERIFY(!fncExportCsvFile(window, old));
    QVERIFY2(window.failureReason().startsWith(reason), qPrintable(window.failureReason()));
    QCOMPARE(readFile(old), QByteArray("old contents\r\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"old.csv"});
}

QTEST_GUILESS_MAIN(TestClone)
#include "tst_clone.moc"
