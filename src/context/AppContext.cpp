#include "context/AppContext.h"

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
#include <QTextStream>

namespace {
// Until a window or a test installs a prompter, notices go to stderr and
// questions get the cautious answer.
class ConsolePrompter : public Prompter
{
public:
    void message(const QString &title, const QString &text, Icon) override
    {
        QTextStream(stderr) << title << ": " << text << Qt::endl;
    }
    Answer askYesNo(const QString &, const QString &) override { return Answer::No; }
    Answer askOkCancel(const QString &, const QString &) override { return Answer::Cancel; }
    bool askText(const QString &, const QString &, QString &) override { return false; }
    QString openFileName(const QString &, const QString &) override { return {}; }
    QString saveFileName(const QString &, const QString &, const QString &) override { return {}; }
};
} // namespace

AppContext::AppContext(const QString &programDir, const QString &dataDir, const QString &settingsFile)
    : m_programDir(programDir),
      m_dataDir(dataDir),
      m_settings(settingsFile.isEmpty() ? std::make_unique<SettingsStore>()
                                        : std::make_unique<SettingsStore>(settingsFile)),
      m_jobStatus(std::make_unique<JobStatus>()),
      m_pacing(std::make_unique<EnginePacing>()),
      m_keywords(std::make_unique<KeywordStore>()),
      m_pageRules(std::make_unique<BuiltinRuleSet>()),
      m_silentPrompter(std::make_unique<ConsolePrompter>()),
      m_prompter(m_silentPrompter.get())
{
}

AppContext::~AppContext() = default;

QString AppContext::dataFile(const QString &name) const
{
    return QDir(m_dataDir).filePath(name);
}

bool AppContext::openDatabase()
{
    return m_keywords->open(dataFile(QStringLiteral("db.sqlite")));
}

bool AppContext::openExistingDatabase()
{
    const QString file = dataFile(QStringLiteral("db.sqlite"));
    return QFileInfo::exists(file) && m_keywords->open(file);
}

void AppContext::loadEndpoints()
{
    m_endpoints.load(dataFile(QStringLiteral("endpoints.ini")));
}

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
    return choice.refused;
}
