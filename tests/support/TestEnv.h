#pragma once

// One test's world: a throw-away program folder and data folder, a settings
// file in the data folder, a context over them with a scripted prompter and,
// when asked for, the stand-in web with the context's endpoints pointing at it.

// It brings in what the tests use through it.
#include "StandIn.h"
#include "common/Engine.h"
#include "common/SettingsStore.h"
#include "context/AppContext.h"
#include "engines/EnginePacing.h"
#include "store/KeywordStore.h"
#include "support/FakeClock.h"
#include "support/ScriptedPrompter.h"

#include <QDate>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

class TestEnv
{
public:
    enum Web {
        NoWeb,  // endpoints keep their defaults; nothing may be fetched
        OwnWeb, // a stand-in of its own on a free port
    };
    enum Setup {
        Ready,         // the keyword database is open and no engine waits
        BeforeStartUp, // as the program finds things before its start-up runs
    };

    explicit TestEnv(Web web = NoWeb, Setup setup = Ready);
    // With a stand-in the test case keeps itself (nullptr: none).
    explicit TestEnv(standin::StandIn *web, Setup setup = Ready);
    ~TestEnv();
    TestEnv(const TestEnv &) = delete;
    TestEnv &operator=(const TestEnv &) = delete;

    // False when a folder, the stand-in or the database could not be set up;
    // the failure has then been reported to the running test as well.
    bool isValid() const { return m_valid; }

    // A fresh context on the same folders and settings: the next start of
    // the program. The old context is gone first, so nothing is open twice.
    AppContext &reopen();

    QString dataFile(const QString &name) const;
    SettingsStore &settings();
    KeywordStore &store();
    // The stand-in in use; only for an environment that has one.
    standin::StandIn &web() const;

    // Requests to an engine's result page whose query key holds `keyword`.
    int searches(const QString &service, const QString &keyword) const;

    // Stores keywords oldest first, so a load (newest first) lists them in reverse.
    void seed(const QStringList &keywords, const QString &counts = QStringLiteral("7"),
              const QDate &day = QDate(2020, 1, 2));
    // Today as the keyword table writes dates: the fake clock's fixed day.
    static QString today();

private:
    void setUp(Web web);
    QTemporaryDir m_root;
    std::unique_ptr<standin::StandIn> m_ownWeb;
    standin::StandIn *m_web = nullptr;
    Setup m_setup;
    bool m_valid = false;

public:
    QString programDir;
    QString dataDir;
    QString settingsFile;
    ScriptedPrompter prompter;
    // Every context of the environment runs on it: a fixed day, no real waits.
    FakeClock clock;
    std::unique_ptr<AppContext> context; // destroyed before the folders and the stand-in
};
