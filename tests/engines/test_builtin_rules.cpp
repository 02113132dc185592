#include "engines/BuiltinRules.h"
#include "engines/cKeyrank.h"

#include <QDir>
#include <QFile>
#include <QtTest>

using PageRules::Purpose;
using PageRules::Reading;

// The built-in "2010" set behind the rule-set interface: the 2010 real pages
// read as they always did, the two mends found on later real pages, and how
// a page that is no result page reads.
class TestBuiltinRules : public QObject
{
    Q_OBJECT

    BuiltinRuleSet m_rules;

    static QString realPage(const QString &name)
    {
        QFile f(QStringLiteral(VELTRANA_REALPAGES_DIR "/") + name);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    // Every position of `site` on the first result page, piece by piece.
    QList<int> positions(const QString &engine, const QString &page, const QString &site) const
    {
        QList<int> out;
        int rank = 0;
        while ((rank = m_rules.rankOnPage(engine, page, 0, site, rank, nullptr, nullptr)) > 0)
            out << rank;
        return out;
    }

private Q_SLOTS:
    void google2010ReadsAsItAlwaysDid()
    {
        if (!QDir(QStringLiteral(VELTRANA_REALPAGES_DIR)).exists())
            QSKIP("the saved real pages are not beside the source tree");
        const QString page = realPage(QStringLiteral("google-2010-ipod.html"));
        QVERIFY(!page.isEmpty());
        QCOMPARE(m_rules.name(), QStringLiteral("2010"));
        const Reading count = m_rules.read(QStringLiteral("google"), Purpose::Count, page);
        QCOMPARE(count.state, Reading::State::Read);
        QCOMPARE(count.values, QStringList{"281000000"});
        const Reading related = m_rules.read(QStringLiteral("google"), Purpose::Related, page);
        QCOMPARE(related.values,
                 QStringList({"ipod nano", "ipod touch", "ipod best buy", "ipod shuffle", "ipod support",
                              "ipod classic", "itunes", "apple"}));
        // Positions count pieces, the news block included.
        QCOMPARE(positions(QStringLiteral("google"), page, QStringLiteral("apple.com")), QList<int>({2, 3, 9}));
        QCOMPARE(positions(QStringLiteral("google"), page, QStringLiteral("en.wikipedia.org")), QList<int>{5});
    }

    void relatedRegionRunOnGivesNoMarkup()
    {
        if (!QDir(QStringLiteral(VELTRANA_REALPAGES_DIR)).exists())
            QSKIP("the saved real pages are not beside the source tree");
        // The 2014 region runs on into the page-number table: only the
        // eight suggestions are keywords, no tag fragment.
        const Reading related = m_rules.read(QStringLiteral("google"), Purpose::Related,
                                             realPage(QStringLiteral("google-2014-india-population.html")));
        QCOMPARE(related.values.size(), 8);
        QCOMPARE(related.values.first(), QStringLiteral("india population 2012"));
        for (const QString &v : related.values)
            QVERIFY2(PageRules::isKeywordCandidate(v), qPrintable(v));
        QVERIFY(!PageRules::isKeywordCandidate(QStringLiteral("<span class=\"csb gbil ch\">2")));
        QVERIFY(!PageRules::isKeywordCandidate(QStringLiteral("   ")));
        QVERIFY(!PageRules::isKeywordCandidate(QStringLiteral("next >")));
        QVERIFY(PageRules::isKeywordCandidate(QStringLiteral("seo tools")));
    }

    void bingWithoutItsMarkerFallsBackToOrganicLinks()
    {
        if (!QDir(QStringLiteral(VELTRANA_REALPAGES_DIR)).exists())
            QSKIP("the saved real pages are not beside the source tree");
        const QString page = realPage(QStringLiteral("bing-2013-dataquantum.html"));
        QVERIFY(!page.contains(QStringLiteral("sb_tsuf")));
        QString link;
        QCOMPARE(cKeyrank::scanPage(Engine::Bing, page, 0, QStringLiteral("trade.mar.cx"), 0, &link), 1);
        QCOMPARE(link, QStringLiteral("trade.mar.cx/_index/qu"));
        // Later markup: b_algo items.
        const QString later =
            QStringLiteral("<ol><li class=\"b_algo\"><h2><a href=\"https://a.com/\">A</a></h2></li>"
                           "<li class=\"b_algo\"><h2><a href=\"https://b.org/x\">B</a></h2></li></ol>");
        QCOMPARE(cKeyrank::scanPage(Engine::Bing, later, 1, QStringLiteral("b.org"), 0, &link), 12);
        QCOMPARE(link, QStringLiteral("https://b.org/x"));
        // A page with the marker is read by it alone: the translate link
        // outside the marked pieces is no result.
        const QString marked =
            QStringLiteral("<li class=\"b_algo\"><a href=\"http://c.net/\">C</a></li>"
                           "<div class=\"sb_tsuf\"><a href=\"/click?a=http%3a%2f%2fd.net%2f\">D</a></div>");
        QCOMPARE(cKeyrank::scanPage(Engine::Bing, marked, 0, QStringLiteral("c.net"), 0, &link), 0);
        QCOMPARE(cKeyrank::scanPage(Engine::Bing, marked, 0, QStringLiteral("d.net"), 0, &link), 1);
    }

    void pagesThatAreNoResultPages()
    {
        const QString odd = QStringLiteral("<html><body>We have moved things around</body></html>");
        for (const QString &engine : {QStringLiteral("google"), QStringLiteral("yahoo"), QStringLiteral("bing")}) {
            for (Purpose p : {Purpose::Count, Purpose::Related, Purpose::Results}) {
                const Reading r = m_rules.read(engine, p, odd);
                QCOMPARE(r.state, Reading::State::Unrecognised);
                QVERIFY(!r.missing.isEmpty());
            }
        }
        QCOMPARE(m_rules
                     .read(QStringLiteral("google"), Purpose::Count,
                           QStringLiteral("<p>Your search - <b>x</b> - did not match any documents.</p>"))
                     .state,
                 Reading::State::NoResults);
        QCOMPARE(m_rules
                     .read(QStringLiteral("yahoo"), Purpose::Related,
                           QStringLiteral("<p>We did not find results for: <b>x</b></p>"))
                     .state,
                 Reading::State::NoResults);
        QCOMPARE(m_rules
                     .read(QStringLiteral("bing"), Purpose::Results,
                           QStringLiteral("<p>No results found for <strong>x</strong>.</p>"))
                     .state,
                 Reading::State::NoResults);
        // A result page without a stated count is still a result page.
        const Reading c = m_rules.read(QStringLiteral("google"), Purpose::Count,
                                       QStringLiteral("<li class=g><h3 class=r><a href=\"http://a.com/\">A</a></h3>"));
        QCOMPARE(c.state, Reading::State::Read);
        QVERIFY(c.values.isEmpty());
        QCOMPARE(m_rules
                     .read(QStringLiteral("baidu"), Purpose::Count,
                           QString::fromUtf8("<div>找到相关网页约2,000,000篇</div>"))
                     .values,
                 QStringList{"2000000"});
        QCOMPARE(m_rules.read(QStringLiteral("baidu"), Purpose::Count, QStringLiteral("<h1>503</h1>")).state,
                 Reading::State::Unrecognised);
    }
};

QTEST_GUILESS_MAIN(TestBuiltinRules)
#include "test_builtin_rules.moc"
