#include "pagerules/HtmlDocument.h"
#include "pagerules/RuleSteps.h"
#include "pagerules/XPathRuleSet.h"

#include <QDir>
#include <QFile>
#include <QUrl>
#include <QtTest>

using PageRules::Purpose;
using PageRules::Reading;

// The XPath rule sets: the named steps, the file format and its refusals,
// the four states a page reads as, and the shipped sets on real saved pages.
class TestRuleSets : public QObject
{
    Q_OBJECT

    // A saved page; "samples/..." is one shipped beside the rule sets.
    static QString realPage(const QString &name)
    {
        QFile f(name.startsWith(QLatin1String("samples/")) ? QStringLiteral(VELTRANA_SOURCE_DIR "/rules/") + name
                                                           : QStringLiteral(VELTRANA_REALPAGES_DIR "/") + name);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll());
    }

    static std::unique_ptr<XPathRuleSet> shipped(const QString &name)
    {
        RuleSetError error;
        auto set =
            XPathRuleSet::load(QStringLiteral(VELTRANA_SOURCE_DIR "/rules/") + name + QStringLiteral(".ini"), &error);
        if (!set)
            qWarning("%s", qPrintable(error.toString()));
        return set;
    }

    static std::unique_ptr<XPathRuleSet> parsed(const QString &text)
    {
        RuleSetError error;
        auto set = XPathRuleSet::parse(text, QStringLiteral("t.ini"), &error);
        if (!set)
            qWarning("%s", qPrintable(error.toString()));
        return set;
    }

    // A listed host "youtube.com" stands for www.youtube.com as well.
    static bool sameSite(const QString &host, const QString &listed)
    {
        return host == listed || host == QStringLiteral("www.") + listed;
    }

private Q_SLOTS:
    void steps_data()
    {
        QTest::addColumn<QString>("step");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("regex capture") << "regex ([0-9,]+) results"
                                       << "About 1,230 results (0.4 s)"
                                       << "1,230";
        QTest::newRow("regex no match drops") << "regex ([0-9]+) results"
                                              << "no count"
                                              << "";
        QTest::newRow("digits") << "digits"
                                << "约1,230个"
                                << "1230";
        QTest::newRow("digits none drops") << "digits"
                                           << "about"
                                           << "";
        QTest::newRow("urldecode") << "urldecode"
                                   << "caf%C3%A9+menu" << QString::fromUtf8("café menu");
        QTest::newRow("query google") << "query q"
                                      << "/url?q=https://a.com/watch%3Fv%3D1&sa=U"
                                      << "https://a.com/watch?v=1";
        QTest::newRow("query path segment") << "query RU"
                                            << "https://r.search.yahoo.com/_ylt=x/RU=https%3a%2f%2fwww.b.com%2f/RK=2"
                                            << "https://www.b.com/";
        QTest::newRow("query direct link kept") << "query q"
                                                << "https://c.org/page"
                                                << "https://c.org/page";
        QTest::newRow("base64url bing") << "base64url"
                                        << "a1aHR0cHM6Ly93d3cudzNzY2hvb2xzLmNvbS9qcy8"
                                        << "https://www.w3schools.com/js/";
        QTest::newRow("base64url broken drops") << "base64url"
                                                << "a1!!!"
                                                << "";
        QTest::newRow("striptags") << "striptags"
                                   << "seo <b>tools</b>"
                                   << "seo tools";
        QTest::newRow("host") << "host"
                              << "https://en.wikipedia.org/wiki/X"
                              << "en.wikipedia.org";
        QTest::newRow("lower") << "lower"
                               << "Hello Kitty"
                               << "hello kitty";
    }
    void steps()
    {
        QFETCH(QString, step);
        QFETCH(QString, value);
        QFETCH(QString, expected);
        QString error;
        const std::optional<RuleStep> parsedStep = RuleStep::parse(step, &error);
        QVERIFY2(parsedStep, qPrintable(error));
        QCOMPARE(applySteps({*parsedStep}, value), expected);
    }

    void stepsRunInOrder()
    {
        QString error;
        const RuleSteps steps = {*RuleStep::parse(QStringLiteral("regex ([0-9][0-9,]*) results"), &error),
                                 *RuleStep::parse(QStringLiteral("digits"), &error)};
        // Digits first would run the seconds into the count.
        QCOMPARE(applySteps(steps, QStringLiteral("About 35,400,000 results (0.41 seconds)")),
                 QStringLiteral("35400000"));
    }

    void badFilesNameLineAndReason_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("reason");
        QTest::newRow("unknown section") << "[set]\nname=x\n[altavista]\n" << 3 << "unknown section";
        QTest::newRow("unknown key") << "[bing]\ncount=//a\ncolor=red\n" << 3 << "unknown key \"color\"";
        QTest::newRow("bad xpath") << "# c\n[bing]\nresults=//li[\n" << 3 << "bad XPath for results";
        QTest::newRow("unknown step") << "[bing]\ncount=//a\ncount.step=trim\n" << 3 << "unknown step \"trim\"";
        QTest::newRow("regex without capture") << "[bing]\ncount=//a\ncount.step=regex [0-9]+\n" << 3 << "one capture";
        QTest::newRow("bad regex") << "[bing]\ncount=//a\ncount.step=regex (\n" << 3 << "bad regular expression";
        QTest::newRow("steps without rule") << "[bing]\nrelated.step=lower\ncount=//a\n" << 2 << "no XPath";
        QTest::newRow("no equals") << "[bing]\ncount //a\n" << 2 << "key = value";
        QTest::newRow("key before section") << "count=//a\n" << 1 << "before any section";
        QTest::newRow("rank path without start") << "[bing]\npath.rank=/search?q={keyword}\n" << 2 << "{start}";
        QTest::newRow("no engine") << "[set]\nname=x\n" << 0 << "no engine section";
    }
    void badFilesNameLineAndReason()
    {
        QFETCH(QString, text);
        QFETCH(int, line);
        QFETCH(QString, reason);
        RuleSetError error;
        QVERIFY(!XPathRuleSet::parse(text, QStringLiteral("my.ini"), &error));
        QCOMPARE(error.file, QStringLiteral("my.ini"));
        QCOMPARE(error.line, line);
        QVERIFY2(error.reason.contains(reason), qPrintable(error.reason));
        QVERIFY(error.toString().startsWith(QStringLiteral("my.ini")));
    }

    void unreadableFileIsRefused()
    {
        RuleSetError error;
        QVERIFY(!XPathRuleSet::load(QStringLiteral("/nonexistent/rules.ini"), &error));
        QCOMPARE(error.line, 0);
        QVERIFY(!error.reason.isEmpty());
    }

    void pageStates()
    {
        const auto set = parsed(QStringLiteral("[set]\nname = mine\n[bing]\n"
                                               "count = //span[hasclass('sb_count')]\ncount.step = digits\n"
                                               "related = //div[hasclass('b_rs')]//a\n"
                                               "results = //li[hasclass('b_algo')]/h2/a/@href\n"
                                               "noresults = //li[hasclass('b_no')]\n"
                                               "blocked = //div[@id='captcha']\n"));
        QVERIFY(set);
        QCOMPARE(set->name(), QStringLiteral("mine"));
        const QString results = QStringLiteral(
            "<ol><li class=b_algo><h2><a href=http://a.com/>A</a></h2></li>"
            "<li class='x b_algo'><h2><a href='http://b.com/'>B</a></h2></li></ol>"
            "<span class=sb_count>1,234 results</span>"
            "<div class=b_rs><a>seo tools</a><a> </a><a>seo tools</a><a>&lt;span class=x&gt;2</a></div>");
        Reading r = set->read(QStringLiteral("bing"), Purpose::Results, results);
        QCOMPARE(r.state, Reading::State::Read);
        QCOMPARE(r.values, QStringList({"http://a.com/", "http://b.com/"}));
        r = set->read(QStringLiteral("bing"), Purpose::Count, results);
        QCOMPARE(r.values, QStringList{"1234"});
        // Markup, blanks and repeats are never keywords.
        r = set->read(QStringLiteral("bing"), Purpose::Related, results);
        QCOMPARE(r.values, QStringList{"seo tools"});

        const QString none = QStringLiteral("<ol><li class=b_no>No results found for x</li></ol>");
        for (Purpose p : {Purpose::Count, Purpose::Related, Purpose::Results}) {
            r = set->read(QStringLiteral("bing"), p, none);
            QCOMPARE(r.state, Reading::State::NoResults);
            QVERIFY(!r.failed());
            QVERIFY(r.values.isEmpty());
        }

        const QString odd = QStringLiteral("<html><body><p>We have moved things around.</p></body></html>");
        r = set->read(QStringLiteral("bing"), Purpose::Count, odd);
        QCOMPARE(r.state, Reading::State::Unrecognised);
        QVERIFY(r.failed());
        QCOMPARE(r.reason(), QStringLiteral("unrecognised page"));
        QCOMPARE(r.reasonText(), QStringLiteral("页面无法识别"));
        QCOMPARE(r.missing, QStringLiteral("count, results"));
        r = set->read(QStringLiteral("bing"), Purpose::Results, QString());
        QCOMPARE(r.state, Reading::State::Unrecognised);
        QCOMPARE(r.missing, QStringLiteral("results"));

        // A wall is a wall even where results show behind it.
        r = set->read(QStringLiteral("bing"), Purpose::Results, results + QStringLiteral("<div id=captcha></div>"));
        QCOMPARE(r.state, Reading::State::Blocked);
        QCOMPARE(r.reason(), QStringLiteral("blocked"));
        QCOMPARE(r.reasonText(), QStringLiteral("被搜索引擎拦截"));

        // An engine the set says nothing of reads nothing.
        QCOMPARE(set->read(QStringLiteral("google"), Purpose::Results, results).state, Reading::State::Unrecognised);
    }

    void shippedSetsParse()
    {
        for (const QString &name : {QStringLiteral("2019"), QStringLiteral("2026")}) {
            const auto set = shipped(name);
            QVERIFY(set);
            QCOMPARE(set->name(), name);
            for (const QString &engine :
                 {QStringLiteral("google"), QStringLiteral("yahoo"), QStringLiteral("bing"), QStringLiteral("baidu")})
                QVERIFY2(set->hasEngine(engine), qPrintable(name + QLatin1Char(' ') + engine));
        }
    }

    void realPages_data()
    {
        QTest::addColumn<QString>("set");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("engine");
        QTest::addColumn<QString>("count"); // empty: the page states none
        QTest::addColumn<QStringList>("related");
        QTest::addColumn<QStringList>("hosts"); // the first hosts, in order ("" skips a place)
        const QStringList none;
        QTest::newRow("google 2014") << "2019"
                                     << "google-2014-india-population.html"
                                     << "google"
                                     << "96000000"
                                     << QStringList{"india population 2012",    "india population density",
                                                    "most populated countries", "india population problems",
                                                    "india religion",           "india population control",
                                                    "pakistan population",      "united states of america population"}
                                     << QStringList{"cia.gov", "en.wikipedia.org"};
        QTest::newRow("google 2019") << "2019"
                                     << "google-2019-attack-on-titan.html"
                                     << "google"
                                     << "35400000"
                                     << QStringList{"attack on titan season 3 part 2 release date",
                                                    "attack on titan season 3 part 2 trailer",
                                                    "attack on titan season 3 part 2 opening",
                                                    "attack on titan season 4 release date",
                                                    "attack on titan season 3 episode list",
                                                    "attack on titan season 3 myanimelist",
                                                    "attack on titan season 2",
                                                    "attack on titan season 3 crunchyroll"}
                                     << QStringList{"crunchyroll.com",  "myanimelist.net",  "denofgeek.com",
                                                    "yourcountdown.to", "en.wikipedia.org", "en.wikipedia.org",
                                                    "newsweek.com",     "comicbook.com"};
        QTest::newRow("google 2021 basic")
            << "2019"
            << "google-2021-hello-basic.html"
            << "google"
            << "" << QStringList{"Hello meaning",  "Hello word",  "HELLO magazine", "Hello definition",
                                 "Hello Neighbor", "Hello Hello", "Hello song",     "Conkarah Hello"}
            << QStringList{"youtube.com",       "youtube.com",     "en.wikipedia.org", "azlyrics.com",
                           "hellomagazine.com", "metrolyrics.com", "supersimple.com",  "hellotractor.com"};
        QTest::newRow("google 2023 no-js")
            << "2019"
            << "google-2023-google-nojs.html"
            << "google"
            << "" << QStringList{"www.google search web",
                                 "Google account",
                                 "Google Maps",
                                 "Google Mail",
                                 "Google Play",
                                 "Google image search upload",
                                 "Google Account sign in",
                                 "Google Images"}
            << QStringList{"www.google.com",    "www.google.com", "www.google.com", "www.google.com",
                           "www.google.com",    "www.google.com", "www.google.com", "maps.google.com",
                           "images.google.com", "edu.google.com"};
        QTest::newRow("bing 2013") << "2019"
                                   << "bing-2013-dataquantum.html"
                                   << "bing"
                                   << "1"
                                   << QStringList{"Quantum Data 701A", "Quantum Data 780", "Quantum Data Storage",
                                                  "Quantum Data Systems"}
                                   << QStringList{"trade.mar.cx"};
        QTest::newRow("bing 2021") << "2019"
                                   << "bing-2021-hello.html"
                                   << "bing"
                                   << "104000000"
                                   << QStringList{"british hello magazine",    "hello magazine uk subscription",
                                                  "hello fresh home page",     "latest hello magazine",
                                                  "hello song youtube",        "hello magazine uk current issue",
                                                  "hello from the other side", "hello magazine uk hello magazine"}
                                   << QStringList{"hellomagazine.com",
                                                  "helloneighborgame.com",
                                                  "youtube.com",
                                                  "hello.com",
                                                  "merriam-webster.com",
                                                  "thefreedictionary.com",
                                                  "dictionary.cambridge.org",
                                                  "youtube.com",
                                                  "en.wikipedia.org"};
        QTest::newRow("bing 2022") << "2019"
                                   << "bing-2022-dan-robitzski.html"
                                   << "bing"
                                   << "25" << none
                                   << QStringList{"futurism.com",        "futurism.com",   "futurism.com",
                                                  "the-scientist.com",   "futurism.com",   "the-scientist.com",
                                                  "the-scientist.com",   "news.yahoo.com", "the-scientist.com",
                                                  "realclearscience.com"};
        QTest::newRow("bing 2026") << "2026"
                                   << "bing-2026-javascript-tutorial.html"
                                   << "bing"
                                   << "52" << none
                                   << QStringList{"w3schools.com",        "w3schools.com", "w3schools.com",
                                                  "w3schools.com",        "w3schools.com", "w3schools.com",
                                                  "w3schools.com",        "w3schools.com", "w3schools.com",
                                                  "support.w3schools.com"};
        QTest::newRow("yahoo 2013") << "2019"
                                    << "yahoo-2013-au-hombres.html"
                                    << "yahoo"
                                    << "905000" << none << QStringList{"", "hombresconestilo.com"};
        QTest::newRow("yahoo 2019")
            << "2019"
            << "yahoo-2019-sudoku.html"
            << "yahoo"
            << "342000"
            << QStringList{"games puzzles brain teasers sudoku free",      "puzzles brain teasers iq tests",
                           "games puzzles brain teasers sudoku printable", "puzzles brain teasers games",
                           "games puzzles brain teasers sudoku answers",   "brain teasers jigsaw puzzles",
                           "games puzzles brain teasers sudoku online",    "puzzles brain teasers worksheets"}
            << QStringList{"amazon.com", "curlie.org",           "brainbashers.com", "puzzleprime.com", "mindgames.com",
                           "amazon.com", "toysgamespuzzles.com", "puzzles.pics",     "braingle.com",    "popsci.com"};
        QTest::newRow("yahoo 2021") << "2019"
                                    << "yahoo-2021-hello.html"
                                    << "yahoo"
                                    << "469000000"
                                    << QStringList{"hello fresh",    "hello lyrics", "hello smart", "daily mail",
                                                   "hello neighbor", "people",       "hello kitty", "hola"}
                                    << QStringList{
                                           "merriam-webster.com", "hellomagazine.com",    "youtube.com",
                                           "hello.com",           "dictionary.com",       "dictionary.cambridge.org",
                                           "en.wikipedia.org",    "us.hellomagazine.com", "youtube.com"};
        // Made from the rendered page's markup: "People also ask" answers and
        // short videos hold links too, and are no results.
        QTest::newRow("google 2026 rendered")
            << "2026"
            << "samples/google-2026-rendered-seo-tools.html"
            << "google"
            << "128000000"
            << QStringList{"seo tools free",          "best seo tools", "seo tools list", "google seo tools",
                           "seo tools for beginners", "ai seo tools",   "seo checker",    "semrush"}
            << QStringList{"ahrefs.com", "moz.com", "semrush.com", "backlinko.com", "en.wikipedia.org"};
        QTest::newRow("baidu 2013") << "2019"
                                    << "baidu-2013-smsc-within.html"
                                    << "baidu"
                                    << "8509" << none << none;
        QTest::newRow("baidu 2021") << "2019"
                                    << "baidu-2021-hello.html"
                                    << "baidu"
                                    << "100000000"
                                    << QStringList{QString::fromUtf8("Hello语音软件"),
                                                   QString::fromUtf8("hello有几种意思"),
                                                   "Hello Kitty",
                                                   QString::fromUtf8("Hello是什么意思"),
                                                   QString::fromUtf8("hello网络用语什么意思"),
                                                   QString::fromUtf8("hello的几种说法"),
                                                   QString::fromUtf8("Hello!音乐"),
                                                   QString::fromUtf8("儿歌hello"),
                                                   QString::fromUtf8("hellohello英文儿歌歌词")}
                                    << none;
    }
    void realPages()
    {
        QFETCH(QString, set);
        QFETCH(QString, file);
        QFETCH(QString, engine);
        QFETCH(QString, count);
        QFETCH(QStringList, related);
        QFETCH(QStringList, hosts);
        if (!QDir(QStringLiteral(VELTRANA_REALPAGES_DIR)).exists())
            QSKIP("the saved real pages are not beside the source tree");
        const QString page = realPage(file);
        QVERIFY(!page.isEmpty());
        const auto rules = shipped(set);
        QVERIFY(rules);

        const Reading c = rules->read(engine, Purpose::Count, page);
        QCOMPARE(c.state, Reading::State::Read);
        QCOMPARE(c.values.value(0), count);

        const Reading r = rules->read(engine, Purpose::Related, page);
        QCOMPARE(r.state, Reading::State::Read);
        QCOMPARE(r.values, related);

        if (hosts.isEmpty())
            return;
        const Reading links = rules->read(engine, Purpose::Results, page);
        QCOMPARE(links.state, Reading::State::Read);
        QVERIFY2(links.values.size() >= hosts.size(), qPrintable(links.values.join(QLatin1Char('\n'))));
        if (hosts.size() >= 8)
            QCOMPARE(links.values.size(), hosts.size());
        for (int i = 0; i < hosts.size(); ++i) {
            const QString host = QUrl(links.values.at(i)).host();
            QVERIFY2(hosts.at(i).isEmpty() || sameSite(host, hosts.at(i)),
                     qPrintable(QStringLiteral("%1: %2 where %3 is listed").arg(i + 1).arg(host, hosts.at(i))));
        }
    }

    void baiduOrdinaryResults()
    {
        if (!QDir(QStringLiteral(VELTRANA_REALPAGES_DIR)).exists())
            QSKIP("the saved real pages are not beside the source tree");
        // Baidu's own cards are no results; the ordinary ones show their site.
        const Reading links =
            shipped(QStringLiteral("2019"))
                ->read(QStringLiteral("baidu"), Purpose::Results, realPage(QStringLiteral("baidu-2021-hello.html")));
        QCOMPARE(links.state, Reading::State::Read);
        QCOMPARE(links.values.size(), 4);
        const QStringList hosts = {"www.iciba.com", "www.hello.com", "account.hisupplier.com", "dict.cn"};
        for (int i = 0; i < 4; ++i)
            QVERIFY2(links.values.at(i).startsWith(hosts.at(i)), qPrintable(links.values.at(i)));
    }
};

QTEST_GUILESS_MAIN(TestRuleSets)
#include "test_rule_sets.moc"
