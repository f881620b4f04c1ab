#include "UserFolders.h"

#include <QDir>
#include <QStandardPaths>

namespace UserFolders {

QString data()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("BriskHx7730"));
}

QString runtime()
{
    const QString runtimeDir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return runtimeDir.isEmpty() ? QDir::tempPath() : runtimeDir;
}

} // namespace UserFolders
