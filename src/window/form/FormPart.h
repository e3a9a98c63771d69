#pragma once

#include <QObject>

// A part of the window that holds the handlers of its own controls. A change
// the settings file keeps is told through settingsChanged, with its change
// code; the window connects every part to the settings in one place.
class FormPart : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

signals:
    void settingsChanged(qint16 code);
};
