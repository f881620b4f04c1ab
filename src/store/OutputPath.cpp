#include "OutputPath.h"
#include "FileContents.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

// As deep as QSaveFile follows links before it gives up on them.
constexpr int MaxLinkDepth = 128;

} // namespace

bool checkOutputPath(const QString &path, QString &reason)
{
    if (!isNameKept(path, reason))
        return false;
    const QString shown = QDir::toNativeSeparators(path);
    // The save lands where the links lead, as QSaveFile follows them.
    QFileInfo target(path);
    for (int depth = 0; target.isSymLink() && depth < MaxLinkDepth; ++depth)
        target.setFile(target.symLinkTarget());
    if (target.isSymLink()) {
        reason = QCoreApplication::translate("OutputPath", "cannot save %1: its links go round in a loop").arg(shown);
        return false;
    }
    if (target.isDir()) {
        reason = QCoreApplication::translate("OutputPath", "cannot save %1: it is a folder").arg(shown);
        return false;
    }
    if (target.exists() && !target.isFile()) {
        reason =
            QCoreApplication::translate("OutputPath", "cannot save %1: it is not a regular file (a device or a pipe), "
                                                      "and Brisk replaces only files")
                .arg(shown);
        return false;
    }
    const QFileInfo folder(target.absolutePath());
    const QString folderShown = QDir::toNativeSeparators(folder.filePath());
    if (!folder.isDir()) {
        reason = QCoreApplication::translate("OutputPath", "cannot save %1: the folder %2 does not exist")
                     .arg(shown, folderShown);
        return false;
    }
    if (!folder.isWritable()) {
        reason = QCoreApplication::translate("OutputPath", "cannot save %1: the folder %2 cannot be written")
                     .arg(shown, folderShown);
        return false;
    }
    if (target.exists() && !target.isWritable()) {
        reason = QCoreApplication::translate("OutputPath", "cannot save %1: the file is read-only").arg(shown);
        return false;
    }
    return true;
}
