#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>

#include <memory>

// The serial port itself, on each system: Qt Serial Port on Linux; on Windows the
// Win32 communications calls (CreateFile, GetCommState, BuildCommDCB, SetCommState,
// SetCommTimeouts, ReadFile, WriteFile, ClearCommError, PurgeComm, CloseHandle).
// clsBriskHx7730 speaks the radio's protocol over it and knows neither.
class SerialLine
{
public:
    enum class Failure { None, NoDevice, NoPermission, InUse, Other };

    SerialLine();
    ~SerialLine();
    SerialLine(const SerialLine &) = delete;
    SerialLine &operator=(const SerialLine &) = delete;

    // Opens `device` for this program alone and sets the radio's line: 9600 baud,
    // 8 data bits, no parity, 1 stop bit, no flow control, bytes passed unchanged.
    // False with failure() and errorString() saying why.
    bool open(const QString &device);
    void close();
    bool isOpen() const;
    // The most unread bytes the port is to keep; a flood beyond it is not held.
    void limitInput(qint64 bytes);

    // Hands `bytes` to the port and waits (up to `limit`) until they have left the
    // program. False when not all could; `written` says how many did.
    bool write(const QByteArray &bytes, QDeadlineTimer limit, qint64 &written);
    // What has arrived, at most `maximum` bytes, without waiting.
    QByteArray readWaiting(qint64 maximum);
    // Blocks until bytes wait to be read or the deadline passes; true when they wait.
    bool waitForInput(QDeadlineTimer deadline);
    // Blocks until everything written has left the port (on a real line: the wire).
    bool drain(QDeadlineTimer limit);
    // Bytes handed to the port that the port and the system still hold.
    qint64 bytesHeld() const;
    // Drops what has arrived and nobody has read.
    void discardInput();
    // True once the device failed under the open port (unplugged, its pty closed).
    bool failed() const;

    Failure failure() const;
    QString errorString() const;

    // The name a port is locked and opened by: a link and the device it leads to are
    // one port. Empty when there is no such device.
    static QString canonicalDevice(const QString &device);
    // The device "COM1" or "COM2" stands for until the user maps it elsewhere.
    static QString defaultDevice(const QString &comName);
    // The group whose members may open `device`; empty where the system has none.
    static QString accessGroup(const QString &device);

    struct Port; // each system's own

private:
    std::unique_ptr<Port> m_port;
};
