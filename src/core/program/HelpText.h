#pragma once

#include <QByteArray>
#include <QString>

namespace talvor {
// The help file's lines, each ended by CR LF; a line ends at a carriage
// return, with or without a line feed after it. The file is read as UTF-8
// when it is valid UTF-8, else as Latin-1.
QString helpTextFromFile(const QByteArray &content);
} // namespace talvor
