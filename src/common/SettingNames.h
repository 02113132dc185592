#pragma once

#include "common/Engine.h"

#include <QLatin1String>
#include <QString>

// Names of the values the program keeps in the settings store, spelt once:
// a misspelt name would silently read as "missing".
namespace SettingNames {

// Day of the last version check, yyyy-MM-dd.
inline constexpr QLatin1String kVersionCheckDay{"updatedt"};
// Version text the last check found.
inline constexpr QLatin1String kPublishedVersion{"ver"};
// The mining tab's five option boxes, "0#1#1#0#0".
inline constexpr QLatin1String kMiningOptions{"setting1"};
// The rank-tracking site list, addresses joined by "$".
inline constexpr QLatin1String kRankSites{"settingurl"};
// The rank options: ticked engine labels joined by "$", depth index,
// all matches, association mode, joined by "#".
inline constexpr QLatin1String kRankOptions{"setting3"};
// Seconds between two requests to one engine.
inline constexpr QLatin1String kGoogleInterval{"googlese"};
inline constexpr QLatin1String kYahooInterval{"yahoose"};
inline constexpr QLatin1String kBingInterval{"bingse"};

inline QString engineInterval(Engine e)
{
    switch (e) {
    case Engine::Google: return kGoogleInterval;
    case Engine::Yahoo: return kYahooInterval;
    case Engine::Bing: return kBingInterval;
    }
    return {};
}

} // namespace SettingNames
