#include "UserFolders.h"

#include <QDir>
#include <QStandardPaths>

namespace UserFolders {

QString data()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("BriskHx7730"));
}

} // namespace UserFolders
