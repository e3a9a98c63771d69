#pragma once

#include <QLibrary>
#include <QString>

#include <optional>

namespace talvor {

// A library's functions gathered in Api, or why they could not be.
template <typename Api> struct LoadedApi {
    std::optional<Api> api;
    QString problem;
};

// A C library opened the first time it is needed rather than at start, with
// the functions taken from it by name: all of them, or it counts as absent.
class LoadedLibrary {
public:
    // fileName as the dynamic loader knows it ("libmosquitto.so.1").
    explicit LoadedLibrary(const QString &fileName)
        : m_library(fileName)
        , m_complete(m_library.load())
    {
    }

    template <typename Function> void resolve(Function &function, const char *symbol)
    {
        function = m_complete ? reinterpret_cast<Function>(m_library.resolve(symbol)) : nullptr;
        if (m_complete && !function)
            m_missing = QString::fromLatin1(symbol);
        m_complete = m_complete && function;
    }
    bool complete() const { return m_complete; }
    template <typename Api> LoadedApi<Api> result(const Api &api) const
    {
        return m_complete ? LoadedApi<Api>{api, {}} : LoadedApi<Api>{std::nullopt, problem()};
    }
    // Why it is absent: not found, or a function it lacks.
    QString problem() const
    {
        return m_missing.isEmpty() ? m_library.errorString()
                                   : QStringLiteral("%1 lacks %2").arg(m_library.fileName(), m_missing);
    }

private:
    QLibrary m_library;
    bool m_complete;
    QString m_missing;
};

} // namespace talvor
