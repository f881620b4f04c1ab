#include "FileContents.h"

#include <QDir>
#include <QFile>

bool readWholeFile(const QString &path, QByteArray &contents, QString &reason)
{
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        contents = file.readAll();
    if (!file.isOpen() || file.error() != QFileDevice::NoError) {
        reason = QStringLiteral("cannot read %1: %2").arg(QDir::toNativeSeparators(path), file.errorString());
        return false;
    }
    return true;
}
