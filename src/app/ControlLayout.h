#pragma once

#include "form/FormControls.h"

class QMainWindow;
class QWidget;

// Creates every control on the window and lays the panels out.
FormControls buildFormControls(QMainWindow &window);
// The "Options" panel's part of that.
void buildOptionsPanel(QWidget &panel, FormControls &c);
