#pragma once

#include <QFile>

// A file on a disk that fills up after `room` more bytes: what does not fit is
// refused, as the system refuses it (ENOSPC), with what fitted kept.
class ShortWriteFile : public QFile {
public:
    ShortWriteFile(const QString &path, qint64 room)
        : QFile(path)
        , m_room(room)
    {
    }

protected:
    qint64 writeData(const char *data, qint64 size) override
    {
        const qint64 fits = qMin(size, m_room);
        const qint64 written = fits > 0 ? QFile::writeData(data, fits) : 0;
        m_room -= qMax<qint64>(0, written);
        if (written == size)
            return written;
        setErrorString(QStringLiteral("No space left on device"));
        return written > 0 ? written : -1;
    }

private:
    qint64 m_room;
};
