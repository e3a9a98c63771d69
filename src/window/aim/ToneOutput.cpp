#include "ToneOutput.h"

#include "core/program/LoadedLibrary.h"
#include "core/program/ProgramFolder.h"

namespace {

struct ToneApi {
    void *(*open)(int) = nullptr;
    int (*play)(void *, const char *, int) = nullptr;
    void (*close)(void *) = nullptr;
};

// Where neither place has it, the loader's own search may still find it.
QString modulePath()
{
    const QString found =
        talvor::locateProgramPart(QStringLiteral(TALVOR_TONE_MODULE), QStringLiteral(TALVOR_TONE_FROM_BIN));
    return found.isEmpty() ? QStringLiteral(TALVOR_TONE_MODULE) : found;
}

const talvor::LoadedApi<ToneApi> &loadedTone()
{
    static const auto loaded = [] {
        talvor::LoadedLibrary library(modulePath());
        ToneApi api;
        library.resolve(api.open, "talvor_tone_open");
        library.resolve(api.play, "talvor_tone_play");
        library.resolve(api.close, "talvor_tone_close");
        return library.result(api);
    }();
    return loaded;
}

} // namespace

ToneOutput::~ToneOutput()
{
    close();
}

QString ToneOutput::open()
{
    if (m_handle)
        return {};
    if (!loadedTone().api)
        return QStringLiteral("The tone needs Qt Multimedia: %1").arg(loadedTone().problem);
    m_handle = loadedTone().api->open(SampleRate);
    return m_handle ? QString() : QStringLiteral("No sound output was found for the tone");
}

void ToneOutput::play(const QByteArray &samples)
{
    if (m_handle)
        loadedTone().api->play(m_handle, samples.constData(), int(samples.size()));
}

void ToneOutput::close()
{
    if (m_handle)
        loadedTone().api->close(std::exchange(m_handle, nullptr));
}
