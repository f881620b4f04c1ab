#pragma once

#include <QByteArrayList>
#include <QByteArrayView>
#include <QJsonObject>
#include <QString>

#include <functional>

// The service log: one JSON record per line in service-log.jsonl in the per-user
// data folder, appended by the window and by every `brisk` process alike. At 10 MB
// it becomes service-log.jsonl.1, replacing the old log there, so that the log never
// grows without end.
namespace ServiceLog {

inline constexpr qint64 RotateAtBytes = 10 * 1024 * 1024;

// ~/.local/share/BriskHx7730/service-log.jsonl (XDG_DATA_HOME respected).
QString path();
// The old log, the one before the last rotation.
QString oldPath();

// Appends `record` as one line and flushes it to disk. Appends from several
// processes never interleave: the line goes out in one write under an exclusive
// lock on a descriptor opened with O_APPEND. False with a reason when it cannot.
bool append(const QJsonObject &record, QString *reason = nullptr);

// Hands the last `count` lines that are not empty (all when count < 0), oldest first,
// the old log's before the log's, to `take` in pieces of at most 64 KB; `lineEnds`
// marks a line's last piece. Only regular files are read, each from its end back to
// where those lines start and no further, and nothing is held but the piece: a log
// of any size costs no more than the lines asked for. A missing log has no lines;
// false with a reason when a log cannot be read.
using PieceTaker = std::function<void(QByteArrayView piece, bool lineEnds)>;
bool readLog(qsizetype count, const PieceTaker &take, QString *reason = nullptr);

// The last `count` lines (all when count < 0) whole, oldest first, as readLog finds them.
bool readLines(QByteArrayList &lines, qsizetype count = -1, QString *reason = nullptr);

} // namespace ServiceLog
