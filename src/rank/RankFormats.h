#pragma once

#include "common/Engine.h"

#include <QString>
#include <QStringList>
#include <array>
#include <optional>

// The texts rank tracking writes and reads back: the rank options setting,
// result records, recent-record tags, favourite keys and day-file lines.
namespace RankFormats {

// Result-page count of a record-count index ("10", "20", "50").
int pagesFor(int depthIndex);
QStringList depthTexts();
// "20" -> 1; -1 for anything else.
int depthIndexOf(const QString &text);

// The engine whose display label is `label`.
std::optional<Engine> engineOfLabel(const QString &label);
// Labels of the ticked engines in list order joined with `separator`.
QString engineListText(const std::array<bool, 3> &engines, const QString &separator = QStringLiteral(","));
// Every engine whose label occurs in `text` (the way a history view ticks them).
std::array<bool, 3> enginesMentioned(const QString &text);
// Engines named by a favourite's engine list text (labels joined by ",").
std::array<bool, 3> enginesListed(const QString &listText);

// The rank options, stored as `setting3`.
struct Options {
    std::array<bool, 3> engines{false, false, false};
    int depthIndex = 1;
    bool allMatches = false;
    int mode = 0; // 0 many-to-many, 1 one-to-many
};
QString setting3Name();
// Written when the setting is missing: no engine, "20", all matches off, many-to-many.
QString defaultSetting3();
QString formatOptions(const Options &o);
Options parseOptions(const QString &text);

// A value as it goes into a record, a day file or a recent-record tag:
// without line breaks or control characters, "|" written "%7C", and the
// record's "$1$" and "#1#" broken up, so one answer stays one line and one part.
QString lineField(const QString &value);
// One engine row as it goes into a record or a day file: label|position|link,
// each part through lineField.
QString engineLine(const QString &label, const QString &position, const QString &link);
struct EngineLine {
    QString label;
    QString position;
    QString link;
};
// "label|position|link" split; missing parts read empty.
EngineLine parseEngineLine(const QString &line);
// A day-file or record line that holds an engine's answer: its engine, its
// position (0 for "not found") and link. "-" or damage is no answer.
struct EngineAnswer {
    Engine engine;
    int position;
    QString link;
};
std::optional<EngineAnswer> answerOf(const QString &line);
// The engine-row parts of a result record ("$1$"-joined), without the empty head.
QStringList recordLines(const QString &record);

// Fields of a recent record's tag, joined with "#1#".
struct RecentTag {
    QString site, keyword, date, record;
    int depthIndex = 1;
    bool allMatches = false;
};
QString formatTag(const RecentTag &t);
RecentTag parseTag(const QString &tag);

// Engine list text # site # keyword # record-count index # all matches.
QString favouriteKey(const QString &engineList, const QString &site, const QString &keyword, int depthIndex,
                     bool allMatches);
struct FavouriteParts {
    QString engineList, site, keyword;
    int depthIndex = 1;
    bool allMatches = false;
    bool ok = false; // false: the text is no favourite key (the parts are empty)
};
// Read from the key's fixed ends, so a keyword may hold "#" (FavouriteStore::parseKey).
FavouriteParts parseFavouriteKey(const QString &key);

} // namespace RankFormats
