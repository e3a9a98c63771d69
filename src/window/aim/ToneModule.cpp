// The tone's sound output, a module of its own: Qt Multimedia and the sound
// server's libraries are loaded when the tone is first turned on, so the
// window never pays for them at start.
#include "core/aim/ToneQueue.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QIODevice>
#include <QMediaDevices>

#include <limits>
#include <mutex>

namespace {

// The output pulls from here as fast as it plays: beeps, and silence between.
class ToneSource : public QIODevice {
public:
    void add(const QByteArray &beep)
    {
        const std::lock_guard<std::mutex> hold(m_lock);
        m_queue.add(beep);
    }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return std::numeric_limits<qint32>::max(); }

protected:
    qint64 readData(char *data, qint64 size) override
    {
        const qint64 even = size & ~qint64(1);
        const std::lock_guard<std::mutex> hold(m_lock);
        m_queue.read(data, even);
        return even;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    std::mutex m_lock;
    talvor::ToneQueue m_queue;
};

struct Tone {
    ToneSource source;
    QAudioSink sink;
    Tone(const QAudioDevice &output, const QAudioFormat &format)
        : sink(output, format)
    {
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
    // A short buffer: a beep starts within some 50 ms of its reading.
    tone->sink.setBufferSize(format.bytesForDuration(50'000));
    if (!tone->source.open(QIODevice::ReadOnly)) {
        delete tone;
        return nullptr;
    }
    tone->sink.start(&tone->source);
    if (tone->sink.error() != QAudio::NoError) {
        delete tone;
        return nullptr;
    }
    return tone;
}

// Plays the beep whole once the one playing has ended.
Q_DECL_EXPORT int talvor_tone_play(void *handle, const char *samples, int size)
{
    static_cast<Tone *>(handle)->source.add(QByteArray(samples, size));
    return size;
}

Q_DECL_EXPORT void talvor_tone_close(void *handle)
{
    auto *tone = static_cast<Tone *>(handle);
    tone->sink.stop();
    delete tone;
}
}
