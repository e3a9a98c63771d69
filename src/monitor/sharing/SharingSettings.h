#pragma once

#include <QString>

// Sharing.ini beside Talvor.ini: where the numbers go. Every key empty is off.
//   [metrics] listen=127.0.0.1:9771
//   [mqtt] broker=127.0.0.1:1883  user=  password=  topic=talvor  discovery=homeassistant
//   [instance] id=  (made once: names this copy to the broker and Home Assistant)
//   [aim] listen=  (where the phone page is served, when fixed)  interval=5 (tenths)  floor=20 (the tone's)
struct SharingSettings {
    QString listen;
    QString broker;
    QString user;
    QString password;
    QString topic;
    QString discovery;
    QString instance;
    QString aimListen;
    int aimTenths = 5;
    double aimFloor = 20;
    // What loading had to do, for the page view (a file tightened to its owner).
    QString loadNote;

    static const QString FileName;
    static SharingSettings load();
    // Written readable by its owner only, as it may hold a password; an
    // error text, empty when it was saved.
    QString save() const;
    // Adds the instance id to the file as it stands, every other line kept
    // where it was: the headless monitor writes nothing else of the settings.
    QString saveInstance() const;
    // Writes what the aim view sets: its interval and the tone's floor.
    QString saveAim() const;
    // A new instance id: eight random hex digits.
    static QString newInstanceId();
};
