// The tone's sound output, a module of its own: Qt Multimedia and the sound
// server's libraries are loaded when the tone is first turned on, so the
// window never pays for them at start.
#include "core/aim/ToneQueue.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QIODevice>
#include <QMediaDevices>
#include <QTimer>

namespace {

// The stream is kept full, a few tens of milliseconds ahead: beeps, and
// silence between them, so that it never runs dry.
struct Tone {
    QAudioSink sink;
    QIODevice *device = nullptr;
    talvor::ToneQueue queue;
    QTimer feed;
    Tone(const QAudioDevice &output, const QAudioFormat &format)
        : sink(output, format)
    {
        feed.setTimerType(Qt::PreciseTimer);
        feed.setInterval(10);
        QObject::connect(&feed, &QTimer::timeout, [this] { fill(); });
    }
    void fill()
    {
        const qint64 room = sink.bytesFree() & ~qint64(1);
        if (room <= 0)
            return;
        QByteArray chunk(room, Qt::Uninitialized);
        queue.read(chunk.data(), room);
        device->write(chunk);
    }
};

} // namespace

extern "C" {

// Signed 16-bit mono at the rate on the desktop's sound output, or null when
// there is none. The stream runs from here on, silent between beeps.
Q_DECL_EXPORT void *talvor_tone_open(int sampleRate)
{
    const QAudioDevice output = QMediaDevices::defaultAudioOutput();
    QAudioFormat format;
    format.setSampleRate(sampleRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    if (output.isNull() || !output.isFormatSupported(format))
        return nullptr;
    auto *tone = new Tone(output, format);
    // A short buffer: a beep starts within some 60 ms of its reading.
    tone->sink.setBufferSize(format.bytesForDuration(60'000));
    tone->device = tone->sink.start();
    if (!tone->device) {
        delete tone;
        return nullptr;
    }
    tone->fill();
    tone->feed.start();
    return tone;
}

// Plays the beep whole once the one playing has ended.
Q_DECL_EXPORT int talvor_tone_play(void *handle, const char *samples, int size)
{
    auto *tone = static_cast<Tone *>(handle);
    tone->queue.add(QByteArray(samples, size));
    tone->fill();
    return size;
}

Q_DECL_EXPORT void talvor_tone_close(void *handle)
{
    auto *tone = static_cast<Tone *>(handle);
    tone->feed.stop();
    tone->sink.stop();
    delete tone;
}
}
