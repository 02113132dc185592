#include "rank/FavouriteImport.h"

#include "common/DelimitedText.h"
#include "common/TextFile.h"
#include "context/AppContext.h"
#include "rank/RankFormats.h"
#include "store/FavouriteStore.h"

#include <QDate>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <algorithm>
#include <array>
#include <optional>

namespace FavouriteImport {

namespace {

enum Column { Site, Keyword, Engines, Depth, All, Date, EngineColumn, Position, Link, ColumnCount };

// Each column's names: as the favourites' export captions it, and in English.
const QStringList &namesOf(int column)
{
    static const QList<QStringList> names{
        {QStringLiteral("网站"), QStringLiteral("site")},        {QStringLiteral("关键词"), QStringLiteral("keyword")},
        {QStringLiteral("查询引擎"), QStringLiteral("engines")}, {QStringLiteral("查询深度"), QStringLiteral("depth")},
        {QStringLiteral("全部匹配"), QStringLiteral("all")},     {QStringLiteral("查询日期"), QStringLiteral("date")},
        {QStringLiteral("搜索引擎"), QStringLiteral("engine")},  {QStringLiteral("排名"), QStringLiteral("position")},
        {QStringLiteral("收录网址"), QStringLiteral("link")},
    };
    return names.at(column);
}

// The report writer keeps a value that a spreadsheet would take for a
// formula as text by putting "'" before it.
QString cellValue(const QString &field)
{
    static const QString formulaStart = QStringLiteral("=+-@\t\r");
    if (field.size() > 1 && field.front() == u'\'' && formulaStart.contains(field.at(1)))
        return field.mid(1);
    return field;
}

// "Google,Bing", "google bing": the labels, kept as written when they are labels.
bool engineListOf(const QString &text, QString *list)
{
    const QStringList names = text.split(QRegularExpression(QStringLiteral("[,\\s]+")), Qt::SkipEmptyParts);
    if (names.isEmpty())
        return false;
    QStringList labels;
    bool asWritten = true;
    for (const QString &name : names) {
        std::optional<Engine> found;
        for (Engine e : kEngines) {
            if (name.compare(engineLabel(e), Qt::CaseInsensitive) == 0)
                found = e;
        }
        if (!found)
            return false;
        asWritten = asWritten && name == engineLabel(*found);
        labels.append(engineLabel(*found));
    }
    *list = asWritten ? text.trimmed() : labels.join(u',');
    return true;
}

} // namespace

bool parseCsv(const QString &text, QList<QStringList> *records, QList<int> *lines, QString *error)
{
    QVector<DelimitedText::Row> rows;
    int badLine = 0;
    const QString body = text.startsWith(QChar(0xFEFF)) ? text.mid(1) : text;
    if (!DelimitedText::splitRows(body, u',', 1, rows, badLine)) {
        if (error)
            *error = QStringLiteral("line %1: a quoted field is never closed").arg(badLine);
        return false;
    }
    QList<QStringList> out;
    QList<int> starts;
    for (const DelimitedText::Row &row : std::as_const(rows)) {
        // A blank line is no record.
        if (row.fields.size() == 1 && row.fields.first().isEmpty())
            continue;
        out.append(row.fields);
        starts.append(row.line);
    }
    if (records)
        *records = out;
    if (lines)
        *lines = starts;
    return true;
}

bool read(const QString &path, Plan *plan, QString *error)
{
    const auto fail = [error](int line, const QString &why) {
        if (error)
            *error = line > 0 ? QStringLiteral("line %1: %2").arg(line).arg(why) : why;
        return false;
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(0, file.errorString());
    QList<QStringList> records;
    QList<int> lines;
    QString why;
    if (!parseCsv(TextFile::decodeImport(file.readAll()), &records, &lines, &why))
        return fail(0, why);
    if (records.isEmpty())
        return fail(1, QStringLiteral("the file is empty: a header row naming the columns is needed"));

    // Where each column is, from the header row.
    std::array<int, ColumnCount> at;
    at.fill(-1);
    const QStringList header = records.first();
    for (int c = 0; c < header.size(); ++c) {
        const QString name = header.at(c).trimmed();
        for (int column = 0; column < ColumnCount; ++column) {
            if (namesOf(column).contains(name, Qt::CaseInsensitive) && at[column] < 0)
                at[column] = c;
        }
    }
    for (int column : {Site, Keyword, Engines, Depth, All}) {
        if (at[column] < 0)
            return fail(lines.first(),
                        QStringLiteral("no column named %1 in the header row")
                            .arg(namesOf(column).join(QStringLiteral(" or "))));
    }

    Plan result;
    QHash<QString, int> favouriteAt;
    for (int r = 1; r < records.size(); ++r) {
        const QStringList &record = records.at(r);
        const int line = lines.at(r);
        const auto cell = [&](int column) {
            return at[column] < 0 ? QString() : cellValue(record.value(at[column])).trimmed();
        };
        const QString site = cell(Site);
        const QString keyword = cell(Keyword);
        if (site.isEmpty() || keyword.isEmpty())
            return fail(line, QStringLiteral("a favourite needs a site and a keyword"));
        QString engineList;
        if (!engineListOf(cell(Engines), &engineList))
            return fail(line, QStringLiteral("the engines are not a list of Google, Yahoo, Bing: ") + cell(Engines));
        const int depthIndex = RankFormats::depthIndexOf(cell(Depth));
        if (depthIndex < 0)
            return fail(line, QStringLiteral("the depth is not 10, 20 or 50: ") + cell(Depth));
        const QString all = cell(All);
        if (all != u"0" && all != u"1")
            return fail(line, QStringLiteral("all matches is not 0 or 1: ") + all);
        const QString key = RankFormats::favouriteKey(engineList, site, keyword, depthIndex, all == u"1");
        FavouriteStore::Key parsed;
        if (!FavouriteStore::parseKey(key, &parsed) || parsed.site != site || parsed.keyword != keyword)
            return fail(line, QStringLiteral("a site holding \"#\" cannot be a favourite: ") + site);

        auto it = favouriteAt.find(key);
        if (it == favouriteAt.end()) {
            it = favouriteAt.insert(key, int(result.favourites.size()));
            result.favourites.append({key, {}});
        }
        ++result.rows;
        const QString date = cell(Date);
        const QString engine = cell(EngineColumn);
        const QString position = cell(Position);
        if (date.isEmpty()) {
            if (!engine.isEmpty() || !position.isEmpty())
                return fail(line, QStringLiteral("a position without a date"));
            continue;
        }
        if (!QDate::fromString(date, QStringLiteral("yyyy-MM-dd")).isValid())
            return fail(line, QStringLiteral("the date is not yyyy-MM-dd: ") + date);
        std::optional<Engine> e;
        for (Engine each : kEngines) {
            if (engine.compare(engineLabel(each), Qt::CaseInsensitive) == 0)
                e = each;
        }
        if (!e)
            return fail(line, QStringLiteral("the engine is not Google, Yahoo or Bing: ") + engine);
        bool ok = false;
        const int value = position.toInt(&ok);
        // "-": an answer older versions wrote for a failed scan.
        if (position != u"-" && (!ok || value < 0))
            return fail(line, QStringLiteral("the position is not a number: ") + position);
        auto &days = result.favourites[*it].days;
        auto day = std::find_if(days.begin(), days.end(), [&date](const auto &d) { return d.first == date; });
        if (day == days.end()) {
            days.append({date, {}});
            day = days.end() - 1;
        }
        day->second.append(
            RankFormats::engineLine(engineLabel(*e), ok ? QString::number(value) : position, cell(Link)));
    }
    if (plan)
        *plan = result;
    return true;
}

Outcome apply(const Plan &plan, const QString &favouritesFolder)
{
    Outcome out;
    FavouriteStore store(favouritesFolder);
    for (const Favourite &f : plan.favourites) {
        if (store.contains(f.key)) {
            ++out.present;
        } else if (store.create(f.key)) {
            ++out.added;
        } else {
            out.failures.append(
                QStringLiteral("cannot make the folder of %1").arg(store.folder() + u'/' + store.folderNameOf(f.key)));
            continue;
        }
        for (const auto &[date, lines] : f.days) {
            bool exists = false;
            store.readDay(f.key, date, &exists);
            // What the folder holds already is its own record of that day.
            if (exists) {
                ++out.daysKept;
                continue;
            }
            QString failure;
            if (store.writeDay(f.key, date, lines, &failure))
                ++out.daysWritten;
            else
                out.failures.append(QStringLiteral("cannot write %1: %2").arg(store.dayPath(f.key, date), failure));
        }
    }
    return out;
}

} // namespace FavouriteImport

int runImportFavourites(const CommandEntry &entry, AppContext &context, const Cli::Arguments &a)
{
    for (const char *other : {"site", "keyword", "engines", "depth", "all", "favourites", "history", "competitor"}) {
        if (a.isSet(QLatin1String(other)))
            return entry.usageError(QStringLiteral("--import-favourites takes no other option"));
    }
    const QString path = a.value(QStringLiteral("import-favourites"));
    if (path.trimmed().isEmpty())
        return entry.usageError(QStringLiteral("--import-favourites needs a file"));
    FavouriteImport::Plan plan;
    QString error;
    if (!FavouriteImport::read(path, &plan, &error)) {
        Cli::fail(QStringLiteral("cannot import ") + path, error + QStringLiteral("; nothing was imported"));
        return Cli::Failed;
    }
    const FavouriteImport::Outcome outcome = FavouriteImport::apply(plan, context.dataFile(QStringLiteral("myfav")));
    for (const QString &failure : outcome.failures)
        Cli::fail(QStringLiteral("import ") + path, failure);
    Cli::note(QStringLiteral("imported %1 rows: %2 favourites added, %3 there already; %4 day files written, %5 there "
                             "already kept")
                  .arg(plan.rows)
                  .arg(outcome.added)
                  .arg(outcome.present)
                  .arg(outcome.daysWritten)
                  .arg(outcome.daysKept));
    return outcome.failures.isEmpty() ? Cli::Done : Cli::Failed;
}
