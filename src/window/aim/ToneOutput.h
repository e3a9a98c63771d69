#pragma once

#include <QByteArray>
#include <QString>

// The aiming tone's way to the speakers (Qt Multimedia's QAudioSink, over
// PipeWire or PulseAudio), opened when the tone is first turned on.
class ToneOutput {
public:
    static constexpr int SampleRate = 48000;

    ToneOutput() = default;
    ~ToneOutput();
    ToneOutput(const ToneOutput &) = delete;
    ToneOutput &operator=(const ToneOutput &) = delete;

    // Opens the desktop's sound output; an error text, empty when it plays.
    QString open();
    void play(const QByteArray &samples);
    void close();

private:
    void *m_handle = nullptr;
};
