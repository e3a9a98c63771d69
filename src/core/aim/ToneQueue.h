#pragma once

#include <QByteArray>

namespace talvor {

// What the tone's sound output plays, read as fast as the output takes it:
// whole beeps one after another, and silence between them, so that the stream
// never runs dry (a dry stream cuts the next beep and leaves stale sound to
// play after a silence). A new beep goes after the one playing; one that
// waits and has not begun gives way to it, so a beep never lags a reading.
class ToneQueue {
public:
    void add(const QByteArray &beep);
    // Fills size bytes (signed 16-bit samples): what plays, then silence.
    void read(char *data, qsizetype size);

private:
    QByteArray m_playing; // the rest of the beep begun
    QByteArray m_next;    // the beep after it, not begun
};

// How long a beep lasts at the aim view's pace: 120 ms, shorter at a fast
// pace so that every reading's beep plays whole before the next.
int beepMilliseconds(int paceMs);

} // namespace talvor
