// The tone's sound output, a module of its own: Qt Multimedia and the sound
// server's libraries are loaded when the tone is first turned on, so the
// window never pays for them at start.
#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QIODevice>
#include <QMediaDevices>

namespace {
struct Tone {
    QAudioSink sink;
    QIODevice *device = nullptr;
    Tone(const QAudioDevice &output, const QAudioFormat &format)
        : sink(output, format)
    {
    }
};
} // namespace

extern "C" {

// Signed 16-bit mono at the rate on the desktop's sound output, or null when
// there is none.
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
    tone->device = tone->sink.start();
    if (!tone->device) {
        delete tone;
        return nullptr;
    }
    return tone;
}

// Queues the samples behind what still plays, as far as there is room: a
// beep that does not fit is cut, never delayed past the next reading.
Q_DECL_EXPORT int talvor_tone_play(void *handle, const char *samples, int size)
{
    auto *tone = static_cast<Tone *>(handle);
    const qint64 room = tone->sink.bytesFree() & ~qint64(1);
    return int(tone->device->write(samples, qMin<qint64>(room, size)));
}

Q_DECL_EXPORT void talvor_tone_close(void *handle)
{
    auto *tone = static_cast<Tone *>(handle);
    tone->sink.stop();
    delete tone;
}
}
