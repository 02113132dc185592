#include "rank/RankFormats.h"

#include "common/FieldText.h"
#include "common/SettingNames.h"
#include "store/FavouriteStore.h"

namespace RankFormats {

namespace {
const QString kRecordSep = QStringLiteral("$1$");
const QString kTagSep = QStringLiteral("#1#");
} // namespace

int pagesFor(int depthIndex)
{
    switch (depthIndex) {
    case 0: return 1;
    case 2: return 5;
    default: return 2;
    }
}

QStringList depthTexts() { return {QStringLiteral("10"), QStringLiteral("20"), QStringLiteral("50")}; }

int depthIndexOf(const QString &text) { return int(depthTexts().indexOf(text.trimmed())); }

std::optional<Engine> engineOfLabel(const QString &label)
{
    for (Engine e : kEngines) {
        if (engineLabel(e) == label)
            return e;
    }
    return std::nullopt;
}

QString engineListText(const std::array<bool, 3> &engines, const QString &separator)
{
    QStringList labels;
    for (Engine e : kEngines) {
        if (engines[engineIndex(e)])
            labels.append(engineLabel(e));
    }
    return labels.join(separator);
}

std::array<bool, 3> enginesMentioned(const QString &text)
{
    std::array<bool, 3> out{false, false, false};
    for (Engine e : kEngines)
        out[engineIndex(e)] = text.contains(engineLabel(e));
    return out;
}

std::array<bool, 3> enginesListed(const QString &listText)
{
    std::array<bool, 3> out{false, false, false};
    for (const QString &part : listText.split(QLatin1Char(','))) {
        if (const auto e = engineOfLabel(part.trimmed()))
            out[engineIndex(*e)] = true;
    }
    return out;
}

QString setting3Name() { return SettingNames::kRankOptions; }

QString defaultSetting3()
{
    // The engine part names no engine of the list.
    return QStringLiteral("0") + QStringLiteral("#1#0#0#0");
}

QString formatOptions(const Options &o)
{
    return engineListText(o.engines, QStringLiteral("$")) + u'#' + QString::number(o.depthIndex) + u'#'
        + QString::number(o.allMatches ? 1 : 0) + u'#' + QString::number(o.mode);
}

Options parseOptions(const QString &text)
{
    Options o;
    const QStringList fields = text.split(QLatin1Char('#'));
    for (const QString &label : fields.value(0).split(QLatin1Char('$'))) {
        if (const auto e = engineOfLabel(label))
            o.engines[engineIndex(*e)] = true;
    }
    bool ok = false;
    const int depth = fields.value(1).toInt(&ok);
    o.depthIndex = ok && depth >= 0 && depth <= 2 ? depth : 1;
    o.allMatches = fields.value(2).toInt() != 0;
    o.mode = fields.value(3).toInt() == 1 ? 1 : 0;
    return o;
}

QString lineField(const QString &value)
{
    QString out = FieldText::oneLine(value);
    out.replace(QLatin1Char('|'), QStringLiteral("%7C"));
    // The record's separators, broken up so a value cannot forge a part.
    out.replace(kRecordSep, QStringLiteral("$1%24"));
    out.replace(kTagSep, QStringLiteral("#1%23"));
    return out;
}

QString engineLine(const QString &label, const QString &position, const QString &link)
{
    return lineField(label) + u'|' + lineField(position) + u'|' + lineField(link);
}

EngineLine parseEngineLine(const QString &line)
{
    const QStringList parts = line.split(QLatin1Char('|'));
    return {parts.value(0), parts.value(1), parts.value(2)};
}

std::optional<EngineAnswer> answerOf(const QString &text)
{
    const EngineLine line = parseEngineLine(text);
    const auto e = engineOfLabel(line.label);
    bool ok = false;
    const int position = line.position.toInt(&ok);
    if (!e || !ok || position < 0)
        return std::nullopt;
    return EngineAnswer{*e, position, line.link};
}

QStringList recordLines(const QString &record)
{
    QStringList parts = record.split(kRecordSep);
    parts.removeFirst();
    return parts;
}

QString formatTag(const RecentTag &t)
{
    return QStringList{FieldText::oneLine(t.site),    FieldText::oneLine(t.keyword),
                       FieldText::oneLine(t.date),    FieldText::oneLine(t.record),
                       QString::number(t.depthIndex), QString::number(t.allMatches ? 1 : 0)}
        .join(kTagSep);
}

RecentTag parseTag(const QString &tag)
{
    const QStringList f = tag.split(kTagSep);
    RecentTag t;
    t.site = f.value(0);
    t.keyword = f.value(1);
    t.date = f.value(2);
    t.record = f.value(3);
    bool ok = false;
    const int depth = f.value(4).toInt(&ok);
    t.depthIndex = ok && depth >= 0 && depth <= 2 ? depth : 1;
    t.allMatches = f.value(5).toInt() != 0;
    return t;
}

QString favouriteKey(const QString &engineList, const QString &site, const QString &keyword, int depthIndex,
                     bool allMatches)
{
    return engineList + u'#' + site + u'#' + keyword + u'#' + QString::number(depthIndex) + u'#'
        + QString::number(allMatches ? 1 : 0);
}

FavouriteParts parseFavouriteKey(const QString &key)
{
    FavouriteStore::Key k;
    FavouriteParts p;
    if (!FavouriteStore::parseKey(key, &k))
        return p;
    p = {k.engineList, k.site, k.keyword, k.depthIndex, k.allMatches, true};
    return p;
}

} // namespace RankFormats
