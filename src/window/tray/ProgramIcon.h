#pragma once

#include <QIcon>

// Talvor's own icon: a dish under three signal bars, drawn at every size the
// desktop asks for.
QIcon programIcon();
QImage programIconImage(int size);
