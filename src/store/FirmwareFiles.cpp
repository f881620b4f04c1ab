#include "FirmwareFiles.h"

#include "UserFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString FirmwareFile::searchedText() const
{
    QStringList lines{QCoreApplication::translate("FirmwareFiles", "Looked for it in:")};
    for (const QString &place : searched)
        lines << QDir::toNativeSeparators(place);
    return lines.join(QLatin1Char('\n'));
}

FirmwareFile findFirmwareFile(const QString &programFolder, const QString &relativeName)
{
    FirmwareFile file;
    for (const QString &folder : {programFolder, UserFolders::data()}) {
        const QString candidate = QDir(folder).filePath(QDir::fromNativeSeparators(relativeName));
        file.searched << candidate;
        if (QFileInfo(candidate).isFile()) {
            file.path = candidate;
            break;
        }
    }
    return file;
}
