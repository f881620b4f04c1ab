#pragma once

#include <QString>

// Places that belong to the user rather than to the program's folder, which an
// installed program cannot write to.
namespace UserFolders {

// ~/.local/share/BriskHx7730 (or $XDG_DATA_HOME/BriskHx7730): firmware files the
// user installs, the service log. Not created here.
QString data();

// $XDG_RUNTIME_DIR, else a private folder of the user's in the temporary folder:
// the working database and its lock when the program's folder is read-only.
QString runtime();

} // namespace UserFolders
