#include "SerialLine.h"

#include <QDir>

#include <windows.h>

struct SerialLine::Port
{
    HANDLE handle = INVALID_HANDLE_VALUE;
    QByteArray pending; // a byte the wait for input has already taken
    bool failed = false;
    Failure failure = Failure::None;
    QString error;
};

namespace {

// The radio's line in the system's own mode-string form.
constexpr wchar_t LineSettings[] = L"baud=9600 parity=n data=8 stop=1";

QString systemError(DWORD code = ::GetLastError())
{
    return qt_error_string(int(code));
}

// "COM1" and "COM12" as the device namespace names them (a plain "COM12" is not found).
QString deviceName(const QString &device)
{
    return device.startsWith(QLatin1String("\\\\.\\")) ? device : QStringLiteral("\\\\.\\") + device;
}

// The radio's line and nothing else: no flow control of either kind, no byte replaced
// or dropped, DTR and RTS on as a terminal leaves them.
bool setLine(HANDLE handle)
{
    DCB dcb = {};
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(handle, &dcb) || !::BuildCommDCBW(LineSettings, &dcb))
        return false;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fAbortOnError = FALSE;
    return ::SetCommState(handle, &dcb);
}

// Reads return at once with what has arrived; `waitMs` > 0: a read waits that long for
// its first byte and returns as soon as one has come.
bool setReadTimeouts(HANDLE handle, DWORD waitMs, DWORD writeLimitMs)
{
    COMMTIMEOUTS timeouts = {};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = waitMs ? MAXDWORD : 0;
    timeouts.ReadTotalTimeoutConstant = waitMs;
    timeouts.WriteTotalTimeoutMultiplier = 0;
    timeouts.WriteTotalTimeoutConstant = writeLimitMs;
    return ::SetCommTimeouts(handle, &timeouts);
}

// How long a write may take before it counts as stuck.
constexpr DWORD WriteLimitMs = 10000;

// Errors that mean the device is gone, not that a call was refused.
bool isDeviceGone(DWORD code)
{
    return code == ERROR_DEVICE_REMOVED || code == ERROR_BAD_COMMAND || code == ERROR_ACCESS_DENIED ||
           code == ERROR_OPERATION_ABORTED || code == ERROR_GEN_FAILURE || code == ERROR_INVALID_HANDLE ||
           code == ERROR_DEV_NOT_EXIST;
}

// A call that failed: when the device is gone, the port stays failed.
void noteFailure(SerialLine::Port &port, DWORD code)
{
    port.error = systemError(code);
    port.failed = port.failed || isDeviceGone(code);
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
    Port &port = *m_port;
    port = Port{};
    // No sharing: a port that another program holds fails here, as it should.
    port.handle =
        ::CreateFileW(reinterpret_cast<const wchar_t *>(deviceName(device).utf16()), GENERIC_READ | GENERIC_WRITE, 0,
                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (port.handle == INVALID_HANDLE_VALUE) {
        const DWORD code = ::GetLastError();
        port.failure = code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND     ? Failure::NoDevice
                       : code == ERROR_ACCESS_DENIED || code == ERROR_SHARING_VIOLATION ? Failure::InUse
                                                                                        : Failure::Other;
        port.error = systemError(code);
        return false;
    }
    if (!setLine(port.handle) || !setReadTimeouts(port.handle, 0, WriteLimitMs)) {
        port.failure = Failure::Other;
        port.error = systemError();
        close();
        return false;
    }
    return true;
}

void SerialLine::close()
{
    if (m_port->handle != INVALID_HANDLE_VALUE)
        ::CloseHandle(m_port->handle);
    m_port->handle = INVALID_HANDLE_VALUE;
    m_port->pending.clear();
}

bool SerialLine::isOpen() const
{
    return m_port->handle != INVALID_HANDLE_VALUE;
}

// The driver's receive queue, which it takes as a recommendation.
void SerialLine::limitInput(qint64 bytes)
{
    constexpr DWORD TransmitQueue = 4096;
    ::SetupComm(m_port->handle, DWORD(bytes), TransmitQueue);
}

bool SerialLine::write(const QByteArray &bytes, QDeadlineTimer, qint64 &written)
{
    Port &port = *m_port;
    written = 0;
    while (written < bytes.size()) {
        DWORD n = 0;
        if (!::WriteFile(port.handle, bytes.constData() + written, DWORD(bytes.size() - written), &n, nullptr) ||
            n == 0) {
            noteFailure(port, ::GetLastError());
            return false;
        }
        written += n;
    }
    return true;
}

QByteArray SerialLine::readWaiting(qint64 maximum)
{
    Port &port = *m_port;
    QByteArray bytes = std::exchange(port.pending, {});
    DWORD errors = 0;
    COMSTAT status = {};
    if (!::ClearCommError(port.handle, &errors, &status)) {
        noteFailure(port, ::GetLastError());
        return bytes;
    }
    const qint64 wanted = std::min<qint64>(status.cbInQue, maximum - bytes.size());
    if (wanted <= 0)
        return bytes;
    const qsizetype start = bytes.size();
    bytes.resize(start + wanted);
    DWORD n = 0;
    if (!::ReadFile(port.handle, bytes.data() + start, DWORD(wanted), &n, nullptr))
        noteFailure(port, ::GetLastError());
    bytes.resize(start + qsizetype(n));
    return bytes;
}

// A blocking read of one byte that returns the moment it arrives: no event to wait on
// works for every driver (Wine's never signals on a pseudo-terminal), a read does.
bool SerialLine::waitForInput(QDeadlineTimer deadline)
{
    Port &port = *m_port;
    if (!port.pending.isEmpty())
        return true;
    DWORD errors = 0;
    COMSTAT status = {};
    if (::ClearCommError(port.handle, &errors, &status) && status.cbInQue > 0)
        return true;
    if (port.failed)
        return false;
    const qint64 remaining = deadline.remainingTime();
    if (remaining == 0)
        return false;
    const DWORD waitMs = remaining < 0 ? MAXDWORD - 1 : DWORD(std::max<qint64>(1, remaining));
    char byte = 0;
    DWORD n = 0;
    const bool read =
        setReadTimeouts(port.handle, waitMs, WriteLimitMs) && ::ReadFile(port.handle, &byte, 1, &n, nullptr);
    if (!read)
        noteFailure(port, ::GetLastError());
    setReadTimeouts(port.handle, 0, WriteLimitMs);
    if (n == 1)
        port.pending.append(byte);
    return n == 1;
}

// FlushFileBuffers on a serial port returns once its transmit buffer is empty.
bool SerialLine::drain(QDeadlineTimer)
{
    if (::FlushFileBuffers(m_port->handle))
        return true;
    m_port->error = systemError();
    return false;
}

qint64 SerialLine::bytesHeld() const
{
    DWORD errors = 0;
    COMSTAT status = {};
    return ::ClearCommError(m_port->handle, &errors, &status) ? qint64(status.cbOutQue) : 0;
}

void SerialLine::discardInput()
{
    m_port->pending.clear();
    ::PurgeComm(m_port->handle, PURGE_RXCLEAR);
}

bool SerialLine::failed() const
{
    return m_port->failed;
}

SerialLine::Failure SerialLine::failure() const
{
    return m_port->failure;
}

QString SerialLine::errorString() const
{
    return m_port->error;
}

// COM ports are names, not files: the name is the port.
QString SerialLine::canonicalDevice(const QString &device)
{
    return device.trimmed().toUpper();
}

QString SerialLine::accessGroup(const QString &)
{
    return {};
}

// COM1 and COM2 are the system's own ports.
QString SerialLine::defaultDevice(const QString &comName)
{
    return comName;
}
