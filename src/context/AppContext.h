#pragma once

#include "common/Endpoints.h"

#include <QString>
#include <QUrl>
#include <functional>
#include <memory>

class Clock;
class EnginePacing;
class JobStatus;
class KeywordStore;
class ListExporter;
class PageReader;
class PageRuleSet;
class Prompter;
class SettingsStore;

// The composition root: the shared things (folders, settings, endpoints, the
// keyword database, the job state, the clock, the engine pacing, the
// prompter, the URL opener and the browser page reader) from which tabs and
// commands build the logic classes, handing each only the pieces it uses.
// It owns what it creates; the prompter, the page reader and an installed
// clock belong to whoever installs them (the window, a test).
class AppContext
{
public:
    // `settingsFile` empty: the native per-user settings store.
    AppContext(const QString &programDir, const QString &dataDir, const QString &settingsFile = {});
    ~AppContext();
    AppContext(const AppContext &) = delete;
    AppContext &operator=(const AppContext &) = delete;

    QString programDir() const { return m_programDir; }
    QString dataDir() const { return m_dataDir; }
    // A file in the data folder.
    QString dataFile(const QString &name) const;

    SettingsStore &settings() { return *m_settings; }
    Endpoints &endpoints() { return m_endpoints; }
    const Endpoints &endpoints() const { return m_endpoints; }
    JobStatus &jobStatus() { return *m_jobStatus; }
    EnginePacing &pacing() { return *m_pacing; }
    // The one clock: every date the program writes and every pacing wait.
    Clock &clock() { return *m_clock; }
    // Uses `clock` (a test's fake one) for dates and pacing from now on; it
    // must outlive the context.
    void setClock(Clock &clock);
    KeywordStore &keywords() { return *m_keywords; }
    // The rule set every reader of result pages goes through: the built-in
    // "2010" set until another is chosen, which happens before any feature
    // is built (features keep a reference to it).
    const PageRuleSet &pageRules() const { return *m_pageRules; }
    void setPageRules(std::unique_ptr<PageRuleSet> rules);
    // Chooses the rule set (`given`: the --rules value, may be empty; then
    // endpoints.ini's rules=, the data folder's rules.ini, the built-in
    // set). Returns why an asked-for set was refused, or empty.
    QString chooseRules(const QString &given);
    // Why the asked-for rule set was refused at the last choice; empty when
    // it reads (or none was asked for).
    QString rulesRefused() const { return m_rulesRefused; }

    Prompter &prompter() { return *m_prompter; }
    void setPrompter(Prompter *p) { m_prompter = p; }
    // The report export behind every tab's export buttons; nullptr until the
    // program (or a test) installs one, and then the buttons do nothing.
    ListExporter *exporter() { return m_exporter; }
    void setExporter(ListExporter *e) { m_exporter = e; }
    // The one way out to the desktop for links and finished reports: the
    // window installs it (and says a failed open in its status bar); with
    // none installed nothing opens. False when the address did not open.
    using UrlOpener = std::function<bool(const QUrl &)>;
    bool openUrl(const QUrl &url) const { return m_urlOpener && m_urlOpener(url); }
    void setUrlOpener(UrlOpener opener) { m_urlOpener = std::move(opener); }
    PageReader *pageReader() { return m_pageReader; }
    void setPageReader(PageReader *r) { m_pageReader = r; }

    // Opens db.sqlite in the data folder (creating it); false when it cannot.
    bool openDatabase();
    // Opens db.sqlite only when it is there: for work that merely reads
    // (today's counts), which must not leave an empty database behind.
    bool openExistingDatabase();
    // Reads endpoints.ini from the data folder, if there is one.
    void loadEndpoints();
    // The engine wait values from googlese/yahoose/bingse (5 when empty).
    void loadPacing();

private:
    QString m_programDir;
    QString m_dataDir;
    std::unique_ptr<SettingsStore> m_settings;
    Endpoints m_endpoints;
    std::unique_ptr<JobStatus> m_jobStatus;
    std::unique_ptr<Clock> m_steadyClock;
    Clock *m_clock = nullptr;
    std::unique_ptr<EnginePacing> m_pacing;
    std::unique_ptr<KeywordStore> m_keywords;
    std::unique_ptr<PageRuleSet> m_pageRules;
    QString m_rulesRefused;
    std::unique_ptr<Prompter> m_silentPrompter;
    Prompter *m_prompter = nullptr;
    PageReader *m_pageReader = nullptr;
    ListExporter *m_exporter = nullptr;
    UrlOpener m_urlOpener;
};
