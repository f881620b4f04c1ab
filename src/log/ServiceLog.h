#pragma once

#include <QByteArrayList>
#include <QJsonObject>
#include <QString>

// The service log: one JSON record per line in service-log.jsonl in the per-user
// data folder, appended by the window and by every `brisk` process alike.
namespace ServiceLog {

// ~/.local/share/BriskHx7730/service-log.jsonl (XDG_DATA_HOME respected).
QString path();

// Appends `record` as one line and flushes it to disk. Appends from several
// processes never interleave: the line goes out in one write under an exclusive
// lock on a descriptor opened with O_APPEND. False with a reason when it cannot.
bool append(const QJsonObject &record, QString *reason = nullptr);

// The log's last `count` lines (all when count < 0), oldest first, as they stand.
// A missing log is empty; false with a reason when it cannot be read.
bool readLines(QByteArrayList &lines, qsizetype count = -1, QString *reason = nullptr);

} // namespace ServiceLog
