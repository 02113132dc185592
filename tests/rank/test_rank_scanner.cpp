// The rank scanners against the stand-in's result pages and against
// hand-made pages: positions, thresholds, outputs, links, failures.

#include "RankFixture.h"
#include "engines/cKeyrank.h"
#include "support/ClosedPort.h"
#include "support/TinyHttpServer.h"
#include "web/FetchAbort.h"

#include <QElapsedTimer>
#include <QTimer>

class TestRankScanner : public QObject
{
    Q_OBJECT

    RankFixture f;

    cKeyrank scanner(const QString &site, const QString &keyword, int pages)
    {
        cKeyrank k(f.context->endpoints());
        k.url = site;
        k.Keyword = keyword;
        k.maxnum = pages;
        k.TryTime = 2;
        return k;
    }

    // A scanner whose Google is `server`, looking for "www.site.example" on "widgets".
    static cKeyrank googleAt(const Endpoints &endpoints, int pages)
    {
        cKeyrank k(endpoints);
        k.url = "www.site.example";
        k.Keyword = "widgets";
        k.maxnum = pages;
        k.TryTime = 2;
        return k;
    }
    static QString googlePath(int page)
    {
        return QString("/search?q=widgets&hl=en&newwindow=1&start=%1&sa=N").arg(page * 10);
    }
    // A Google page of `pieces` results with the site in piece `sitePiece` (0: nowhere).
    static QByteArray googlePage(int pieces, int sitePiece)
    {
        QByteArray page = "<html><body>";
        for (int k = 1; k <= pieces; ++k) {
            page += "<h3 class=r><a href=\"http://";
            page += k == sitePiece ? "www.site.example/p" : "other.example/";
            page += "\">r</a></h3>";
        }
        return page + "</body></html>";
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(f.start()); }
    void init()
    {
        f.web().clearBehaviours();
        f.web().clearLog();
    }

    void secondGooglePieceAndThreshold()
    {
        f.web().plantRank("google", "garden tools", "www.spade-site.com/shop/", 1);
        f.web().plantRank("google", "garden tools", "www.spade-site.com/rakes", 6);
        cKeyrank k = scanner("spade-site.com", "garden tools", 1);
        QCOMPARE(k.GetGoogleRank(0, 0), 2);
        QCOMPARE(k.GooglePageIndex, QString("0"));
        QCOMPARE(k.GoogleFoundUrl, QString("www.spade-site.com/shop"));
        QCOMPARE(k.GooglePageUrl, k.pageAddress(Engine::Google, 0));
        QVERIFY(!k.GoogleFailed);
        // A threshold skips to the next occurrence, then to nothing.
        QCOMPARE(k.GetGoogleRank(0, 2), 7);
        QCOMPARE(k.GoogleFoundUrl, QString("www.spade-site.com/rakes"));
        QCOMPARE(k.GetGoogleRank(0, 7), 0);
        QCOMPARE(k.GooglePageIndex, QString("1"));
        QVERIFY(k.GoogleFoundUrl.isEmpty());
        QVERIFY(k.GooglePageUrl.isEmpty());
    }

    void notFoundGivesZeroAndMaxnum()
    {
        cKeyrank k = scanner("nowhere-to-be-seen.org", "garden tools", 2);
        for (Engine e : kEngines) {
            QCOMPARE(k.GetRank(e, 0, 0), 0);
            const cKeyrank::Output o = k.output(e);
            QCOMPARE(o.pageIndex, QString("2"));
            QVERIFY(o.foundUrl.isEmpty());
            QVERIFY(o.pageUrl.isEmpty());
            QVERIFY(!o.failed); // the pages loaded: a real "not found"
        }
        QCOMPARE(k.pageRequests(), 6);
        // maxnum 0 or a start past the last page scans nothing.
        k.maxnum = 0;
        QCOMPARE(k.GetGoogleRank(0, 0), 0);
        QCOMPARE(k.GooglePageIndex, QString("0"));
        k.maxnum = 1;
        QCOMPARE(k.GetBingRank(3, 0), 0);
        QCOMPARE(k.pageRequests(), 6);
    }

    void laterPagesPerEngine_data()
    {
        QTest::addColumn<int>("engine");
        QTest::addColumn<int>("expected");
        QTest::addColumn<QString>("link");
        QTest::newRow("google") << 0 << 14 << "www.later-site.com/page";
        QTest::newRow("yahoo") << 1 << 15 << "www.later-site.com/page";
        QTest::newRow("bing") << 2 << 14 << "www.later-site.com/page";
    }
    void laterPagesPerEngine()
    {
        QFETCH(int, engine);
        QFETCH(int, expected);
        QFETCH(QString, link);
        const Engine e = Engine(engine);
        f.web().plantRank(engineKey(e), "patio chairs", "www.later-site.com/page", 13);
        cKeyrank k = scanner("www.later-site.com", "patio chairs", 2);
        QCOMPARE(k.GetRank(e, 0, 0), expected);
        QCOMPARE(k.output(e).pageIndex, QString("1"));
        QCOMPARE(k.output(e).foundUrl, link);
        QCOMPARE(k.output(e).pageUrl, k.pageAddress(e, 1));
        // Starting on the second page finds it with one request.
        f.web().clearLog();
        QCOMPARE(k.GetRank(e, 1, 0), expected);
        QCOMPARE(f.searches(engineKey(e)), 1);
    }

    void requestsCarryThePathAndQuery()
    {
        cKeyrank k = scanner("x.example", QString::fromUtf8("登山鞋 seo"), 2);
        k.GetGoogleRank(1, 0);
        k.GetYahooRank(1, 0);
        k.GetBingRank(1, 0);
        const auto items = [&](const QString &service) { return f.web().log(service).value(0).items; };
        using Items = QList<QPair<QString, QString>>;
        const QString kw = QString::fromUtf8("登山鞋 seo");
        QCOMPARE(items("google"), (Items{{"q", kw}, {"hl", "en"}, {"newwindow", "1"}, {"start", "10"}, {"sa", "N"}}));
        QCOMPARE(items("yahoo"), (Items{{"p", kw}, {"fr", "sfp"}, {"xargs", "0"}, {"b", "11"}}));
        QCOMPARE(items("bing"), (Items{{"q", kw}, {"first", "11"}}));
        QVERIFY(k.pageAddress(Engine::Google, 0).contains("q=%E7%99%BB%E5%B1%B1%E9%9E%8B seo&hl=en"));

        // A "#" in the keyword is part of the query, not the start of a fragment.
        f.web().clearLog();
        k.Keyword = "c# tutorial";
        k.GetBingRank(1, 0);
        QCOMPARE(items("bing"), (Items{{"q", "c# tutorial"}, {"first", "11"}}));
    }

    void yahooCountsTheHeadAsPositionOne()
    {
        // The stand-in's sponsor sits only above the first result.
        cKeyrank k = scanner("www.sponsor-deals.com", "rank tracker", 1);
        QCOMPARE(k.GetYahooRank(0, 0), 1);
        QCOMPARE(k.YahooFoundUrl, QString("www.sponsor-deals.com"));
        QCOMPARE(k.GetGoogleRank(0, 0), 0);
        QCOMPARE(k.GetBingRank(0, 0), 0);
        // Its first real result is piece 1: position 2.
        const QString page = "<p>head</p><div><h3><a href=\"r/**http%3a//www.first.com/\">A</a></h3></div>";
        QString link;
        QCOMPARE(cKeyrank::scanPage(Engine::Yahoo, page, 0, "www.first.com", 0, &link), 2);
        QCOMPARE(link, QString("www.first.com"));
    }

    void corpusKeepsSeveralOccurrences()
    {
        cKeyrank k = scanner("www.veltrana-demo.com", "rank tracker", 5);
        QList<int> found;
        int last = 0;
        int start = 0;
        while (true) {
            last = k.GetGoogleRank(start, last);
            if (last == 0)
                break;
            found << last;
            start = k.GooglePageIndex.toInt();
        }
        QCOMPARE(found, (QList<int>{2, 7, 24}));
    }

    void linkRules()
    {
        QString link;
        QCOMPARE(cKeyrank::scanPage(Engine::Google, "x<h3 class=r><a href=\"HTTP://Site/\">t</a>", 0, "Site", 0, &link),
                 1);
        QCOMPARE(link, QString("site"));
        QCOMPARE(cKeyrank::scanPage(Engine::Google, "x<h3 class=r><a href=\"Site/a\">t</a>", 2, "Site", 0, &link), 21);
        QCOMPARE(link, QString("Site/a"));
        const QString bing = "h<div class=\"sb_tsuf\"><h3><a href=\"/click?a=http%3a%2f%2fsite%2fpage\">site</a></h3>"
                             "<div class=\"sb_tsuf\"><a href=\"/c?a=http%3a%2f%2fother%2F\">other</a>";
        QCOMPARE(cKeyrank::scanPage(Engine::Bing, bing, 0, "site", 0, &link), 1);
        QCOMPARE(link, QString("site/page"));
        // Only the lower-case escape turns into "/".
        QCOMPARE(cKeyrank::scanPage(Engine::Bing, bing, 0, "other", 0, &link), 2);
        QCOMPARE(link, QString("other%2F"));
        // Bing tests only the first link of a piece.
        QCOMPARE(cKeyrank::scanPage(Engine::Bing, "<div class=\"sb_tsuf\"><a>x</a> site", 0, "site", 0, &link), 0);
        QCOMPARE(cKeyrank::normaliseLink("http://Www.A.com/"), QString("www.a.com"));
        QCOMPARE(cKeyrank::normaliseLink("Www.A.com/Path/"), QString("www.a.com/path"));
    }

    void matchIsCaseSensitive()
    {
        f.web().plantRank("google", "garden hoses", "www.hose-shop.com", 0);
        cKeyrank k = scanner("WWW.HOSE-SHOP.COM", "garden hoses", 1);
        QCOMPARE(k.GetGoogleRank(0, 0), 0);
        k.url = "www.hose-shop.com";
        QCOMPARE(k.GetGoogleRank(0, 0), 1);
    }

    void aPageFailingBeforeTheSiteMakesTheAnswerFailed()
    {
        TinyHttpServer server;
        QVERIFY(server.listen());
        Endpoints endpoints;
        endpoints.setBase(Endpoints::Service::Google, server.baseUrl());
        // Page 1 loads without the site, page 2 is not there (404).
        server.setPage(googlePath(0), googlePage(10, 0));
        cKeyrank k = googleAt(endpoints, 5);
        QCOMPARE(k.GetGoogleRank(0, 0), 0);
        QVERIFY(k.GoogleFailed);
        QCOMPARE(k.output(Engine::Google).fetch.failure, FetchOutcome::Failure::HttpStatus);
        QCOMPARE(k.output(Engine::Google).fetch.reason(), QString("HTTP status 404"));
        QCOMPARE(server.hits.size(), 2);

        // The site on a page that loaded before any failure is a real position.
        server.setPage(googlePath(0), googlePage(10, 4));
        QCOMPARE(k.GetGoogleRank(0, 0), 4);
        QVERIFY(!k.GoogleFailed);
        QCOMPARE(k.GoogleFoundUrl, QString("www.site.example/p"));
        // The next occurrence lies beyond the failed page: no answer.
        QCOMPARE(k.GetGoogleRank(0, 4), 0);
        QVERIFY(k.GoogleFailed);
    }

    void positionsAreWholeNumbersThatNeverWrap()
    {
        TinyHttpServer server;
        QVERIFY(server.listen());
        Endpoints endpoints;
        endpoints.setBase(Endpoints::Service::Google, server.baseUrl());
        server.setPage(googlePath(0), googlePage(33000, 32770));
        cKeyrank k = googleAt(endpoints, 1);
        QCOMPARE(k.GetGoogleRank(0, 0), 32770);
        QCOMPARE(k.GetGoogleRank(0, 32770), 0);
        QVERIFY(!k.GoogleFailed);
    }

    void aStopEndsThePageInFlight()
    {
        TinyHttpServer server;
        QVERIFY(server.listen());
        Endpoints endpoints;
        endpoints.setBase(Endpoints::Service::Google, server.baseUrl());
        server.setSilent(googlePath(0));
        FetchAbort stop;
        cKeyrank k = googleAt(endpoints, 5);
        k.TryTime = 10;
        k.abortOn = &stop;
        QTimer::singleShot(200, &stop, &FetchAbort::abort);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(k.GetGoogleRank(0, 0), 0);
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(k.GoogleFailed);
        QCOMPARE(k.output(Engine::Google).fetch.failure, FetchOutcome::Failure::Aborted);
        // Stopped stays stopped: nothing more is sent until the switch is reset.
        QCOMPARE(k.GetGoogleRank(1, 0), 0);
        QVERIFY(k.GoogleFailed);
        QCOMPARE(server.hits.size(), 1);
        stop.reset();
        server.setPage(googlePath(1), googlePage(10, 2));
        QCOMPARE(k.GetGoogleRank(1, 0), 12);
    }

    void failedPagesAreNotNotFound()
    {
        standin::Behaviour broken;
        broken.status = 503;
        f.web().setBehaviour("/google/search", broken);
        f.web().plantRank("google", "garden tools", "www.spade-site.com/shop/", 1);
        cKeyrank k = scanner("spade-site.com", "garden tools", 2);
        QCOMPARE(k.GetGoogleRank(0, 0), 0);
        QVERIFY(k.GoogleFailed);
        QCOMPARE(k.GooglePageIndex, QString("2"));
        QCOMPARE(k.output(Engine::Google).fetch.reason(), QString("HTTP status 503"));
        // The scan ends at the failed page: what follows it cannot make an answer.
        QCOMPARE(f.searches("google"), 1);

        // One page of two failing is no answer either (it used to be one):
        // the site may stand on the page that did not come.
        f.web().clearBehaviours();
        standin::Behaviour once = broken;
        once.times = 1;
        f.web().setBehaviour("/bing/search", once);
        QCOMPARE(k.GetBingRank(0, 0), 0);
        QVERIFY(k.BingFailed);

        // An empty page that did come is read: nothing on it.
        standin::Behaviour empty;
        empty.emptyBody = true;
        f.web().setBehaviour("/yahoo/search", empty);
        QCOMPARE(k.GetYahooRank(0, 0), 0);
        QVERIFY(!k.YahooFailed);
        // A page that never comes within the time limit is no answer.
        standin::Behaviour silent;
        silent.neverAnswer = true;
        f.web().setBehaviour("/yahoo/search", silent);
        k.TryTime = 1;
        k.maxnum = 1;
        QCOMPARE(k.GetYahooRank(0, 0), 0);
        QVERIFY(k.YahooFailed);
        f.web().clearBehaviours();

        // A refused connection.
        const ClosedPort closed;
        QVERIFY(closed.isValid());
        Endpoints nowhere;
        nowhere.setBase(Endpoints::Service::Yahoo, closed.url());
        cKeyrank refused(nowhere);
        refused.url = "a.com";
        refused.Keyword = "x";
        refused.maxnum = 1;
        refused.TryTime = 2;
        QCOMPARE(refused.GetYahooRank(0, 0), 0);
        QVERIFY(refused.YahooFailed);
        // The next call starts clean.
        refused.maxnum = 0;
        refused.GetYahooRank(0, 0);
        QVERIFY(!refused.YahooFailed);
    }
};

QTEST_GUILESS_MAIN(TestRankScanner)
#include "test_rank_scanner.moc"
