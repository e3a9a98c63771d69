#include "PageCheck.h"

#include "core/fetch/FormLogin.h"
#include "core/settings/SettingsFile.h"

#include <QEventLoop>

#include <algorithm>

PageCheck::PageCheck(QObject *parent)
    : QObject(parent)
    , m_fetch(m_form, m_inet, m_events)
{
    connect(&m_fetch, &PageFetch::readingFound, this, [this](const QString &found) {
        m_reading = true;
        emit line(QStringLiteral("Reading: %1").arg(found));
    });
    connect(&m_fetch, &PageFetch::transcript, this, [this](const QString &text, PageFetch::Edit) {
        for (const QString &each : text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
            emit line(talvor::hideSecrets(each, {m_password}));
    });
    // The fetch hears the end first (it was connected first): the reading is in by then.
    connect(&m_inet, &Transfer::StateChanged, this, [this](qint16 state) {
        if (state == Transfer::Complete || state == Transfer::Failed)
            end();
    });
    // A request refused before it went out ends here.
    connect(&m_events, &talvor::SignalEvents::pollFailed, this, &PageCheck::end);
}

void PageCheck::start(const PageFetch::Request &request, const ModemSettings &modem)
{
    m_inet.cancel();
    m_password = modem.password;
    m_reading = false;
    m_running = true;
    m_inet.setLogin(modem.user, modem.password);
    m_inet.setFormLogin(modem.form);
    m_inet.setBodyCap(talvor::searchesWholePage(request.rule, request.values) ? Transfer::LargeBodyCap
                                                                              : Transfer::BodyCap);
    m_fetch.FetchStatusPage(request);
}

void PageCheck::end()
{
    if (!std::exchange(m_running, false))
        return;
    emit finished(m_reading);
}

bool checkPage(const std::function<void(const QString &)> &say)
{
    const talvor::PollSettings poll = talvor::pollSettings(talvor::readSettingsFile());
    const ModemSettings modem = ModemSettings::load();
    for (const QString &note : modem.notes)
        say(note);
    PageCheck check;
    QEventLoop loop;
    QObject::connect(&check, &PageCheck::line, &loop, say);
    bool reading = false;
    QObject::connect(&check, &PageCheck::finished, &loop, [&](bool found) {
        reading = found;
        loop.quit();
    });
    check.start({poll.url, poll.searchText, poll.threshold, modem.rule, modem.values}, modem);
    if (check.running())
        loop.exec();
    return reading;
}
