#include "LinkTestCase.h"
#include "RecordingServices.h"
#include "SRecordFiles.h"
#include "SimulatedRadio.h"
#include "clone/MemoryChannels.h"
#include "clone/MenuTransfer.h"
#include "clone/SettingsFile.h"
#include "clone/TypeRead.h"
#include "link/RadioAnswer.h"
#include "store/ImageRowReader.h"

#include <QRandomGenerator>
#include <QSet>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

using namespace std::chrono_literals;
using SRecordFiles::readFile;

namespace {

constexpr int MrNameLimit = 8;
constexpr int ExValueLimit = 16;
constexpr int Channels = MemoryChannelCount;

// Settings contents at random, within the file's rules: fixed fields at their
// widths, last fields at their widest a third of the time, bytes above 127, no
// ";" or control character, no space at either end of a field.
class SettingsDice
{
public:
    explicit SettingsDice(quint32 seed) : m_random(seed) {}

    QString digits(int width)
    {
        QString text;
        for (int i = 0; i < width; ++i)
            text += QLatin1Char(char('0' + m_random.bounded(10)));
        return text;
    }
    QString lastField(int limit, bool mayBeEmpty = true)
    {
        static const QByteArray Alphabet = [] {
            QByteArray alphabet;
            for (int c = 0x20; c <= 0xFF; ++c)
                if (c != ';' && c != 0x7F && (c < 0x80 || c > 0xA0))
                    alphabet += char(c);
            return alphabet;
        }();
        const int length = m_random.bounded(3) == 0 ? limit : int(m_random.bounded(mayBeEmpty ? 0 : 1, limit + 1));
        QByteArray text;
        for (int i = 0; i < length; ++i)
            text += Alphabet.at(m_random.bounded(int(Alphabet.size())));
        if (!text.isEmpty() && text.front() == ' ')
            text.front() = '*';
        if (!text.isEmpty() && text.back() == ' ')
            text.back() = '*';
        return QString::fromLatin1(text);
    }
    // P4 to P15 of a channel entry.
    QStringList channelFields()
    {
        QStringList fields;
        for (int i = 3; i < int(std::size(RadioAnswer::MrWidths)); ++i)
            fields << digits(RadioAnswer::MrWidths[i]);
        return fields;
    }
    int below(int n) { return int(m_random.bounded(n)); }

private:
    QRandomGenerator m_random;
};

bool insertRow(RecordingServices &window, const QString &table, const QStringList &values)
{
    QSqlQuery insert(window.WorkConnection());
    insert.prepare(QStringLiteral("INSERT INTO %1 VALUES (%2)")
                       .arg(table, QStringList(values.size(), QStringLiteral("?")).join(',')));
    for (int i = 0; i < values.size(); ++i) // a null QString would bind as NULL
        insert.bindValue(i, values.at(i).isNull() ? QStringLiteral("") : values.at(i));
    return insert.exec();
}

// Random MemoryData and MenuData rows, each key once.
bool fillTables(RecordingServices &window, SettingsDice &dice)
{
    QSet<QString> keys;
    for (int i = dice.below(40); i >= 0; --i) {
        const QStringList key{dice.digits(1), dice.digits(1), dice.digits(2)};
        if (!keys.contains(key.join('|')) &&
            !insertRow(window, "MemoryData", key + dice.channelFields() + QStringList{dice.lastField(MrNameLimit)}))
            return false;
        keys << key.join('|');
    }
    for (int i = dice.below(40); i > 0; --i) {
        const QStringList key{dice.below(2) ? "A" : "B", dice.digits(3), dice.digits(2), dice.digits(1),
                              dice.digits(1)};
        if (!keys.contains(key.join('|')) &&
            !insertRow(window, "MenuData", key + QStringList{dice.lastField(ExValueLimit)}))
            return false;
        keys << key.join('|');
    }
    return true;
}

// A settings file for every entry of a radio: channels of which some have two
// different entries, and a value for every menu setting.
QByteArray radioContents(SettingsDice &dice, const QList<QByteArray> &menuKeys, int &splitChannels)
{
    QByteArray text;
    splitChannels = 0;
    for (int channel = 0; channel < Channels; ++channel) {
        const QString number = QString::number(channel).rightJustified(3, '0');
        QStringList body = dice.channelFields() << dice.lastField(MrNameLimit);
        const bool split = dice.below(4) == 0;
        splitChannels += split;
        for (const char *entry : {"0", "1"}) {
            if (split && entry[0] == '1')
                body = dice.channelFields() << dice.lastField(MrNameLimit);
            text += (QStringList{"MR", entry, number.left(1), number.mid(1)} + body).join(',').toLatin1() + "\r\n";
        }
    }
    // Every value set: a setting without a value cannot be written.
    for (const QByteArray &key : menuKeys)
        text += "EX," + key.left(1) + ',' + key.mid(1, 3) + ',' + key.mid(4, 2) + ',' + key.mid(6, 1) + ',' +
                key.mid(7, 1) + ',' + dice.lastField(ExValueLimit, false).toLatin1() + "\r\n";
    return text;
}

bool readRadioToFile(const QString &path)
{
    RecordingServices window;
    fncTypeRead(window);
    return fncMenuRead(window) && fncMemoryChennelRead(window) && fncExportCsvFile(window, path);
}

// Services that make the next step of a running query fail after `polls` polls,
// as a database failing part-way would.
class InterruptingServices : public RecordingServices
{
public:
    void fncWaitCursor() override
    {
        if (++waitCursorCalls == interruptAfter)
            sqlite3_interrupt(sqliteHandleOf(WorkConnection()));
    }
    int interruptAfter = 2;
};

} // namespace

// Settings carried through files and radios, with random contents; and a
// database that fails part-way never leaves a short write or file as a success.
class TestSettingsProperties : public LinkTestCase
{
    Q_OBJECT

public:
    TestSettingsProperties() : LinkTestCase(500ms) {}

private slots:
    void tablesSurviveExportAndImport();
    void radioSurvivesReadFileWrite();
    void writeStopsAtADatabaseError_data();
    void writeStopsAtADatabaseError();
    void exportStopsAtADatabaseError();

private:
    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }
    QTemporaryDir m_dir;
};

void TestSettingsProperties::tablesSurviveExportAndImport()
{
    for (quint32 seed = 1; seed <= 40; ++seed) {
        SettingsDice dice(seed);
        RecordingServices source;
        QVERIFY(fillTables(source, dice));
        QVERIFY2(fncExportCsvFile(source, path("tables.csv")), qPrintable(source.failureReason()));
        RecordingServices target;
        QVERIFY2(fncImportCsvFile(target, path("tables.csv")), qPrintable(target.failureReason()));
        QCOMPARE(target.rows("MemoryData"), source.rows("MemoryData"));
        QCOMPARE(target.rows("MenuData"), source.rows("MenuData"));
    }
}

void TestSettingsProperties::radioSurvivesReadFileWrite()
{
    for (quint32 seed = 1; seed <= 2; ++seed) {
        SettingsDice dice(seed);
        SimulatedRadio a(0);
        SimulatedRadio b(1);
        int splitChannels = 0;
        const QByteArray contents = radioContents(dice, a.model(&sim::NormalRadio::menus).keys(), splitChannels);
        for (auto *radio : {&a, &b})
            radio->setType("000"); // a type that reads every setting
        QString reason;
        QVERIFY(SRecordFiles::writeFile(path("contents.csv"), contents));
        QVERIFY2(a.model([&](sim::NormalRadio &r) { return r.loadSettings(path("contents.csv"), &reason); }),
                 qPrintable(reason));
        QVERIFY(a.start() && b.start());

        a.useAsCom1();
        QVERIFY(readRadioToFile(path("a.csv")));
        b.useAsCom1();
        RecordingServices window;
        QVERIFY(fncImportCsvFile(window, path("a.csv")) && fncMenuWrite(window) && fncMemoryChennelWrite(window));
        QCOMPARE(b.model(&sim::NormalRadio::channels), a.model(&sim::NormalRadio::channels));
        QCOMPARE(b.model(&sim::NormalRadio::menus), a.model(&sim::NormalRadio::menus));
        // Both entries of a channel go in one command unless they differ.
        const QList<QByteArray> commands = b.commands();
        QCOMPARE(
            std::count_if(commands.begin(), commands.end(), [](const QByteArray &c) { return c.startsWith("MW"); }),
            Channels + splitChannels);
        QVERIFY(readRadioToFile(path("b.csv")));
        QCOMPARE(readFile(path("b.csv")), readFile(path("a.csv")));
        // The file also starts a simulated radio with the same contents.
        sim::NormalRadio c(1);
        QVERIFY2(c.loadSettings(path("a.csv"), &reason), qPrintable(reason));
        QCOMPARE(c.channels(), a.model(&sim::NormalRadio::channels));
        QCOMPARE(c.menus(), a.model(&sim::NormalRadio::menus));
    }
}

void TestSettingsProperties::writeStopsAtADatabaseError_data()
{
    QTest::addColumn<bool>("menus");
    QTest::newRow("menu write") << true;
    QTest::newRow("channel write") << false;
}

void TestSettingsProperties::writeStopsAtADatabaseError()
{
    QFETCH(bool, menus);
    SimulatedRadio radio;
    QVERIFY(radio.start());
    InterruptingServices window;
    SettingsDice dice(7);
    const QList<QByteArray> menuKeys = radio.model(&sim::NormalRadio::menus).keys();
    for (int i = 0; i < 5; ++i) {
        const QString key = QString::fromLatin1(menuKeys.at(i));
        QVERIFY(menus ? insertRow(window, "MenuData",
                                  {key.left(1), key.mid(1, 3), key.mid(4, 2), key.mid(6, 1), key.mid(7, 1), "1"})
                      : insertRow(window, "MemoryData",
                                  QStringList{"0", "0", "0" + QString::number(i)} + dice.channelFields() << "N"));
    }
    QVERIFY(!(menus ? fncMenuWrite(window) : fncMemoryChennelWrite(window)));
    QVERIFY2(window.failureReason().contains("to its end"), qPrintable(window.failureReason()));
    const QList<QByteArray> commands = radio.commands();
    QCOMPARE(std::count_if(commands.begin(), commands.end(),
                           [&](const QByteArray &c) { return c.startsWith(menus ? "EX" : "MW"); }),
             window.interruptAfter);
}

void TestSettingsProperties::exportStopsAtADatabaseError()
{
    RecordingServices window;
    SettingsDice dice(8);
    for (int i = 0; i < 5; ++i)
        QVERIFY(insertRow(window, "MemoryData",
                          QStringList{"0", "0", "0" + QString::number(i)} + dice.channelFields() << "N"));
    // The third row cannot be read: its name makes a malformed JSON text.
    QSqlQuery view(window.WorkConnection());
    QVERIFY(view.exec("ALTER TABLE MemoryData RENAME TO MemoryRows"));
    QVERIFY(view.exec("CREATE VIEW MemoryData AS SELECT P1, P2, P3, P4, P5, P6, P7, P8, P9, P10, P11, P12, P13, "
                      "P14, P15, CASE WHEN P3 = '02' THEN json(P16 || '{') ELSE P16 END AS P16 FROM MemoryRows"));
    QVERIFY(SRecordFiles::writeFile(path("old.csv"), "old\r\n"));
    QVERIFY(!fncExportCsvFile(window, path("old.csv")));
    QVERIFY2(window.failureReason().contains("cannot read MemoryData to its end"), qPrintable(window.failureReason()));
    QCOMPARE(readFile(path("old.csv")), QByteArray("old\r\n"));
}

QTEST_GUILESS_MAIN(TestSettingsProperties)
#include "tst_settingsproperties.moc"
