#pragma once

#include <QString>

namespace talvor {

// Where the program keeps its settings and logs: the folder named by
// TALVOR_HOME when that is set; else, for an installed copy (one with
// ../share/talvor beside its bin folder), the user's data folder
// ($XDG_DATA_HOME/Talvor); else the folder that holds the executable, as a
// portable copy in a folder of its own has always done. The folder is made
// when the program first writes there.
QString programFolder();

// A file of that folder, which is made if it is not there yet: call it only
// to write the file.
QString programFile(const QString &name);

// True when a file of exactly this name (letter case included) is in the folder.
bool programFileExists(const QString &name);

// A file the program ships (the help text): looked up in the program's
// folder, then beside the executable, then in an installed copy's share
// folder. Empty when there is none
// of exactly that name.
QString locateShippedFile(const QString &name);

// A part of the program besides its executable (the monitor without a
// window, the tone module): next to the executable in a build or a portable
// copy, at installed (a path from the executable's folder) once installed.
// Empty when it is in neither place.
QString locateProgramPart(const QString &name, const QString &installed);

} // namespace talvor
