#pragma once

#include <QString>

// Whether a file can be saved at `path` without harm, checked before any work
// that the save would end: a path that exists must be a regular file once
// symbolic links are followed (a device, a pipe or a folder is never
// replaced), and the folder it lands in must exist and take new files.
// False with a reason naming the path otherwise.
bool checkOutputPath(const QString &path, QString &reason);
