#pragma once

#include "ModemSettings.h"
#include "PageFetch.h"
#include "Transfer.h"
#include "core/reading/SignalEvents.h"
#include "core/settings/FormState.h"

#include <QObject>
#include <QString>

#include <functional>

// One poll of the modem, told step by step as the page view tells it (the
// login's steps, the status page's answer, what the reading rule and each
// named value found), with the password never in it. Its own transfer: the
// monitor's polls go on meanwhile. For `talvor --check` and the window's
// Test buttons, which try settings not yet saved.
class PageCheck : public QObject {
    Q_OBJECT
public:
    explicit PageCheck(QObject *parent = nullptr);
    void start(const PageFetch::Request &request, const ModemSettings &modem);
    bool running() const { return m_running; }

signals:
    void line(const QString &text);
    void finished(bool reading);

private:
    void end();

    talvor::FormState m_form;
    Transfer m_inet;
    talvor::SignalEvents m_events;
    PageFetch m_fetch;
    QString m_password;
    bool m_reading = false;
    bool m_running = false;
};

// `talvor --check`: the folder's settings, each line to `say`; true when a
// reading came.
bool checkPage(const std::function<void(const QString &)> &say);
