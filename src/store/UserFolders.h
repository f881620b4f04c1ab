#pragma once

#include <QString>

// Places that belong to the user rather than to the program's folder, which an
// installed program cannot write to.
namespace UserFolders {

// ~/.local/share/BriskHx7730 (or $XDG_DATA_HOME/BriskHx7730): firmware files the
// user installs, the service log. Not created here.
QString data();

// The per-user runtime folder for the working database and its lock: $XDG_RUNTIME_DIR
// when it is private to this user, else BriskHx7730-UID in the temporary folder, made
// private. When something else stands under that name (another user's folder, a link,
// a folder anyone may enter), a new private folder with a random suffix is made, which
// `madeForThisRun` asks the caller to remove when done. Empty, with a reason, when no
// private folder can be had: the shared temporary folder itself is never used.
QString runtime(bool *madeForThisRun = nullptr, QString *reason = nullptr);

// A real folder (not a link) that this user owns and nobody else may enter.
bool isPrivate(const QString &folder);
// A real folder that this user owns and may write and nobody else may write.
bool isOwnWritable(const QString &folder);

} // namespace UserFolders
