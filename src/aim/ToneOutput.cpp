#include "ToneOutput.h"

#include "core/LoadedLibrary.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

struct ToneApi {
    void *(*open)(int) = nullptr;
    int (*play)(void *, const char *, int) = nullptr;
    void (*close)(void *) = nullptr;
};

// Beside the program in a build or a portable copy; in libexec/talvor when installed.
QString modulePath()
{
    const QDir here(QCoreApplication::applicationDirPath());
    for (const QString &candidate : {QStringLiteral(TALVOR_TONE_MODULE), QStringLiteral(TALVOR_TONE_FROM_BIN)})
        if (QFileInfo::exists(here.filePath(candidate)))
            return QDir::cleanPath(here.filePath(candidate));
    return QStringLiteral(TALVOR_TONE_MODULE);
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
