#include "ToneQueue.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace talvor {

void ToneQueue::add(const QByteArray &beep)
{
    m_next = beep;
}

void ToneQueue::read(char *data, qsizetype size)
{
    while (size > 0) {
        if (m_playing.isEmpty())
            m_playing = std::exchange(m_next, {});
        if (m_playing.isEmpty()) {
            std::memset(data, 0, size_t(size));
            return;
        }
        const qsizetype part = std::min(size, m_playing.size());
        std::memcpy(data, m_playing.constData(), size_t(part));
        m_playing.remove(0, part);
        data += part;
        size -= part;
    }
}

int beepMilliseconds(int paceMs)
{
    return std::clamp(paceMs * 6 / 10, 20, 120);
}

} // namespace talvor
