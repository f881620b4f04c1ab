#pragma once

#include "store/UserFolders.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>

// The records of the service log in the per-user data folder, oldest first, read
// here without the program's own reader.
inline QList<QJsonObject> serviceRecords()
{
    QList<QJsonObject> records;
    QFile log(QDir(UserFolders::data()).filePath(QStringLiteral("service-log.jsonl")));
    if (log.open(QIODevice::ReadOnly))
        for (const QByteArray &line : log.readAll().split('\n'))
            if (!line.isEmpty())
                records << QJsonDocument::fromJson(line).object();
    return records;
}

inline QString sha256Of(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}
