#pragma once

// A throw-away data folder with its own settings file, keyword database and
// (optionally) the stand-in web, shared by the keyword-database tests.

#include "StandIn.h"
#include "common/Endpoints.h"
#include "common/Engine.h"
#include "context/AppContext.h"
#include "engines/EnginePacing.h"
#include "store/KeywordStore.h"
#include "support/ScriptedPrompter.h"

#include <QDate>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

struct DbFixture {
    QTemporaryDir dir;
    std::unique_ptr<AppContext> context;
    ScriptedPrompter prompter;
    std::unique_ptr<standin::StandIn> standIn;

    explicit DbFixture(bool withStandIn = false)
    {
        QVERIFY(dir.isValid());
        context = std::make_unique<AppContext>(dir.path(), dir.path(), dir.filePath(QStringLiteral("settings.ini")));
        context->setPrompter(&prompter);
        QVERIFY(context->openDatabase());
        for (Engine e : kEngines)
            context->pacing().setWaitSeconds(e, 0);
        if (withStandIn) {
            standIn = std::make_unique<standin::StandIn>();
            QVERIFY(standIn->listen(0));
            for (Engine e : kEngines)
                context->endpoints().setBase(Endpoints::serviceOf(e), standIn->serviceBase(engineKey(e)));
        }
    }

    KeywordStore &store() { return context->keywords(); }

    // Stores keywords oldest first, so a load (newest first) lists them in reverse.
    void seed(const QStringList &keywords, const QString &counts = QStringLiteral("7"),
              const QDate &day = QDate(2020, 1, 2))
    {
        for (const QString &k : keywords)
            QVERIFY(store().insert(k, QStringLiteral("seed"), {counts, counts, counts}, day));
    }

    static QString today() { return KeywordStore::dateText(QDate::currentDate()); }
};
