#include "clsBriskHx7730.h"

#include "LinkTiming.h"
#include "SerialLine.h"

#include <QHash>
#include <QMutex>
#include <QSettings>
#include <QThread>

#include <array>
#include <atomic>

LinkTiming &linkTiming()
{
    static LinkTiming timing;
    return timing;
}

namespace {

constexpr char Terminator = ';';

struct PortOverrides
{
    QMutex mutex;
    QHash<QString, QString> devices;
};

PortOverrides &portOverrides()
{
    static PortOverrides overrides;
    return overrides;
}

std::atomic<quint64> wireCount{0};

bool isOverridden(const QString &comName)
{
    QMutexLocker lock(&portOverrides().mutex);
    return portOverrides().devices.contains(comName);
}

QString noDevice(const QString &shown)
{
    return clsBriskHx7730::tr("there is no device %1: check the cable (or the USB serial adapter) and the port")
        .arg(shown);
}

QString openFailure(const SerialLine &port, const QString &shown)
{
    switch (port.failure()) {
    case SerialLine::Failure::NoDevice:
        return noDevice(shown);
    case SerialLine::Failure::NoPermission:
        return clsBriskHx7730::tr("no permission to open %1: add your user to the group %2 "
                                  "(sudo usermod -aG %2 $USER), then log in again")
            .arg(shown, SerialLine::accessGroup(shown));
    case SerialLine::Failure::InUse:
        return clsBriskHx7730::tr("%1 is in use by another program: close it, or choose another port").arg(shown);
    default:
        return clsBriskHx7730::tr("cannot open %1: %2").arg(shown, port.errorString());
    }
}

// What a command asks, in words.
QString describeQuery(const QString &command)
{
    if (command.startsWith(QLatin1String("TY")))
        return clsBriskHx7730::tr("the type query");
    if (command.startsWith(QLatin1String("EX")))
        return clsBriskHx7730::tr("a menu read");
    return clsBriskHx7730::tr("a memory-channel read");
}

} // namespace

QString secondsText(std::chrono::milliseconds duration)
{
    return clsBriskHx7730::tr("%1 s").arg(double(duration.count()) / 1000.0);
}

QString quotedReceived(QByteArrayView received)
{
    constexpr qsizetype MaxQuoted = 60;
    QString text;
    for (char c : received) {
        const auto byte = quint8(c);
        const bool printable = (byte >= 0x20 && byte < 0x7F) || byte >= 0xA0;
        text += printable ? QString(QChar(byte))
                          : QStringLiteral("\\x") + QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
        if (text.size() > MaxQuoted)
            break;
    }
    if (text.size() > MaxQuoted)
        text = text.left(MaxQuoted - 1) + QChar(0x2026);
    return QLatin1Char('"') + text + QLatin1Char('"');
}

namespace HexText {

namespace {
// Digit values by character, -1 for anything that is no hexadecimal digit.
constexpr std::array<signed char, 256> DigitValues = [] {
    std::array<signed char, 256> values{};
    values.fill(-1);
    for (int c = 0; c < 10; ++c)
        values['0' + c] = char(c);
    for (int c = 0; c < 6; ++c)
        values['A' + c] = values['a' + c] = char(10 + c);
    return values;
}();

int hexDigit(char16_t c)
{
    return c < DigitValues.size() ? DigitValues[c] : -1;
}

int hexDigit(QChar c)
{
    return hexDigit(c.unicode());
}
} // namespace

QString fromBytes(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex().toUpper());
}

bool toBytes(const QString &text, QByteArray &out)
{
    out.clear();
    out.reserve(text.size() / 2 + 1);
    for (qsizetype i = 0; i < text.size(); i += 2) {
        // A lone last digit is a byte of its own: "ABC" is AB 0C.
        const int high = i + 1 < text.size() ? hexDigit(text.at(i)) : 0;
        const int low = hexDigit(text.at(i + 1 < text.size() ? i + 1 : i));
        if (high < 0 || low < 0)
            return false;
        out.append(char(high << 4 | low));
    }
    return true;
}

bool appendBytes(QByteArrayView text, QByteArray &out)
{
    // Sized once and written in place: a whole image is a quarter of a million bytes.
    const qsizetype start = out.size();
    out.resize(start + (text.size() + 1) / 2);
    char *to = out.data() + start;
    for (qsizetype i = 0; i < text.size(); i += 2, ++to) {
        const int high = i + 1 < text.size() ? hexDigit(char16_t(quint8(text[i]))) : 0;
        const int low = hexDigit(char16_t(quint8(text[i + 1 < text.size() ? i + 1 : i])));
        if (high < 0 || low < 0) {
            out.truncate(to - out.constData());
            return false;
        }
        *to = char(high << 4 | low);
    }
    return true;
}

bool toNumber(QByteArrayView text, qint64 &value)
{
    value = 0;
    if (text.isEmpty() || text.size() > 15) // more digits would not fit
        return false;
    for (const char c : text) {
        const int digit = hexDigit(char16_t(quint8(c)));
        if (digit < 0)
            return false;
        value = value << 4 | digit;
    }
    return true;
}

} // namespace HexText

clsBriskHx7730::clsBriskHx7730() = default;

clsBriskHx7730::~clsBriskHx7730()
{
    CommClose();
}

QString clsBriskHx7730::defaultDevice(const QString &comName)
{
    return SerialLine::defaultDevice(comName);
}

void clsBriskHx7730::setPortOverride(const QString &comName, const QString &device)
{
    QMutexLocker lock(&portOverrides().mutex);
    portOverrides().devices.insert(comName, device);
}

QString clsBriskHx7730::portGiven(const QString &CommSettings)
{
    const QString comName = CommSettings.left(4);
    return isOverridden(comName) ? deviceFor(CommSettings) : comName;
}

void clsBriskHx7730::clearPortOverrides()
{
    QMutexLocker lock(&portOverrides().mutex);
    portOverrides().devices.clear();
}

quint64 clsBriskHx7730::wireBytes()
{
    return wireCount.load();
}

QString clsBriskHx7730::deviceFor(const QString &CommSettings)
{
    const QString name = CommSettings.left(4);
    {
        QMutexLocker lock(&portOverrides().mutex);
        const auto it = portOverrides().devices.constFind(name);
        if (it != portOverrides().devices.constEnd())
            return *it;
    }
    if (name == QLatin1String("COM1") || name == QLatin1String("COM2")) {
        QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("BriskHx7730"));
        return settings.value(QStringLiteral("Ports/") + name, defaultDevice(name)).toString();
    }
    return name;
}

bool clsBriskHx7730::CommOpen(const QString &CommSettings)
{
    if (m_port)
        return true;
    m_lastError.clear();
    const QString comName = CommSettings.left(4);
    const QString device = deviceFor(CommSettings);
    // A device named directly is named so; a COM name with the device it maps to.
    m_portText = isOverridden(comName) ? device : QStringLiteral("%1 (%2)").arg(comName, device);
    const QString canonical = SerialLine::canonicalDevice(device);
    if (canonical.isEmpty()) {
        m_lastError = noDevice(m_portText);
        return false;
    }
    auto port = std::make_unique<SerialLine>();
    if (!port->open(canonical)) {
        m_lastError = openFailure(*port, m_portText);
        return false;
    }
    port->limitInput(MaxHeldBytes);
    m_port = std::move(port);
    m_bytesWritten = 0;
    m_lastCommand.clear();
    m_lineFree = {};
    return true;
}

void clsBriskHx7730::CommClose()
{
    m_port.reset();
}

bool clsBriskHx7730::isOpen() const
{
    return m_port != nullptr;
}

bool clsBriskHx7730::portFailed() const
{
    return m_port && m_port->failed();
}

void clsBriskHx7730::discardInput()
{
    if (!m_port)
        return;
    readWaiting();
    m_port->discardInput();
}

qint64 clsBriskHx7730::bytesHeld() const
{
    return m_port ? m_port->bytesHeld() : 0;
}

qint64 clsBriskHx7730::bytesNotOnWire() const
{
    // A pty reports no output queue, and an adapter may hold more than it says;
    // but no line carries faster than its rate.
    const auto ahead = m_lineFree - LineClock::now();
    const qint64 onTheLine =
        ahead.count() > 0 ? qint64((ahead + CharacterTime - LineClock::duration(1)) / CharacterTime) : 0;
    return std::max(bytesHeld(), onTheLine);
}

QString clsBriskHx7730::normalModeAdvice() const
{
    return tr("check that the radio is switched on normally (not in firmware-write mode), the cable "
              "and the port %1")
        .arg(m_portText);
}

bool clsBriskHx7730::writeBytes(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return true;
    const auto now = LineClock::now();
    m_lineFree =
        std::max(m_lineFree, now) + std::chrono::duration_cast<LineClock::duration>(CharacterTime * bytes.size());
    m_bytesWritten += bytes.size();
    qint64 written = 0;
    const bool sent = m_port->write(bytes, QDeadlineTimer(linkTiming().replyLimit), written);
    wireCount += quint64(written);
    if (!sent)
        m_lastError = tr("cannot write to the port: %1").arg(m_port->errorString());
    return sent;
}

QByteArray clsBriskHx7730::readWaiting(qint64 maxBytes)
{
    const QByteArray bytes = m_port->readWaiting(maxBytes);
    wireCount += quint64(bytes.size());
    return bytes;
}

bool clsBriskHx7730::waitForInput(QDeadlineTimer deadline)
{
    return m_port && m_port->waitForInput(deadline);
}

bool clsBriskHx7730::drain()
{
    if (!m_port)
        return false;
    const bool drained = m_port->drain(QDeadlineTimer(linkTiming().replyLimit));
    if (!drained)
        m_lastError = tr("the last bytes did not leave the port: %1").arg(m_port->errorString());
    return drained;
}

bool clsBriskHx7730::BinWrite(const QString &WriteStrings)
{
    if (!m_port)
        return false;
    QByteArray bytes;
    const bool valid = HexText::toBytes(WriteStrings, bytes);
    if (!writeBytes(bytes))
        return false;
    if (!valid) {
        m_lastError =
            tr("not a hexadecimal byte at character %1 of \"%2\"").arg(bytes.size() * 2 + 1).arg(WriteStrings.left(40));
        return false;
    }
    return true;
}

QString clsBriskHx7730::BinRead()
{
    if (!m_port)
        return {};
    return HexText::fromBytes(readWaiting());
}

bool clsBriskHx7730::TxtWrite(const QString &WriteStrings)
{
    if (!m_port)
        return false;
    // One byte per character: a character beyond Latin-1 cannot go out as one byte.
    qsizetype sendable = 0;
    while (sendable < WriteStrings.size() && WriteStrings.at(sendable).unicode() < 256)
        ++sendable;
    m_lastCommand = WriteStrings;
    if (!writeBytes(WriteStrings.left(sendable).toLatin1()))
        return false;
    if (sendable < WriteStrings.size()) {
        m_lastError =
            tr("character %1 of \"%2\" cannot be sent as one byte").arg(sendable + 1).arg(WriteStrings.left(60));
        return false;
    }
    return true;
}

QString clsBriskHx7730::TxtRead()
{
    if (!m_port)
        return {};
    return QString::fromLatin1(readWaiting());
}

bool clsBriskHx7730::readAnswer(const QString &command, const RadioAnswer::Form &form, QStringList &fields)
{
    if (!m_port)
        return false;
    if (!TxtWrite(command))
        return false;
    const QDeadlineTimer deadline(linkTiming().replyLimit);
    QByteArray answer;
    // Nothing is cut off the front: stray input before an answer keeps it from matching.
    // No more is read than the answer can hold and one byte to show that more came: that
    // is no answer, however much follows.
    for (;;) {
        answer += readWaiting(form.maxLength() + 1 - answer.size());
        if (RadioAnswer::accepts(answer, form)) {
            fields = RadioAnswer::cut(answer, form);
            return true;
        }
        if (answer.size() > form.maxLength()) {
            m_lastError = unansweredReason(command, answer);
            return false;
        }
        if (portFailed()) {
            m_lastError = tr("the line to the radio went away during %1 (%2: %3): check the cable and "
                             "the port %4")
                              .arg(describeQuery(command), command, m_port->errorString(), m_portText);
            return false;
        }
        if (deadline.hasExpired()) {
            m_lastError = unansweredReason(command, answer);
            return false;
        }
        waitForInput(deadline);
    }
}

QString clsBriskHx7730::unansweredReason(const QString &command, const QByteArray &received) const
{
    const QString what = describeQuery(command);
    const QString waited = secondsText(linkTiming().replyLimit);
    if (received.isEmpty())
        return tr("the radio did not answer %1 (%2, waited %3): %4").arg(what, command, waited, normalModeAdvice());
    if (received == "?;")
        return tr("the radio refused %1 (%2: it answered \"?;\")").arg(what, command);
    return tr("the radio answered %1 with something else (%2: %3): %4")
        .arg(what, command, quotedReceived(received), normalModeAdvice());
}

bool clsBriskHx7730::AiWrite(const QString &P1)
{
    if (!m_port)
        return false;
    if (!TxtWrite(QStringLiteral("AI") + P1 + QLatin1Char(Terminator)))
        return false;
    // The radio may still send what it had queued before AI took effect.
    QThread::msleep(quint64(linkTiming().aiPause.count()));
    discardInput();
    return true;
}

bool clsBriskHx7730::MrRead(QString &P1, QString &P2, QString &P3, QString &P4, QString &P5, QString &P6, QString &P7,
                            QString &P8, QString &P9, QString &P10, QString &P11, QString &P12, QString &P13,
                            QString &P14, QString &P15, QString &P16)
{
    QStringList f;
    if (!readAnswer(QStringLiteral("MR") + P1 + P2 + P3 + QLatin1Char(Terminator), RadioAnswer::Mr, f))
        return false;
    std::tie(P1, P2, P3, P4, P5, P6, P7, P8) = std::tie(f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7]);
    std::tie(P9, P10, P11, P12, P13, P14, P15, P16) = std::tie(f[8], f[9], f[10], f[11], f[12], f[13], f[14], f[15]);
    return true;
}

bool clsBriskHx7730::MrWrite(const QString &P1, const QString &P2, const QString &P3, const QString &P4,
                             const QString &P5, const QString &P6, const QString &P7, const QString &P8,
                             const QString &P9, const QString &P10, const QString &P11, const QString &P12,
                             const QString &P13, const QString &P14, const QString &P15, const QString &P16)
{
    if (!m_port)
        return false;
    return TxtWrite(QStringLiteral("MW") + P1 + P2 + P3 + P4 + P5 + P6 + P7 + P8 + P9 + P10 + P11 + P12 + P13 + P14 +
                    P15 + P16 + QLatin1Char(Terminator));
}

bool clsBriskHx7730::ExRead(QString &P1, QString &P2, QString &P3, QString &P4, QString &P5)
{
    QStringList f;
    if (!readAnswer(QStringLiteral("EX") + P1 + P2 + P3 + P4 + QLatin1Char(Terminator), RadioAnswer::Ex, f))
        return false;
    std::tie(P1, P2, P3, P4, P5) = std::tie(f[0], f[1], f[2], f[3], f[4]);
    return true;
}

bool clsBriskHx7730::ExWrite(const QString &P1, const QString &P2, const QString &P3, const QString &P4,
                             const QString &P5)
{
    if (!m_port)
        return false;
    return TxtWrite(QStringLiteral("EX") + P1 + P2 + P3 + P4 + P5 + QLatin1Char(Terminator));
}

bool clsBriskHx7730::TyRead(QString &P1, QString &P2)
{
    QStringList f;
    if (!readAnswer(QStringLiteral("TY;"), RadioAnswer::Ty, f))
        return false;
    std::tie(P1, P2) = std::tie(f[0], f[1]);
    return true;
}

bool clsBriskHx7730::MfWrite(const QString &P1)
{
    if (!m_port)
        return false;
    return TxtWrite(QStringLiteral("MF") + P1 + QLatin1Char(Terminator));
}
