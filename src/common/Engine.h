#pragma once

#include <QString>
#include <QStringList>
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

// Lower-case name of the engine, as in endpoints.ini and on the command line.
inline QString engineKey(Engine e) { return engineLabel(e).toLower(); }

inline int engineIndex(Engine e) { return static_cast<int>(e); }

// Reads a command-line engine list such as "google,bing" (any case) into
// one flag per engine. False for an empty list or an unknown name.
inline bool parseEngineList(const QString &list, std::array<bool, 3> &engines)
{
    engines = {false, false, false};
    const QStringList names = list.split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (names.isEmpty())
        return false;
    for (const QString &name : names) {
        bool known = false;
        for (Engine e : kEngines) {
            if (name.trimmed().compare(engineKey(e), Qt::CaseInsensitive) == 0) {
                engines[engineIndex(e)] = true;
                known = true;
            }
        }
        if (!known)
            return false;
    }
    return true;
}
