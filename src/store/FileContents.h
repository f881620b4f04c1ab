#pragma once

#include <QByteArray>
#include <QString>

// Reads a whole file as bytes. False with a reason naming the file otherwise.
bool readWholeFile(const QString &path, QByteArray &contents, QString &reason);
