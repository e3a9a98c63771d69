#pragma once

#include <QString>

namespace talvor {

// Where the program keeps its settings, logs and help text: the folder that
// holds the executable, or the folder named by TALVOR_HOME when that is set.
QString programFolder();

// A file of that folder.
QString programFile(const QString &name);

// True when a file of exactly this name (letter case included) is in the folder.
bool programFileExists(const QString &name);

} // namespace talvor
