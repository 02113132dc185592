#pragma once

#include <QString>
#include <array>

// The three web search engines whose counts, related searches and ranks the
// program reads. The display label is the one text used for an engine in
// headers, captions, rank records and file names.
enum class Engine { Google = 0, Yahoo = 1, Bing = 2 };

inline constexpr std::array<Engine, 3> kEngines = {Engine::Google, Engine::Yahoo, Engine::Bing};

inline QString engineLabel(Engine e)
{
    switch (e) {
    case Engine::Google: return QStringLiteral("Google");
    case Engine::Yahoo: return QStringLiteral("Yahoo");
    case Engine::Bing: return QStringLiteral("Bing");
    }
    return {};
}

// Key of the engine in endpoints.ini and the settings value of its interval.
inline QString engineKey(Engine e)
{
    return engineLabel(e).toLower();
}

inline QString engineIntervalSetting(Engine e)
{
    return engineKey(e) + QStringLiteral("se");
}

inline int engineIndex(Engine e) { return static_cast<int>(e); }
