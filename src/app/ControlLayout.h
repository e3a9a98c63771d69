#pragma once

#include "window/form/FormControls.h"

class Monitor;
class QMainWindow;
class QWidget;

// Creates every control on the window and lays the panels out; the poll
// timer and the transfer are the monitor's.
FormControls buildFormControls(QMainWindow &window, Monitor &monitor);
// The "Options" panel's part of that.
void buildOptionsPanel(QWidget &panel, FormControls &c);
