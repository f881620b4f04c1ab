#pragma once

#include "LinkTiming.h"
#include "RadioAnswer.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QString>

#include <memory>

class SerialLine;

// The serial port and the radio's text command set. Every radio operation makes
// its own instance, opens the port, and closes it on every way out.
class clsBriskHx7730
{
    Q_DECLARE_TR_FUNCTIONS(clsBriskHx7730)

public:
    clsBriskHx7730();
    ~clsBriskHx7730();
    clsBriskHx7730(const clsBriskHx7730 &) = delete;
    clsBriskHx7730 &operator=(const clsBriskHx7730 &) = delete;

    // --- the port (binary and text mode) ---
    bool CommOpen(const QString &CommSettings);
    void CommClose();
    bool BinWrite(const QString &WriteStrings);
    QString BinRead();
    bool TxtWrite(const QString &WriteStrings);
    QString TxtRead();

    // --- the radio's text commands ---
    bool AiWrite(const QString &P1);
    bool MrRead(QString &P1, QString &P2, QString &P3, QString &P4, QString &P5, QString &P6, QString &P7, QString &P8,
                QString &P9, QString &P10, QString &P11, QString &P12, QString &P13, QString &P14, QString &P15,
                QString &P16);
    bool MrWrite(const QString &P1, const QString &P2, const QString &P3, const QString &P4, const QString &P5,
                 const QString &P6, const QString &P7, const QString &P8, const QString &P9, const QString &P10,
                 const QString &P11, const QString &P12, const QString &P13, const QString &P14, const QString &P15,
                 const QString &P16);
    bool ExRead(QString &P1, QString &P2, QString &P3, QString &P4, QString &P5);
    bool ExWrite(const QString &P1, const QString &P2, const QString &P3, const QString &P4, const QString &P5);
    bool TyRead(QString &P1, QString &P2);
    bool MfWrite(const QString &P1);

    // --- waiting without spinning ---
    bool isOpen() const;
    // Blocks until new bytes arrive or the deadline passes. False on timeout, on a
    // closed port and when the port has failed (the device went away).
    bool waitForInput(QDeadlineTimer deadline);
    // Blocks until everything written has left the port (on a real line: the wire).
    bool drain();
    // True once the device has failed under an open port (unplugged, pty closed).
    bool portFailed() const;
    // Drops whatever the radio has sent and nobody has read.
    void discardInput();

    // Every byte handed to the port since it was opened, and the last command sent.
    qint64 bytesWritten() const { return m_bytesWritten; }
    QString lastCommand() const { return m_lastCommand; }
    // Bytes handed to the port that the port and the OS still hold: the rest may
    // have crossed the line (a pty, or an adapter's own buffer, holds more).
    qint64 bytesHeld() const;
    // Bytes handed to the port that cannot have crossed the line yet: those held,
    // and at least what the line's rate cannot have carried since.
    qint64 bytesNotOnWire() const;

    // Why the last operation failed, in one line ("" when nothing failed).
    QString lastError() const { return m_lastError; }
    // The port as the operator knows it: the device when it was named directly
    // (--port), else "COM1 (/dev/ttyS0)". Set by CommOpen, also when it fails.
    QString portText() const { return m_portText; }
    // What to check when the radio does not answer as a radio in normal mode would.
    QString normalModeAdvice() const;

    // The device a settings text names: "COM1"/"COM2" through the per-user settings
    // Ports/COM1 and Ports/COM2, unless a process-wide mapping overrides them.
    static QString deviceFor(const QString &CommSettings);
    static void setPortOverride(const QString &comName, const QString &device);
    // The port as it was given: the device path when one was named directly (--port),
    // else "COM1" or "COM2".
    static QString portGiven(const QString &CommSettings);
    static void clearPortOverrides();
    static QString defaultDevice(const QString &comName);
    // Bytes sent plus bytes received on every port of this process so far.
    static quint64 wireBytes();

    // The most the link holds of what the radio sent and nobody has read: what the line
    // carries in a reply limit (5 s at 9600 baud, 4,800 bytes). A reader takes no more
    // at a time, so a port that floods junk costs no memory.
    static constexpr qint64 MaxHeldBytes = LinkTiming::DefaultReplyLimit.count() * LineBaud / BitsPerCharacter / 1000;

private:
    bool writeBytes(const QByteArray &bytes);
    QByteArray readWaiting(qint64 maxBytes = MaxHeldBytes);
    bool readAnswer(const QString &command, const RadioAnswer::Form &form, QStringList &fields);
    QString unansweredReason(const QString &command, const QByteArray &received) const;

    std::unique_ptr<SerialLine> m_port;
    QString m_lastError;
    QString m_portText;
    QString m_lastCommand;
    qint64 m_bytesWritten = 0;
    LineClock::time_point m_lineFree{}; // when the line has carried everything written
};

// "5 s", "0.2 s": a time limit as the operator reads it.
QString secondsText(std::chrono::milliseconds duration);

// Text received from the radio as the operator is shown it: at most 60 characters,
// bytes that are not printable as \xNN, in quotes.
QString quotedReceived(QByteArrayView received);

// Hex text <-> bytes, one pair per byte. Lower case accepted, upper case produced.
namespace HexText {
QString fromBytes(const QByteArray &bytes);
// Converts pairs until the first pair that is not hexadecimal; a lone last digit
// counts as one byte. Returns false at a bad pair, with the bytes before it in `out`.
bool toBytes(const QString &text, QByteArray &out);
// The same for text held as bytes; appends to `out`.
bool appendBytes(QByteArrayView text, QByteArray &out);
// The value of 1 to 15 hexadecimal digits; false for anything else.
bool toNumber(QByteArrayView text, qint64 &value);
} // namespace HexText
