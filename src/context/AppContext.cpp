#include "context/AppContext.h"

#include "common/Clock.h"
#include "common/CommandLine.h"
#include "common/JobStatus.h"
#include "common/Prompter.h"
#include "common/SettingNames.h"
#include "common/SettingsStore.h"
#include "engines/BuiltinRules.h"
#include "engines/EnginePacing.h"
#include "engines/RuleSetChoice.h"
#include "store/KeywordStore.h"

#include <QDir>
#include <QFileInfo>

AppContext::AppContext(const QString &programDir, const QString &dataDir, const QString &settingsFile)
    : m_programDir(programDir),
      m_dataDir(dataDir),
      m_settings(settingsFile.isEmpty() ? std::make_unique<SettingsStore>()
                                        : std::make_unique<SettingsStore>(settingsFile)),
      m_jobStatus(std::make_unique<JobStatus>()),
      m_steadyClock(std::make_unique<SteadyClock>()),
      m_clock(m_steadyClock.get()),
      m_pacing(std::make_unique<EnginePacing>(*m_clock)),
      m_keywords(std::make_unique<KeywordStore>()),
      m_pageRules(std::make_unique<BuiltinRuleSet>()),
      // Until a window or a test installs a prompter: a command's, which
      // answers every question cautiously and leaves saying to the command.
      m_silentPrompter(std::make_unique<Cli::ConsolePrompter>()),
      m_prompter(m_silentPrompter.get())
{
}

AppContext::~AppContext() = default;

void AppContext::setClock(Clock &clock)
{
    m_clock = &clock;
    m_pacing->setClock(clock);
}

QString AppContext::dataFile(const QString &name) const { return QDir(m_dataDir).filePath(name); }

bool AppContext::openDatabase() { return m_keywords->open(dataFile(QStringLiteral("db.sqlite"))); }

bool AppContext::openExistingDatabase()
{
    const QString file = dataFile(QStringLiteral("db.sqlite"));
    return QFileInfo::exists(file) && m_keywords->open(file);
}

void AppContext::loadEndpoints() { m_endpoints.load(dataFile(QStringLiteral("endpoints.ini"))); }

void AppContext::loadPacing()
{
    for (Engine e : kEngines) {
        bool ok = false;
        const int v = m_settings->ReadValue(SettingNames::engineInterval(e)).trimmed().toInt(&ok);
        m_pacing->setWaitSeconds(e, ok ? v : 5);
    }
}

void AppContext::setPageRules(std::unique_ptr<PageRuleSet> rules)
{
    m_pageRules = rules ? std::move(rules) : std::make_unique<BuiltinRuleSet>();
}

QString AppContext::chooseRules(const QString &given)
{
    RuleSetChoice::Choice choice = RuleSetChoice::choose(given, m_programDir, m_dataDir);
    m_pageRules = std::move(choice.rules);
    m_rulesRefused = choice.refused;
    return choice.refused;
}
