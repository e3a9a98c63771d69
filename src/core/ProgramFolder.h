#pragma once

#include <QString>

namespace talvor {

// Where the program keeps its settings and logs: the folder named by
// TALVOR_HOME when that is set; else the folder that holds the executable, as
// a portable copy has always done; else, for an installed copy whose folder
// cannot be written, the user's data folder.
QString programFolder();

// A file of that folder.
QString programFile(const QString &name);

// True when a file of exactly this name (letter case included) is in the folder.
bool programFileExists(const QString &name);

// A file the program ships (the help text): looked up in the program's
// folder, then beside the executable, then in the installed share folder
// (only the first when TALVOR_HOME names the folder).
// Empty when there is none of exactly that name.
QString locateShippedFile(const QString &name);

} // namespace talvor
