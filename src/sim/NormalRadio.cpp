#include "NormalRadio.h"

#include "clone/MemoryChannels.h"
#include "clone/MenuTransfer.h"
#include "clone/SettingsFile.h"

#include <QCommandLineParser>

namespace sim {

namespace {

constexpr char Terminator = ';';
constexpr auto Unknown = "?;";
constexpr int TypeFieldsLength = 3; // P1 (2) + P2 (1)
constexpr int ChannelKeyLength = 4; // P1 + three-digit channel number
constexpr int MrQueryLength = 7;    // "MR" + key + ";"
constexpr int MwMinLength = 42;     // as an MR answer
constexpr int MwMaxLength = 50;
constexpr int MenuKeyLength = 7;       // menu number, sub-number, two fields
constexpr int ExReadLength = 10;       // "EX" + key + ";"
constexpr int ExMaxLength = 26;        // with a value of 16 characters
constexpr int SimpleCommandLength = 4; // AI, MF: letters, one character, ";"

QByteArray number(qint64 value, int width)
{
    return QByteArray::number(value).rightJustified(width, '0', true);
}

QByteArray channelName(int channel, int contents)
{
    if (channel == 7)
        return contents == 0 ? QByteArray("CAF\xC9") : QByteArray("\xC5LAND"); // bytes above 127
    if (channel == 11)
        return "NET,2"; // a comma in the last field
    if (channel == 42)
        return contents == 0 ? "REPEATER" : "SIMPLEX8"; // the full 8 characters
    if (channel % 25 == 0)
        return (contents == 0 ? "CH" : "M") + number(channel, 3);
    return {};
}

// The characters of an MR answer after the channel number: fields 4 to 16.
QByteArray channelBody(int channel, int contents, bool secondEntry)
{
    const bool split = secondEntry && channel % 50 == 10; // a channel whose entries differ
    const qint64 frequency = 144000000 + qint64(channel) * 12500 + contents * 1000000 + (split ? 600000 : 0);
    QByteArray body = number(frequency, 11);
    body += number((channel + contents) % 4 + 1, 1);
    body += '0';
    body += number(channel % 3, 1);
    body += number(channel % 42, 2);
    body += number((channel + contents) % 42, 2);
    body += number((channel * 7) % 104, 3);
    body += number(channel % 2, 1);
    body += '0';
    body += number(channel % 5 == 0 ? 600000 : 0, 9);
    body += number((channel + contents) % 12, 2);
    body += '0';
    return body + channelName(channel, contents);
}

QByteArray menuValue(const MenuReadStep &step, char bank, int contents)
{
    const int menu = step.P1.toInt();
    const int sub = step.P2.toInt();
    const int salt = menu * 31 + sub * 7 + (bank == 'B' ? 3 : 0) + contents * 5;
    // Empty values sit at the same places in every radio: an EX set without a value
    // has the length of a read, so the radio takes it as one and no value is emptied.
    if (menu == 45 && sub == 1)
        return (step.P3.toInt() + step.P4.toInt()) % 3 == 0 ? QByteArray() : number(salt % 10, 1);
    if (menu == 0)
        return bank == 'A' ? "0123456789ABCDEF" : "FEDCBA9876543210";
    if (menu == 20)
        return bank == 'A' ? QByteArray("R\xE9GLAGE")
                           : QByteArray("\xB0"
                                        "C");
    return number(salt % 1000, menu % 4 + 1);
}

} // namespace

NormalRadio::NormalRadio(int contents)
{
    fill(contents);
}

void NormalRadio::fill(int contents)
{
    m_menus.clear();
    m_channels.clear();
    // Every entry that a reader of any type can ask for.
    const auto plan = menuReadPlan(true, true);
    for (char bank : {'A', 'B'})
        for (const auto &reads : plan)
            for (const MenuReadStep &step : reads)
                m_menus.insert(bank + (step.P1 + step.P2 + step.P3 + step.P4).toLatin1(),
                               menuValue(step, bank, contents));
    for (char entry : {'0', '1'})
        for (int channel = 0; channel < MemoryChannelCount; ++channel)
            m_channels.insert(entry + number(channel, 3), channelBody(channel, contents, entry == '1'));
}

void NormalRadio::receive(char byte, std::vector<Reply> &replies)
{
    // No command is longer than an MW; what runs past that is noise, kept short
    // so that a line spewing bytes without ";" cannot grow the radio's memory.
    if (m_pending.size() < MaxCommandLength)
        m_pending.append(byte);
    if (byte != Terminator)
        return;
    const QByteArray command = m_pending.endsWith(Terminator) ? m_pending : QByteArrayLiteral("?;");
    m_pending.clear();
    // A radio serving for days keeps its recent history, not all of it.
    if (m_commands.size() >= MaxRememberedCommands)
        m_commands.removeFirst();
    m_commands.append(command);
    QByteArray reply = answer(command);
    if (reply.isEmpty())
        return;
    if (++m_answers == m_joinAt)
        reply += reply;
    replies.push_back({reply});
}

QByteArray NormalRadio::answer(const QByteArray &command)
{
    if (command == "TY;")
        return m_typeFields.isEmpty() ? QByteArray() : "TY" + m_typeFields + Terminator;
    if (command.startsWith("AI") && command.size() == SimpleCommandLength) {
        m_ai = command.mid(2, 1);
        return {};
    }
    if (command.startsWith("MF"))
        return takeMf(command);
    if (command.startsWith("MR"))
        return answerMr(command);
    if (command.startsWith("MW"))
        return takeMw(command);
    if (command.startsWith("EX"))
        return answerEx(command);
    return Unknown;
}

QByteArray NormalRadio::takeMf(const QByteArray &command)
{
    if (command == "MF0;")
        m_bank = 'A';
    else if (command == "MF1;")
        m_bank = 'B';
    else
        return Unknown;
    return {};
}

QByteArray NormalRadio::answerMr(const QByteArray &command)
{
    const QByteArray key = command.mid(2, ChannelKeyLength);
    if (command.size() != MrQueryLength || !m_channels.contains(key))
        return Unknown;
    ++m_mrAnswers;
    const QByteArray echoed = m_mrAnswers == m_duplicateEchoAt && !m_lastMrKey.isEmpty() ? m_lastMrKey : key;
    m_lastMrKey = key;
    return "MR" + echoed + m_channels.value(key) + Terminator;
}

// Writing the first entry sets both entries of the channel (a channel whose
// entries differ gets its second entry written after it).
QByteArray NormalRadio::takeMw(const QByteArray &command)
{
    const QByteArray key = command.mid(2, ChannelKeyLength);
    if (command.size() < MwMinLength || command.size() > MwMaxLength || !m_channels.contains(key))
        return Unknown;
    const QByteArray body = command.mid(2 + ChannelKeyLength, command.size() - 3 - ChannelKeyLength);
    m_channels.insert(key, body);
    if (key.startsWith('0'))
        m_channels.insert('1' + key.mid(1), body);
    return {};
}

QByteArray NormalRadio::answerEx(const QByteArray &command)
{
    const QByteArray key = m_bank + command.mid(2, MenuKeyLength);
    if (command.size() < ExReadLength || command.size() > ExMaxLength || !m_menus.contains(key))
        return Unknown;
    // A command of the read's length is a read, even for a setting meant to be empty.
    if (command.size() == ExReadLength)
        return "EX" + key.mid(1) + m_menus.value(key) + Terminator;
    m_menus.insert(key, command.mid(ExReadLength - 1, command.size() - ExReadLength));
    return {};
}

bool NormalRadio::loadSettings(const QString &path, QString *reason)
{
    SettingsRows rows;
    QString why;
    if (!readSettingsFile(path, rows, why)) {
        if (reason)
            *reason = why;
        return false;
    }
    for (const SettingsRow &row : rows.memory) {
        const QByteArray all = row.values.join(QString()).toLatin1();
        m_channels.insert(all.left(ChannelKeyLength), all.mid(ChannelKeyLength));
    }
    for (const SettingsRow &row : rows.menu)
        m_menus.insert(row.values.mid(0, 5).join(QString()).toLatin1(), row.values.at(5).toLatin1());
    return true;
}

QList<QCommandLineOption> NormalRadio::options()
{
    return {{QStringLiteral("type"),
             QStringLiteral("Normal mode: the TY answer's three characters (default 800), or 'none'."),
             QStringLiteral("P1P2")},
            {QStringLiteral("settings"),
             QStringLiteral("Normal mode: start with the menus and channels of a settings file."),
             QStringLiteral("FILE.csv")},
            {QStringLiteral("contents"), QStringLiteral("Normal mode: which made-up contents to start with (0 or 1)."),
             QStringLiteral("N")},
            {QStringLiteral("dup-echo-at"),
             QStringLiteral("Normal mode: the K-th MR answer echoes the previous channel number."),
             QStringLiteral("K")},
            {QStringLiteral("join-at"), QStringLiteral("Normal mode: the K-th answer goes out twice, run together."),
             QStringLiteral("K")}};
}

bool NormalRadio::applyOptions(const QCommandLineParser &parser, QString *reason)
{
    auto fail = [&](const QString &text) {
        if (reason)
            *reason = text;
        return false;
    };
    auto count = [&](const char *name, int &out) {
        if (!parser.isSet(QLatin1String(name)))
            return true;
        bool ok = false;
        out = parser.value(QLatin1String(name)).toInt(&ok);
        return ok && out >= 0;
    };
    int contents = 0;
    if (!count("contents", contents))
        return fail(QStringLiteral("--contents takes a number"));
    fill(contents);
    if (!count("dup-echo-at", m_duplicateEchoAt) || !count("join-at", m_joinAt))
        return fail(QStringLiteral("--dup-echo-at and --join-at take a count from 1"));
    if (parser.isSet(QStringLiteral("type"))) {
        const QString type = parser.value(QStringLiteral("type"));
        if (type == QLatin1String("none"))
            m_typeFields.clear();
        else if (type.size() == TypeFieldsLength)
            m_typeFields = type.toLatin1();
        else
            return fail(QStringLiteral("--type takes three characters (P1 and P2 of the TY answer) or 'none'"));
    }
    if (parser.isSet(QStringLiteral("settings")))
        return loadSettings(parser.value(QStringLiteral("settings")), reason);
    return true;
}

} // namespace sim
