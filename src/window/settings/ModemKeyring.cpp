#include "ModemKeyring.h"

#include "core/program/ProgramFolder.h"

#include <qt6keychain/keychain.h>

namespace {
const QString Service = QStringLiteral("Talvor");
} // namespace

QString ModemKeyring::key(const QString &user)
{
    return QStringLiteral("modem %1 in %2").arg(user, talvor::programFolder());
}

void ModemKeyring::store(const QString &user, const QString &password)
{
    auto *job = new QKeychain::WritePasswordJob(Service, this);
    job->setKey(key(user));
    job->setTextData(password);
    connect(job, &QKeychain::Job::finished, this, [this](QKeychain::Job *done) {
        emit stored(done->error() == QKeychain::NoError ? QString() : done->errorString(),
                    done->error() == QKeychain::AccessDeniedByUser);
    });
    job->start();
}

void ModemKeyring::fetch(const QString &user)
{
    auto *job = new QKeychain::ReadPasswordJob(Service, this);
    job->setKey(key(user));
    connect(job, &QKeychain::Job::finished, this, [this](QKeychain::Job *done) {
        const auto *read = static_cast<QKeychain::ReadPasswordJob *>(done);
        emit fetched(read->textData(), done->error() == QKeychain::NoError ? QString() : done->errorString());
    });
    job->start();
}
