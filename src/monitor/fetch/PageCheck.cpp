#include "PageCheck.h"

#include "ModemSettings.h"
#include "PageFetch.h"
#include "Transfer.h"
#include "core/fetch/FormLogin.h"
#include "core/reading/SignalEvents.h"
#include "core/settings/FormState.h"
#include "core/settings/SettingsFile.h"

#include <QEventLoop>

#include <algorithm>

bool checkPage(const std::function<void(const QString &)> &say)
{
    const talvor::PollSettings poll = talvor::pollSettings(talvor::readSettingsFile());
    const ModemSettings modem = ModemSettings::load();
    for (const QString &note : modem.notes)
        say(note);
    talvor::FormState form;
    Transfer inet;
    talvor::SignalEvents events;
    PageFetch fetch(form, inet, events);
    inet.setLogin(modem.user, modem.password);
    inet.setFormLogin(modem.form);
    const bool whole = modem.rule.usesPattern()
        || std::any_of(modem.values.begin(), modem.values.end(),
                       [](const talvor::ValueRule &v) { return v.rule.usesPattern(); });
    inet.setBodyCap(whole ? Transfer::LargeBodyCap : Transfer::BodyCap);
    bool reading = false;
    QEventLoop loop;
    QObject::connect(&fetch, &PageFetch::readingFound, &loop, [&reading, &say](const QString &found) {
        reading = true;
        say(QStringLiteral("Reading: %1").arg(found));
    });
    QObject::connect(&fetch, &PageFetch::transcript, &loop, [&say, &modem](const QString &text, PageFetch::Edit) {
        for (const QString &line : text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
            say(talvor::hideSecrets(line, {modem.password}));
    });
    bool done = false;
    const auto end = [&loop, &done] {
        done = true;
        loop.quit();
    };
    // The fetch hears the end first (it was connected first): the reading is in by then.
    QObject::connect(&inet, &Transfer::StateChanged, &loop, [end](qint16 state) {
        if (state == Transfer::Complete || state == Transfer::Failed)
            end();
    });
    QObject::connect(&events, &talvor::SignalEvents::pollFailed, &loop, end);
    fetch.FetchStatusPage({poll.url, poll.searchText, poll.threshold, modem.rule, modem.values});
    if (!done)
        loop.exec();
    return reading;
}
