#include "AppHelpers.h"
#include "app/Startup.h"
#include "engines/EnginePacing.h"
#include "support/TestEnv.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTest>

namespace {

const QString kVersionPath = QStringLiteral("/veltrana/freever.htm");

// Every file under a folder with a digest of its bytes.
QMap<QString, QByteArray> snapshot(const QString &dir)
{
    QMap<QString, QByteArray> out;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        out.insert(path, QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1));
    }
    return out;
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_standIn = std::make_unique<standin::StandIn>();
        QVERIFY(m_standIn->listen(0));
    }
    void cleanup() { m_standIn.reset(); }

    void firstStartThenSameDay()
    {
        TestEnv env(m_standIn.get(), TestEnv::BeforeStartUp);
        const QString today = env.clock.today().toString(QStringLiteral("yyyy-MM-dd"));
        {
            Startup startup(*env.context);
            QCOMPARE(startup.run(), Startup::Outcome::Continue);
            QVERIFY(!startup.updateStarted());
        }
        QCOMPARE(env.settings().ReadValue(QStringLiteral("updatedt")), today);
        QCOMPARE(env.settings().ReadValue(QStringLiteral("ver")), QStringLiteral("1.0"));
        QCOMPARE(env.settings().ReadValue(QStringLiteral("setting1")), QStringLiteral("0#1#1#0#0"));
        QVERIFY(env.settings().HasValue(QStringLiteral("settingurl")));
        QCOMPARE(env.settings().ReadValue(QStringLiteral("settingurl")), QString());
        QCOMPARE(countRequests(*m_standIn, QStringLiteral("maker"), kVersionPath), 1);
        QVERIFY(env.prompter.prompts.isEmpty());
        QVERIFY(QFile::exists(QDir(env.dataDir).filePath(QStringLiteral("db.sqlite"))));

        // The updater reads "ver.txt" beside itself: ANSI text, CRLF.
        QFile ver(QDir(env.programDir).filePath(QStringLiteral("ver.txt")));
        QVERIFY(ver.open(QIODevice::ReadOnly));
        QCOMPARE(ver.readAll(), QByteArray("1.0\r\n"));
        ver.close();

        // Same day: no second check; the stored options stay as they are.
        env.settings().WriteValue(QStringLiteral("setting1"), QStringLiteral("1#0#0#1#1"));
        env.reopen();
        Startup again(*env.context);
        QCOMPARE(again.run(), Startup::Outcome::Continue);
        QCOMPARE(countRequests(*m_standIn, QStringLiteral("maker"), kVersionPath), 1);
        QCOMPARE(env.settings().ReadValue(QStringLiteral("setting1")), QStringLiteral("1#0#0#1#1"));
    }

    void unwritableDataFolderIsNotASecondInstance()
    {
        TestEnv env(m_standIn.get(), TestEnv::BeforeStartUp);
        // "--data" naming a file: no lock file can be made there.
        const QString file = QDir(env.programDir).filePath(QStringLiteral("notes.txt"));
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("mine");
        }
        AppContext context(env.programDir, file, env.settingsFile);
        ScriptedPrompter prompter;
        context.setPrompter(&prompter);
        Startup startup(context);
        QCOMPARE(startup.run(), Startup::Outcome::Continue);
        QCOMPARE(prompter.prompts.size(), 1);
        QVERIFY(prompter.prompts.at(0).text != QStringLiteral("程序已运行。"));
        QVERIFY(prompter.prompts.at(0).text.contains(QDir::toNativeSeparators(file)));
        QVERIFY(prompter.prompts.at(0).text.contains(QStringLiteral("不是文件夹")));
        QCOMPARE(prompter.prompts.at(0).icon, Prompter::Icon::Warning);
        QVERIFY(!context.keywords().isOpen());
        // The file is left as it was.
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("mine"));
    }

    void refusedDatabaseIsSaid()
    {
        // A db.sqlite that is not this program's: refused, said, untouched.
        TestEnv env(m_standIn.get(), TestEnv::BeforeStartUp);
        const QString file = QDir(env.dataDir).filePath(QStringLiteral("db.sqlite"));
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("these are someone's notes, not a database\n");
        }
        const auto before = snapshot(env.dataDir).value(file);
        Startup startup(*env.context);
        QCOMPARE(startup.run(), Startup::Outcome::Continue);
        QVERIFY(!env.context->keywords().isOpen());
        QCOMPARE(env.prompter.prompts.size(), 1);
        const auto &said = env.prompter.prompts.at(0);
        QCOMPARE(said.title, QStringLiteral("提示"));
        QCOMPARE(said.icon, Prompter::Icon::Warning);
        QVERIFY2(said.text.contains(QDir::toNativeSeparators(file)), qPrintable(said.text));
        QVERIFY2(said.text.contains(QStringLiteral("关键词数据库无法使用")), qPrintable(said.text));
        QVERIFY2(said.text.contains(env.context->keywords().lastError()), qPrintable(said.text));
        QCOMPARE(snapshot(env.dataDir).value(file), before);
    }

    void secondInstanceWritesNothing()
    {
        TestEnv env(m_standIn.get(), TestEnv::BeforeStartUp);
        Startup first(*env.context);
        QCOMPARE(first.run(), Startup::Outcome::Continue);
        QFile::remove(QDir(env.programDir).filePath(QStringLiteral("ver.txt")));
        env.settings().WriteValue(QStringLiteral("updatedt"), QStringLiteral("2001-01-01"));
        const auto programBefore = snapshot(env.programDir);
        const auto dataBefore = snapshot(env.dataDir);
        m_standIn->clearLog();

        AppContext second(env.programDir, env.dataDir, env.settingsFile);
        second.loadEndpoints();
        ScriptedPrompter prompter;
        second.setPrompter(&prompter);
        Startup other(second);
        QCOMPARE(other.run(), Startup::Outcome::AlreadyRunning);

        QCOMPARE(prompter.prompts.size(), 1);
        QCOMPARE(prompter.prompts.at(0).kind, QStringLiteral("message"));
        QCOMPARE(prompter.prompts.at(0).title, QStringLiteral("提示"));
        QCOMPARE(prompter.prompts.at(0).text, QStringLiteral("程序已运行。"));
        QCOMPARE(snapshot(env.programDir), programBefore);
        QCOMPARE(snapshot(env.dataDir), dataBefore);
        QVERIFY(m_standIn->log().isEmpty());
    }

    void publishedVersion_data()
    {
        QTest::addColumn<QString>("published");
        QTest::addColumn<bool>("handsOver");
        QTest::newRow("same, trailing space") << QStringLiteral("1.0 ") << false;
        QTest::newRow("older") << QStringLiteral("0.9") << true;
        QTest::newRow("newer") << QStringLiteral("1.1") << true;
    }
    void publishedVersion()
    {
        QFETCH(QString, published);
        QFETCH(bool, handsOver);
        TestEnv env(m_standIn.get(), TestEnv::BeforeStartUp);
        installFakeUpdater(env.programDir);
        m_standIn->setPublishedVersion(published);

        Startup startup(*env.context);
        // Where nothing may start, every start is recorded instead of run,
        // so the absence needs no waiting.
        int launches = 0;
        if (!handsOver)
            startup.setLauncher([&launches](const QString &, const QStringList &, bool) { return ++launches > 0; });
        QCOMPARE(startup.run(), handsOver ? Startup::Outcome::HandedOver : Startup::Outcome::Continue);
        QCOMPARE(startup.updateStarted(), handsOver);
        QCOMPARE(env.settings().ReadValue(QStringLiteral("ver")), published);
        if (handsOver)
            QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(updaterRecord(env.programDir)), 5000);
        else
            QCOMPARE(launches, 0);
    }

    void missingUpdaterKeepsRunning()
    {
        TestEnv env(m_standIn.get(), TestEnv::BeforeStartUp);
        m_standIn->setPublishedVersion(QStringLiteral("0.9"));
        Startup startup(*env.context);
        QCOMPARE(startup.run(), Startup::Outcome::Continue);
        QVERIFY(!startup.updateStarted());
        // Start-up went on past the check.
        QCOMPARE(env.settings().ReadValue(QStringLiteral("setting1")), QStringLiteral("0#1#1#0#0"));
    }

    void windowStateByDay_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<bool>("minimised");
        const QDate today = FakeClock::fixedDay(); // the day every test runs on
        QTest::newRow("first start") << QString() << true << false;
        QTest::newRow("yesterday") << today.addDays(-1).toString(QStringLiteral("yyyy-MM-dd")) << true << true;
        QTest::newRow("a later day") << today.addDays(3).toString(QStringLiteral("yyyy-MM-dd")) << true << true;
        QTest::newRow("unreadable") << QStringLiteral("01/03/24") << true << true;
        QTest::newRow("today") << today.toString(QStringLiteral("yyyy-MM-dd")) << false << false;
    }
    void windowStateByDay()
    {
        QFETCH(QString, stored);
        QFETCH(bool, checked);
        QFETCH(bool, minimised);
        TestEnv env(m_standIn.get(), TestEnv::BeforeStartUp);
        installFakeUpdater(env.programDir);
        m_standIn->setPublishedVersion(QStringLiteral("2.0"));
        if (!stored.isEmpty())
            env.settings().WriteValue(QStringLiteral("updatedt"), stored);

        Startup startup(*env.context);
        QList<bool> launches;
        startup.setLauncher([&](const QString &path, const QStringList &arguments, bool min) {
            launches.append(min);
            // The updater is told where the data folder is, to hand it back.
            return QFileInfo(path).fileName() == QLatin1String("update")
                && arguments == QStringList{QStringLiteral("--data"), env.context->dataDir()};
        });
        QCOMPARE(startup.run(), checked ? Startup::Outcome::HandedOver : Startup::Outcome::Continue);
        QCOMPARE(countRequests(*m_standIn, QStringLiteral("maker"), kVersionPath), checked ? 1 : 0);
        QCOMPARE(launches, checked ? QList<bool>{minimised} : QList<bool>{});
        QCOMPARE(env.settings().ReadValue(QStringLiteral("updatedt")), QStringLiteral("2024-03-01"));
    }

    void unreachablePageCountsAsCurrent_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("noMaker");
        QTest::newRow("server error") << 500 << false;
        QTest::newRow("no maker endpoint") << 200 << true;
    }
    void unreachablePageCountsAsCurrent()
    {
        QFETCH(int, status);
        QFETCH(bool, noMaker);
        TestEnv env(m_standIn.get(), TestEnv::BeforeStartUp);
        installFakeUpdater(env.programDir);
        m_standIn->setPublishedVersion(QStringLiteral("0.9"));
        standin::Behaviour b;
        b.status = status;
        m_standIn->setBehaviour(QStringLiteral("/maker/veltrana/"), b);
        if (noMaker)
            env.context->endpoints().setBase(Endpoints::Service::Maker, QString());

        Startup startup(*env.context);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(startup.run(), Startup::Outcome::Continue);
        QVERIFY(clock.elapsed() < 3000);
        QCOMPARE(env.settings().ReadValue(QStringLiteral("ver")), QStringLiteral("1.0"));
        QVERIFY(!env.settings().ReadValue(QStringLiteral("updatedt")).isEmpty());
        QCOMPARE(countRequests(*m_standIn, QStringLiteral("maker"), kVersionPath), noMaker ? 0 : 1);
    }

    void pacingFromSettings()
    {
        TestEnv env(m_standIn.get(), TestEnv::BeforeStartUp);
        env.settings().WriteValue(QStringLiteral("googlese"), QStringLiteral("8"));
        env.settings().WriteValue(QStringLiteral("yahoose"), QString());
        env.settings().WriteValue(QStringLiteral("bingse"), QStringLiteral("12"));
        Startup startup(*env.context);
        QCOMPARE(startup.run(), Startup::Outcome::Continue);
        QCOMPARE(env.context->pacing().waitSeconds(Engine::Google), 8);
        QCOMPARE(env.context->pacing().waitSeconds(Engine::Yahoo), 5);
        QCOMPARE(env.context->pacing().waitSeconds(Engine::Bing), 12);
    }

private:
    std::unique_ptr<standin::StandIn> m_standIn;
};

QTEST_GUILESS_MAIN(TestStartup)
#include "test_startup.moc"
