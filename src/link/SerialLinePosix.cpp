#include "SerialLine.h"

#include <QFile>
#include <QFileInfo>
#include <QSerialPort>
#include <QSerialPortInfo>

#ifdef Q_OS_LINUX
#include <linux/serial.h>
#endif
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

struct SerialLine::Port
{
    QSerialPort serial;
    Failure failure = Failure::None;
    QString error;
};

namespace {

// USB serial adapters hold received bytes for their latency timer (16 ms by
// default); each echoed byte and acknowledged frame would pay it. Ask for
// low-latency mode where the driver offers it; a pty or a plain UART refuses.
void requestLowLatency([[maybe_unused]] QSerialPort &port)
{
#ifdef Q_OS_LINUX
    serial_struct serial{};
    const int fd = int(port.handle());
    if (fd >= 0 && ::ioctl(fd, TIOCGSERIAL, &serial) == 0) {
        serial.flags |= ASYNC_LOW_LATENCY;
        ::ioctl(fd, TIOCSSERIAL, &serial);
    }
#endif
}

SerialLine::Failure failureOf(const QSerialPort &port, const QString &device)
{
    switch (port.error()) {
    case QSerialPort::DeviceNotFoundError:
        return SerialLine::Failure::NoDevice;
    case QSerialPort::PermissionError:
        // Not allowed to open it at all, or the lock file or TIOCEXCL of another open.
        return ::access(QFile::encodeName(device).constData(), R_OK | W_OK) != 0 ? SerialLine::Failure::NoPermission
                                                                                 : SerialLine::Failure::InUse;
    default:
        return SerialLine::Failure::Other;
    }
}

} // namespace

SerialLine::SerialLine() : m_port(std::make_unique<Port>())
{
}

SerialLine::~SerialLine()
{
    close();
}

bool SerialLine::open(const QString &device)
{
    close();
    QSerialPort &serial = m_port->serial;
    m_port->failure = Failure::None;
    m_port->error.clear();
    serial.setPortName(device);
    // QSerialPort takes a lock file and TIOCEXCL: a port another program holds fails here.
    if (!serial.open(QIODevice::ReadWrite)) {
        m_port->failure = failureOf(serial, device);
        m_port->error = serial.errorString();
        return false;
    }
    const bool configured = serial.setBaudRate(QSerialPort::Baud9600) && serial.setDataBits(QSerialPort::Data8) &&
                            serial.setParity(QSerialPort::NoParity) && serial.setStopBits(QSerialPort::OneStop) &&
                            serial.setFlowControl(QSerialPort::NoFlowControl);
    if (!configured) {
        m_port->failure = Failure::Other;
        m_port->error = serial.errorString();
        serial.close();
        return false;
    }
    requestLowLatency(serial);
    return true;
}

void SerialLine::close()
{
    if (m_port->serial.isOpen())
        m_port->serial.close();
}

bool SerialLine::isOpen() const
{
    return m_port->serial.isOpen();
}

void SerialLine::limitInput(qint64 bytes)
{
    m_port->serial.setReadBufferSize(bytes);
}

bool SerialLine::write(const QByteArray &bytes, QDeadlineTimer limit, qint64 &written)
{
    QSerialPort &serial = m_port->serial;
    written = 0;
    if (serial.write(bytes) != bytes.size()) {
        m_port->error = serial.errorString();
        return false;
    }
    // Without an event loop QSerialPort keeps written bytes until asked to send them.
    while (serial.bytesToWrite() > 0) {
        if (!serial.waitForBytesWritten(int(limit.remainingTime())) || failed()) {
            m_port->error = serial.errorString();
            if (!failed()) // a time-out; a failed device stays failed
                serial.clearError();
            written = std::max<qint64>(0, bytes.size() - serial.bytesToWrite());
            return false;
        }
    }
    written = bytes.size();
    return true;
}

QByteArray SerialLine::readWaiting(qint64 maximum)
{
    QSerialPort &serial = m_port->serial;
    // waitForReadyRead(0) moves what the OS holds into the port's buffer without waiting.
    if (serial.bytesAvailable() == 0 && !serial.waitForReadyRead(0) && !failed())
        serial.clearError();
    return serial.read(maximum);
}

bool SerialLine::waitForInput(QDeadlineTimer deadline)
{
    QSerialPort &serial = m_port->serial;
    if (serial.bytesAvailable() > 0)
        return true;
    if (failed())
        return false;
    if (serial.waitForReadyRead(int(deadline.remainingTime())))
        return true;
    if (!failed())
        serial.clearError();
    return false;
}

bool SerialLine::drain(QDeadlineTimer limit)
{
    QSerialPort &serial = m_port->serial;
    bool drained = true;
    while (drained && serial.bytesToWrite() > 0)
        drained = serial.waitForBytesWritten(int(limit.remainingTime())) && !failed();
    drained = drained && ::tcdrain(int(serial.handle())) == 0;
    if (!drained)
        m_port->error = serial.errorString();
    return drained;
}

qint64 SerialLine::bytesHeld() const
{
    const QSerialPort &serial = m_port->serial;
    qint64 held = serial.bytesToWrite();
    int queued = 0;
    if (::ioctl(int(serial.handle()), TIOCOUTQ, &queued) == 0)
        held += queued;
    return held;
}

void SerialLine::discardInput()
{
    m_port->serial.clear(QSerialPort::Input);
}

bool SerialLine::failed() const
{
    const auto error = m_port->serial.error();
    return error == QSerialPort::ResourceError || error == QSerialPort::ReadError || error == QSerialPort::WriteError ||
           error == QSerialPort::PermissionError;
}

SerialLine::Failure SerialLine::failure() const
{
    return m_port->failure;
}

QString SerialLine::errorString() const
{
    return m_port->serial.isOpen() ? m_port->serial.errorString() : m_port->error;
}

QString SerialLine::canonicalDevice(const QString &device)
{
    const QString path = device.contains(QLatin1Char('/')) ? device : QSerialPortInfo(device).systemLocation();
    return QFileInfo(path).canonicalFilePath();
}

QString SerialLine::accessGroup(const QString &device)
{
    const QString group = QFileInfo(device).group();
    return group.isEmpty() || group == QLatin1String("root") ? QStringLiteral("dialout") : group;
}

QString SerialLine::defaultDevice(const QString &comName)
{
    return comName == QLatin1String("COM2") ? QStringLiteral("/dev/ttyS1") : QStringLiteral("/dev/ttyS0");
}
