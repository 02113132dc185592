#pragma once

#include <QString>
#include <array>

class AppContext;

// What the mining tab keeps between runs of the program: the last seed in
// kws.txt (data folder) and its five option boxes in the setting "setting1".
namespace MiningSettings {

// "相关关键词中必须包含关键词", the Google, Yahoo and Bing count options,
// "查询数据即时加入关键词数据库".
using Boxes = std::array<bool, 5>;

inline QString setting1Default() { return QStringLiteral("0#1#1#0#0"); }

// Fields read as whole numbers (non-zero ticks); missing fields are unticked.
Boxes parseSetting1(const QString &text);
QString formatSetting1(const Boxes &boxes);
// The boxes from the settings; writes the default first when it is missing.
Boxes loadBoxes(AppContext &context);

// First line of kws.txt, UTF-8 or GB18030; empty when there is none.
QString readSeed(const QString &file);
// Writes the trimmed seed as the file's only line (GB18030, CRLF), except
// for "qq" in any case. Returns false when nothing was written; `failure`
// then gets the reason when the file could not be written (the old file
// stays as it was).
bool saveSeed(const QString &file, const QString &seed, QString *failure = nullptr);

} // namespace MiningSettings
