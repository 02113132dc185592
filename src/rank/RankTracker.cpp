#include "rank/RankTracker.h"

#include "common/SettingsStore.h"
#include "context/AppContext.h"
#include "rank/ResultsHistory.h"

RankTracker::RankTracker(AppContext &context, QObject *parent)
    : QObject(parent),
      m_context(context),
      m_lists(context),
      m_engines({QStringLiteral("搜索引擎")}),
      m_run(m_engines, context.endpoints(), context.jobStatus(), context.prompter(), context.clock(),
            context.pageRules(), context.dataFile(QStringLiteral("myfav"))),
      m_favourites(context)
{
    for (Engine e : kEngines) {
        const int r = m_engines.addRow(engineLabel(e));
        m_engines.setTag(r, engineLabel(e));
        m_engines.setImageKey(r, engineImageKey(e));
    }
    m_run.setSettingsSource([this] { return RankRun::Settings{m_depthIndex, m_allMatches}; });
    connect(&m_engines, &RankList::userTicked, this, [this] { saveOptions(); });
    // Each favourite the run answers is compared with its previous day file
    // while the pair's options are still the ones it ran with.
    connect(&m_run, &RankRun::pairFinished, this, [this](int header) {
        // A pair a stop cut short has scans that were abandoned, not failed.
        if (m_run.job().stopRequested())
            return;
        const RankRun::Settings s = m_run.settings();
        const QString key = RankFormats::favouriteKey(m_run.engineListText(), m_run.result().cell(header, 0),
                                                      m_run.result().cell(header, 1), s.depthIndex, s.allMatches);
        const FavouriteStore store = m_favourites.store();
        if (store.contains(key))
            m_changes += RankChanges::Comparer().compare(RankChanges::pairInput(key, m_run.result(), header, store));
    });
}

RankFormats::Options RankTracker::options() const
{
    RankFormats::Options o;
    for (Engine e : kEngines)
        o.engines[engineIndex(e)] = m_engines.row(engineIndex(e)).checked;
    o.depthIndex = m_depthIndex;
    o.allMatches = m_allMatches;
    o.mode = m_lists.mode();
    return o;
}

void RankTracker::saveOptions()
{
    if (m_context.settings().isLoaded())
        m_context.settings().WriteValue(RankFormats::setting3Name(), RankFormats::formatOptions(options()));
}

void RankTracker::setDepthIndex(int index)
{
    if (index < 0 || index > 2)
        return;
    m_depthIndex = index;
    saveOptions();
}

void RankTracker::setAllMatches(bool on)
{
    m_allMatches = on;
    saveOptions();
}

void RankTracker::setMode(int mode)
{
    m_lists.setMode(mode);
    saveOptions();
}

void RankTracker::setEngineTicked(Engine e, bool ticked)
{
    m_engines.setChecked(engineIndex(e), ticked);
    saveOptions();
}

void RankTracker::tickEngines(const std::array<bool, 3> &engines)
{
    for (Engine e : kEngines)
        m_engines.setChecked(engineIndex(e), engines[engineIndex(e)]);
}

void RankTracker::applyOptions(const RankFormats::Options &o)
{
    m_depthIndex = o.depthIndex;
    m_allMatches = o.allMatches;
    m_lists.setMode(o.mode);
    tickEngines(o.engines);
    Q_EMIT optionsChanged();
}

void RankTracker::load()
{
    m_lists.loadSites();
    SettingsStore &settings = m_context.settings();
    QString text = settings.ReadValue(RankFormats::setting3Name());
    if (text.isEmpty()) {
        text = RankFormats::defaultSetting3();
        settings.WriteValue(RankFormats::setting3Name(), text);
    }
    applyOptions(RankFormats::parseOptions(text));
    saveOptions();
    m_lists.loadKeywords();
    m_favourites.load();
}

RankRun::Outcome RankTracker::start()
{
    m_changes.clear();
    const RankRun::Outcome outcome = m_run.start(m_lists.sites(), m_lists.keywords());
    if (outcome == RankRun::Outcome::Finished || outcome == RankRun::Outcome::Stopped) {
        // The run's files are on disk now: today's kept results tell who
        // replaced a falling site.
        const ResultsHistory kept(m_favourites.store().folder());
        RankChanges::nameReplacements(m_changes, [&kept](const RankChanges::Change &c) {
            return kept.newlyAbove(c.site, c.keyword, c.engine, c.previousDate, c.date);
        });
        m_favourites.list().setChanges(m_changes);
        if (!m_changes.isEmpty())
            Q_EMIT changesFound(m_changes);
    }
    return outcome;
}

void RankTracker::appendEngineRows(const QStringList &lines)
{
    for (const QString &text : lines) {
        const RankFormats::EngineLine line = RankFormats::parseEngineLine(text);
        const int r = result().addRow(line.label, {line.position, line.link});
        if (const auto e = RankFormats::engineOfLabel(line.label))
            result().setImageKey(r, engineImageKey(*e));
    }
}

void RankTracker::showRecent(int row)
{
    if (row < 0 || row >= recent().count() || m_run.job().isActive())
        return;
    const ResultList::Row rec = recent().row(row);
    const RankFormats::RecentTag tag = RankFormats::parseTag(rec.tag);
    result().clear();
    // The stored lists stay: only the viewed pair is ticked.
    m_lists.focusPair(tag.site, tag.keyword);
    // The row's engine list too: an engine whose scan failed has no part in the record.
    tickEngines(RankFormats::enginesMentioned(rec.text + tag.record));
    result().addRow(tag.site, {tag.keyword, tag.date});
    appendEngineRows(RankFormats::recordLines(tag.record));
    m_depthIndex = tag.depthIndex;
    m_allMatches = tag.allMatches;
    Q_EMIT optionsChanged();
    saveOptions();
}

QVector<FavouriteStore::DayFile> RankTracker::showHistory(int row)
{
    RankList &favs = m_favourites.list();
    if (row < 0 || row >= favs.count() || m_run.job().isActive())
        return {};
    const ResultList::Row fav = favs.row(row);
    m_lists.focusPair(fav.sub.value(0), fav.sub.value(1));
    tickEngines(RankFormats::enginesMentioned(fav.text));
    const RankFormats::FavouriteParts parts = RankFormats::parseFavouriteKey(fav.tag);
    m_depthIndex = parts.depthIndex;
    m_allMatches = parts.allMatches;
    Q_EMIT optionsChanged();
    saveOptions();

    result().clear();
    const QVector<FavouriteStore::DayFile> days = m_favourites.store().history(fav.tag);
    for (const FavouriteStore::DayFile &day : days) {
        result().addRow(parts.site, {parts.keyword, day.date});
        appendEngineRows(day.lines);
    }
    return days;
}

QString RankTracker::resultAddress(int row) const
{
    if (row < 0 || row >= m_run.result().count())
        return {};
    return m_run.result().row(row).tag;
}
