#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

// One Talvor per program folder. The lock lives in the user's runtime folder,
// named after the program folder, so a copy whose own folder is read-only
// still takes it.
class SingleInstance {
public:
    explicit SingleInstance(const QString &programFolder);
    // False only when another running Talvor holds the lock. A lock that
    // cannot be created at all (no permission) does not stop this one.
    bool acquire();

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};
