// Count lookups against the stand-in: a page without a count and a page that
// never came give the same count text, and only the second says it failed.

#include "StandIn.h"
#include "common/Endpoints.h"
#include "engines/BuiltinRules.h"
#include "engines/EnginePacing.h"
#include "engines/IndexCounts.h"
#include "web/CXHtml.h"

#include <QtTest>

class TestIndexCounts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_web.listen(0));
        for (Engine e : kEngines) {
            m_endpoints.setBase(Endpoints::serviceOf(e), m_web.serviceBase(engineKey(e)));
            m_pacing.setWaitSeconds(e, 0);
        }
    }

    void init()
    {
        m_web.clearLog();
        m_web.clearBehaviours();
    }

    void countOrFailure_data()
    {
        QTest::addColumn<Engine>("engine");
        for (Engine e : kEngines)
            QTest::newRow(qPrintable(engineLabel(e))) << e;
    }

    void countOrFailure()
    {
        QFETCH(Engine, engine);
        CXHtml html;
        html.TryTime = 2;
        const auto lookup = [&](const QString &keyword, const Endpoints &endpoints) {
            return IndexCounts::fetchCount(engine, keyword, html, endpoints, m_pacing, m_rules);
        };

        IndexCounts::CountResult found = lookup(QStringLiteral("seo tools"), m_endpoints);
        QVERIFY(!found.failed());
        QVERIFY2(found.count != IndexCounts::notFound(engine), qPrintable(found.count));
        QCOMPARE(IndexCounts::fetch(engine, QStringLiteral("seo tools"), html, m_endpoints, m_pacing, m_rules),
                 found.count);

        // The page loaded but holds no count.
        const IndexCounts::CountResult none = lookup(QStringLiteral("seo noresult"), m_endpoints);
        QVERIFY(!none.failed());
        QCOMPARE(none.count, IndexCounts::notFound(engine));

        // The page never came: the same count text, but failed.
        standin::Behaviour unavailable;
        unavailable.status = 503;
        m_web.setBehaviour(QLatin1Char('/') + engineKey(engine) + QStringLiteral("/search"), unavailable);
        const IndexCounts::CountResult failed = lookup(QStringLiteral("seo tools"), m_endpoints);
        QCOMPARE(failed.failure, FetchOutcome::Failure::HttpStatus);
        QCOMPARE(failed.count, IndexCounts::notFound(engine));
        QCOMPARE(IndexCounts::fetch(engine, QStringLiteral("seo tools"), html, m_endpoints, m_pacing, m_rules),
                 IndexCounts::notFound(engine));

        // An engine without a host is a failure too, and sends nothing.
        m_web.clearLog();
        Endpoints unset = m_endpoints;
        unset.setBase(Endpoints::serviceOf(engine), QString());
        const IndexCounts::CountResult off = lookup(QStringLiteral("seo tools"), unset);
        QCOMPARE(off.failure, FetchOutcome::Failure::NotConfigured);
        QCOMPARE(off.count, IndexCounts::notFound(engine));
        QVERIFY(m_web.log().isEmpty());
    }

    void countsAreDigitsOnly()
    {
        const QString yahoo = QStringLiteral("<strong id=\"resultCount\">%1</strong>");
        QCOMPARE(IndexCounts::extract(Engine::Yahoo, yahoo.arg(QStringLiteral("1,234,000"))),
                 QStringLiteral("1234000"));
        for (const QString &odd :
             {QStringLiteral("nan"), QStringLiteral("1e9"), QStringLiteral("-3"), QStringLiteral("12.5")})
            QCOMPARE(IndexCounts::extract(Engine::Yahoo, yahoo.arg(odd)), IndexCounts::notFound(Engine::Yahoo));
    }

private:
    standin::StandIn m_web;
    Endpoints m_endpoints;
    EnginePacing m_pacing;
    BuiltinRuleSet m_rules;
};

QTEST_GUILESS_MAIN(TestIndexCounts)
#include "test_indexcounts.moc"
