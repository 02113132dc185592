#include "common/Endpoints.h"
#include "engines/BuiltinRules.h"
#include "engines/RuleDoctor.h"
#include "engines/RuleSetChoice.h"
#include "pagerules/XPathRuleSet.h"
#include "support/ClosedPort.h"
#include "support/TinyHttpServer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// Which rule set reads the pages: --rules, then endpoints.ini, then the data
// folder's rules.ini, then the built-in set; a set that does not parse is
// refused with its file, line and reason, and the built-in set reads. And
// whether a set still reads: its rules over its sample pages, and live.
class TestRuleChoice : public QObject
{
    Q_OBJECT

    QTemporaryDir m_root;
    QString m_program, m_data;

    static void write(const QString &path, const QByteArray &text)
    {
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text);
    }

    static QString shippedRules() { return QStringLiteral(VELTRANA_SOURCE_DIR "/rules"); }

    static std::unique_ptr<XPathRuleSet> shipped(const QString &name)
    {
        RuleSetError error;
        auto set = XPathRuleSet::load(shippedRules() + QLatin1Char('/') + name + QStringLiteral(".ini"), &error);
        if (!set)
            qWarning("%s", qPrintable(error.toString()));
        return set;
    }

    static QStringList lines(const QList<RuleDoctor::Check> &checks)
    {
        QStringList out;
        for (const RuleDoctor::Check &c : checks)
            out << QStringLiteral("%1 %2 %3: %4").arg(c.engine, PageRules::purposeName(c.purpose), c.source, c.verdict);
        return out;
    }

    static QByteArray set(const QByteArray &name)
    {
        return "[set]\nname = " + name + "\n[bing]\nresults = //li[hasclass('b_algo')]//h2/a/@href\n";
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_root.isValid());
        m_program = m_root.filePath(QStringLiteral("prog"));
        m_data = m_root.filePath(QStringLiteral("data"));
        QDir(m_data).removeRecursively();
        write(m_program + QStringLiteral("/rules/2019.ini"), set("2019"));
        write(m_program + QStringLiteral("/rules/2026.ini"), set("2026"));
        QVERIFY(QDir().mkpath(m_data));
    }

    void firstGivenPlaceDecides()
    {
        using RuleSetChoice::choose;
        QCOMPARE(choose({}, m_program, m_data).rules->name(), QStringLiteral("2010"));
        write(m_data + QStringLiteral("/rules.ini"), set("mine"));
        QCOMPARE(choose({}, m_program, m_data).rules->name(), QStringLiteral("mine"));
        write(m_data + QStringLiteral("/endpoints.ini"), "[endpoints]\nbing=http://127.0.0.1:1\nrules=2019\n");
        QCOMPARE(choose({}, m_program, m_data).rules->name(), QStringLiteral("2019"));
        QCOMPARE(choose(QStringLiteral("2026"), m_program, m_data).rules->name(), QStringLiteral("2026"));
        QCOMPARE(choose(QStringLiteral("2010"), m_program, m_data).rules->name(), QStringLiteral("2010"));
        QCOMPARE(choose(m_data + QStringLiteral("/rules.ini"), m_program, m_data).rules->name(),
                 QStringLiteral("mine"));
        QVERIFY(choose(QStringLiteral("2026"), m_program, m_data).refused.isEmpty());
    }

    void aBrokenSetIsRefusedAndSaid()
    {
        const QString file = m_data + QStringLiteral("/rules.ini");
        write(file, "[set]\nname = broken\n[bing]\ncount = //span\ncount.step = trim\n");
        const RuleSetChoice::Choice c = RuleSetChoice::choose({}, m_program, m_data);
        QCOMPARE(c.rules->name(), QStringLiteral("2010"));
        QVERIFY2(c.refused.startsWith(QDir::toNativeSeparators(file) + QStringLiteral(":5: unknown step \"trim\"")),
                 qPrintable(c.refused));
        QVERIFY(c.refused.endsWith(QStringLiteral("built-in set 2010")));

        const RuleSetChoice::Choice unknown = RuleSetChoice::choose(QStringLiteral("1999"), m_program, m_data);
        QCOMPARE(unknown.rules->name(), QStringLiteral("2010"));
        QVERIFY2(unknown.refused.contains(QStringLiteral("no rule set named 1999")), qPrintable(unknown.refused));
    }

    // Every shipped set, and the built-in one, reads each of its sample
    // pages for every engine and purpose it has rules for.
    void shippedSetsReadTheirSamples_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("checks");
        QTest::newRow("2010") << QStringLiteral("2010") << 10; // Baidu: the page count alone
        QTest::newRow("2019") << QStringLiteral("2019") << 12;
        QTest::newRow("2026") << QStringLiteral("2026") << 12;
    }
    void shippedSetsReadTheirSamples()
    {
        QFETCH(QString, name);
        QFETCH(int, checks);
        std::unique_ptr<PageRuleSet> rules;
        if (name == QLatin1String("2010"))
            rules = std::make_unique<BuiltinRuleSet>();
        else
            rules = shipped(name);
        QVERIFY(rules);
        const QList<RuleDoctor::Check> found = RuleDoctor::checkSamples(*rules, shippedRules());
        QCOMPARE(found.size(), checks);
        for (const RuleDoctor::Check &c : found)
            QVERIFY2(c.reads && c.verdict == QLatin1String("reads"), qPrintable(lines(found).join(u'\n')));
        QSet<QString> engines;
        for (const RuleDoctor::Check &c : found)
            engines.insert(c.engine);
        QCOMPARE(engines.size(), 4);
    }

    // A rule that finds nothing on its sample is named; a set naming no
    // sample, or one that cannot be read, fails rather than passing.
    void aRuleThatReadsNothingIsNamed()
    {
        const QString samples = shippedRules() + QStringLiteral("/samples/");
        const QString file = m_data + QStringLiteral("/broken.ini");
        write(file,
              "[set]\nname = broken\n[bing]\n"
              "count = //span[hasclass('sb_count_renamed')]\n"
              "results = //li[hasclass('b_algo')]//h2/a/@href\n"
              "related = //div[hasclass('b_rs')]//a\n"
              "sample = "
                  + samples.toUtf8()
                  + "bing-2021-hello.html\n"
                    "sample.related = no-such-page.html\n"
                    "[yahoo]\n"
                    "count = //div[hasclass('compPagination')]/span\n"
                    "count.step = digits\n");
        RuleSetError error;
        auto set = XPathRuleSet::load(file, &error);
        QVERIFY2(set, qPrintable(error.toString()));
        const QStringList got = lines(RuleDoctor::checkSamples(*set, shippedRules()));
        const QString missing = QDir::toNativeSeparators(m_data + QStringLiteral("/no-such-page.html"));
        QCOMPARE(got,
                 (QStringList{
                     QStringLiteral("yahoo count -: failed: no sample page"),
                     QStringLiteral("bing count bing-2021-hello.html: unrecognised page (missing: count)"),
                     QStringLiteral("bing related no-such-page.html: failed: cannot read %1: No such file or "
                                    "directory")
                         .arg(missing),
                     QStringLiteral("bing results bing-2021-hello.html: reads"),
                 }));
    }

    // Live: one request per engine through the endpoints; a wall is
    // "blocked", an unknown page names what found nothing, no answer is
    // "failed" with its reason, and a page with no related searches still
    // reads.
    void liveChecksAskEachEngineOnce()
    {
        TinyHttpServer web;
        QVERIFY(web.listen());
        ClosedPort closed;
        QVERIFY(closed.isValid());
        auto set = shipped(QStringLiteral("2026"));
        QVERIFY(set);
        QFile bing(shippedRules() + QStringLiteral("/samples/bing-2026-javascript-tutorial.html"));
        QVERIFY(bing.open(QIODevice::ReadOnly));
        web.setPage(QStringLiteral("/search?q=seo&setmkt=en-US"), bing.readAll());
        web.setPage(QStringLiteral("/search?hl=en&q=seo"),
                    "<html><body><form id=\"captcha-form\" action=\"/sorry\"></form></body></html>");
        web.setPage(QStringLiteral("/search?p=seo"), "<html><body><p>We have moved things around.</p></body></html>");
        Endpoints endpoints;
        endpoints.setBase(Endpoints::Service::Google, web.baseUrl());
        endpoints.setBase(Endpoints::Service::Yahoo, web.baseUrl());
        endpoints.setBase(Endpoints::Service::Bing, web.baseUrl());
        endpoints.setBase(Endpoints::Service::Baidu, closed.url());
        const QStringList got = lines(RuleDoctor::checkLive(*set, endpoints, QStringLiteral("seo"), 2));
        QCOMPARE(got,
                 (QStringList{
                     QStringLiteral("google count live: blocked"),
                     QStringLiteral("google related live: blocked"),
                     QStringLiteral("google results live: blocked"),
                     QStringLiteral("yahoo count live: unrecognised page (missing: count, results)"),
                     QStringLiteral("yahoo related live: unrecognised page (missing: related, results)"),
                     QStringLiteral("yahoo results live: unrecognised page (missing: results)"),
                     QStringLiteral("bing count live: reads"),
                     QStringLiteral("bing related live: reads"),
                     QStringLiteral("bing results live: reads"),
                     QStringLiteral("baidu count live: failed: connection refused"),
                     QStringLiteral("baidu related live: failed: connection refused"),
                     QStringLiteral("baidu results live: failed: connection refused"),
                 }));
        QCOMPARE(web.hits.size(), 3);
    }
};

QTEST_GUILESS_MAIN(TestRuleChoice)
#include "test_rule_choice.moc"
