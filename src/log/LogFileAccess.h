#pragma once

#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

// The service log's file on each system: appended under an exclusive lock by any
// number of processes, rotated by name, and read from its end.
namespace LogFileAccess {

// An open file; closing it releases its lock.
class Handle
{
public:
    Handle() = default;
    ~Handle() { close(); }
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;
    bool isOpen() const { return m_native != Closed; }
    void close();
    qintptr native() const { return m_native; }
    void adopt(qintptr native)
    {
        close();
        m_native = native;
    }

    static constexpr qintptr Closed = -1;

private:
    qintptr m_native = Closed;
};

// What a file is, and which one: two names lead to the same file when volume and
// index agree.
struct Status
{
    bool regular = false;
    qint64 size = 0;
    quint64 volume = 0;
    quint64 index = 0;
};

enum class Opened { Yes, Missing, Failed };

// Opened for appending (made when missing) and locked against every other writer;
// without waiting on a pipe put in the log's place.
bool openLockedForAppend(const QString &path, Handle &handle, QString &systemError);
bool statusOf(const Handle &handle, Status &status);
// What the name leads to now (another process may have rotated the log).
bool statusAt(const QString &path, Status &status);
// Writes all of `bytes` at the end, or as much as it can; false with the reason.
bool writeAll(const Handle &handle, QByteArrayView bytes, QString &systemError);
bool truncate(const Handle &handle, qint64 size);
bool flushToDisk(const Handle &handle, QString &systemError);
// Gives the file `from` the name `to`, replacing what had it.
bool rename(const QString &from, const QString &to, QString &systemError);

Opened openForReading(const QString &path, Handle &handle, QString &systemError);
// Exactly `length` bytes from `offset`; false when fewer could be read.
bool readAt(const Handle &handle, char *into, qint64 offset, qint64 length, QString &systemError);

} // namespace LogFileAccess
