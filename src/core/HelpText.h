#pragma once

#include <QByteArray>
#include <QString>

namespace talvor {
// The help file's lines, each ended by CR LF; a line ends at a carriage
// return, with or without a line feed after it.
QString helpTextFromFile(const QByteArray &content);
} // namespace talvor
