#include "support/TestEnv.h"

#include <QDir>

TestEnv::TestEnv(Web web, Setup setup)
    : m_setup(setup)
{
    setUp(web);
}

TestEnv::TestEnv(standin::StandIn *web, Setup setup)
    : m_web(web),
      m_setup(setup)
{
    setUp(NoWeb);
}

TestEnv::~TestEnv() = default;

void TestEnv::setUp(Web web)
{
    QVERIFY2(m_root.isValid(), qPrintable(m_root.errorString()));
    programDir = m_root.filePath(QStringLiteral("program"));
    dataDir = m_root.filePath(QStringLiteral("data"));
    settingsFile = dataFile(QStringLiteral("settings.ini"));
    QVERIFY(QDir().mkpath(programDir) && QDir().mkpath(dataDir));
    if (web == OwnWeb) {
        m_ownWeb = std::make_unique<standin::StandIn>();
        QVERIFY2(m_ownWeb->listen(0), "the stand-in found no free port");
        m_web = m_ownWeb.get();
    }
    // Through the endpoints file, as the program itself finds them.
    if (m_web)
        QVERIFY(m_web->writeEndpoints(dataFile(QStringLiteral("endpoints.ini"))));
    reopen();
    if (m_setup == Ready)
        QVERIFY2(context->keywords().isOpen(), "the keyword database did not open");
    m_valid = true;
}

AppContext &TestEnv::reopen()
{
    context.reset();
    context = std::make_unique<AppContext>(programDir, dataDir, settingsFile);
    context->loadEndpoints();
    context->setPrompter(&prompter);
    context->setClock(clock);
    if (m_setup == Ready) {
        context->openDatabase();
        for (Engine e : kEngines)
            context->pacing().setWaitSeconds(e, 0);
    }
    return *context;
}

QString TestEnv::dataFile(const QString &name) const { return QDir(dataDir).filePath(name); }

SettingsStore &TestEnv::settings() { return context->settings(); }

KeywordStore &TestEnv::store() { return context->keywords(); }

standin::StandIn &TestEnv::web() const
{
    if (!m_web)
        qFatal("TestEnv::web(): this environment has no stand-in");
    return *m_web;
}

int TestEnv::searches(const QString &service, const QString &keyword) const
{
    const QString key = service == u"yahoo" ? QStringLiteral("p")
        : service == u"baidu"               ? QStringLiteral("wd")
                                            : QStringLiteral("q");
    int n = 0;
    for (const standin::LoggedRequest &r : web().log(service)) {
        for (const auto &item : r.items) {
            if (item.first == key && item.second == keyword)
                ++n;
        }
    }
    return n;
}

void TestEnv::seed(const QStringList &keywords, const QString &counts, const QDate &day)
{
    for (const QString &k : keywords)
        QVERIFY(store().insert(k, QStringLiteral("seed"), {counts, counts, counts}, day));
}

QString TestEnv::today() { return KeywordStore::dateText(FakeClock::fixedDay()); }
