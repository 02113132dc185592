// The Baidu re-query of the mining list against the stand-in: which requests
// go out, which figures land in which cells, and what a failure leaves.

#include "common/ListPair.h"
#include "common/PageReader.h"
#include "common/ResultList.h"
#include "engines/BaiduPages.h"
#include "pagerules/XPathRuleSet.h"
#include "research/BaiduTools.h"
#include "research/RelatedMiner.h"
#include "support/TestEnv.h"
#include "support/TinyHttpServer.h"

#include <QtTest>

namespace {

class RecordingReader : public PageReader
{
public:
    QString page;
    QStringList asked;
    QString readPage(const QString &address, int) override
    {
        asked << address;
        return page;
    }
};

const BaiduTools::Columns kColumns{RelatedMiner::kBaiduVolumeColumn, RelatedMiner::kBaiduLatestColumn,
                                   RelatedMiner::kBaiduPagesColumn, RelatedMiner::kBaiduIndexColumn};

QStringList baiduCells(const ResultList &list, const QString &keyword)
{
    const int r = list.findText(keyword);
    QStringList out;
    for (int c = 4; c <= 7; ++c)
        out << list.cell(r, c);
    return out;
}

} // namespace

class TestBaiduTools : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<TestEnv> f;
    std::unique_ptr<ListPair> lists;
    std::unique_ptr<BaiduTools> tools;

    void addRow(const QString &keyword)
    {
        lists->addRow(keyword, {QStringLiteral("10"), QStringLiteral("20"), QStringLiteral("30")});
    }
    int requests(const QString &service, const QString &path) const
    {
        int n = 0;
        for (const auto &r : f->web().log(service))
            n += r.path == path ? 1 : 0;
        return n;
    }

private Q_SLOTS:
    void init()
    {
        f = std::make_unique<TestEnv>(TestEnv::OwnWeb);
        QVERIFY(f->isValid());
        // No figures service unless a test configures one.
        f->context->endpoints().setBase(Endpoints::Service::Figures, QString());
        lists = std::make_unique<ListPair>(RelatedMiner::resultHeaders(), RelatedMiner::reserveHeaders(),
                                           RelatedMiner::kRestoredColumns);
        tools = std::make_unique<BaiduTools>(f->context->endpoints(), f->context->pageReader(), f->context->jobStatus(),
                                             f->context->clock(), f->context->pageRules());
    }
    void cleanup()
    {
        tools.reset();
        lists.reset();
        f.reset();
    }

    void bothOptionsOffSendNothing()
    {
        addRow(QStringLiteral("seo"));
        f->web().clearLog();
        QCOMPARE(tools->requery(*lists, kColumns, QStringLiteral("seo"), {}), BaiduTools::Outcome::Done);
        QVERIFY(f->web().log().isEmpty());
        QCOMPARE(baiduCells(lists->shown(), "seo"), QStringList({"0", "0", "0", "0"}));
        QCOMPARE(baiduCells(lists->reserve(), "seo"), QStringList({"0", "0", "0", "0"}));
        // The engine counts stay as they were.
        QCOMPARE(lists->shown().cell(0, 1), QStringLiteral("10"));
        QCOMPARE(tools->requery(*lists, kColumns, QString(), {}), BaiduTools::Outcome::NoKeyword);
    }

    void dailyIndexFiguresAndTheirReport()
    {
        f->context->endpoints().setBase(Endpoints::Service::Figures, f->web().serviceBase(QStringLiteral("figures")));
        f->web().setIndexDays(QStringLiteral("seo"), QList<int>(40, 100));
        addRow(QStringLiteral("web"));
        addRow(QStringLiteral("seo"));
        BaiduTools::Options o;
        o.volume = true;
        o.parent = QStringLiteral("web");
        QCOMPARE(tools->requery(*lists, kColumns, QStringLiteral("seo"), o), BaiduTools::Outcome::Done);
        // The service had nothing: asked, then the daily data, then the report.
        QCOMPARE(requests(QStringLiteral("figures"), QStringLiteral("/kw.asp")), 2 + 1); // detection + ask, report
        QCOMPARE(f->web().figuresReports(), QList<QStringList>({{"133-100", "seo", "web"}}));
        QCOMPARE(baiduCells(lists->shown(), "seo"), QStringList({"133", "100", "0", "0"}));
        QCOMPARE(baiduCells(lists->reserve(), "seo"), QStringList({"133", "100", "0", "0"}));
        QCOMPARE(lists->shown().cell(0, 4), QString()); // the other row is untouched

        // The service answers now: no daily data is read.
        f->web().clearLog();
        QCOMPARE(tools->requery(*lists, kColumns, QStringLiteral("seo"), o), BaiduTools::Outcome::Done);
        QCOMPARE(requests(QStringLiteral("baiduindex"), QStringLiteral("/tools/get_data.php")), 0);
        QCOMPARE(baiduCells(lists->shown(), "seo").mid(0, 2), QStringList({"133", "100"}));
    }

    void shortDailyDataAndTheSwitchToProvinceData()
    {
        f->web().setIndexDays(QStringLiteral("ten"), QList<int>(10, 90));
        f->web().setIndexDays(QStringLiteral("none"), {});
        f->web().setProvinceValues(QStringLiteral("late"), {40, 50, 9});
        for (const char *k : {"ten", "none", "late"})
            addRow(QString::fromLatin1(k));
        BaiduTools::Options o;
        o.volume = true;
        // Ten days: the sum over thirty, no latest day -> "0".
        tools->requery(*lists, kColumns, QStringLiteral("ten"), o);
        QCOMPARE(baiduCells(lists->shown(), "ten").mid(0, 2), QStringList({"30", "0"}));
        QCOMPARE(tools->indexFailCount(), 0);
        // Two pages without data switch later lookups to the province data.
        tools->requery(*lists, kColumns, QStringLiteral("none"), o);
        QCOMPARE(baiduCells(lists->shown(), "none").mid(0, 2), QStringList({"0", "0"}));
        tools->requery(*lists, kColumns, QStringLiteral("none"), o);
        QCOMPARE(tools->indexFailCount(), 2);
        f->web().clearLog();
        tools->requery(*lists, kColumns, QStringLiteral("late"), o);
        QCOMPARE(requests(QStringLiteral("baiduindex"), QStringLiteral("/tools/get_data.php")), 0);
        QCOMPARE(requests(QStringLiteral("baiduindex"), QStringLiteral("/main/get_province_data.php")), 1);
        const auto item = f->web().log(QStringLiteral("baiduindex")).value(0).items;
        QCOMPARE(item.value(1).second, BaiduPages_monthRange());
        QCOMPARE(baiduCells(lists->shown(), "late").mid(0, 2), QStringList({"208", "0"}));
    }

    void pageCountAndIndex()
    {
        TinyHttpServer baidu;
        QVERIFY(baidu.listen());
        f->context->endpoints().setBase(Endpoints::Service::Baidu, baidu.baseUrl());
        f->context->endpoints().setBase(Endpoints::Service::Figures, f->web().serviceBase(QStringLiteral("figures")));
        f->web().setFigures(QStringLiteral("seo tools"), QStringLiteral("500-450"));
        QStringEncoder gbk("GB18030");
        baidu.setPage(QStringLiteral("/s?wd=seo+tools"),
                      gbk.encode(QStringLiteral("<html><body><div>找到相关网页约2,000,000篇</div></body></html>")),
                      "text/html; charset=gb2312");
        addRow(QStringLiteral("seo tools"));
        BaiduTools::Options o;
        o.volume = true;
        o.pages = true;
        QCOMPARE(tools->requery(*lists, kColumns, QStringLiteral("seo tools"), o), BaiduTools::Outcome::Done);
        QCOMPARE(baiduCells(lists->shown(), "seo tools"), QStringList({"500", "450", "2000000", "2.5"}));
        QCOMPARE(baiduCells(lists->reserve(), "seo tools"), QStringList({"500", "450", "2000000", "2.5"}));
    }

    void emptySearchPageFallsBackToTheBrowser()
    {
        TinyHttpServer baidu;
        QVERIFY(baidu.listen());
        f->context->endpoints().setBase(Endpoints::Service::Baidu, baidu.baseUrl());
        baidu.setPage(QStringLiteral("/s?wd=seo"), QByteArray(), "text/html; charset=gb2312");
        RecordingReader reader;
        reader.page = QStringLiteral("<body>找到相关网页约1,500篇</body>");
        BaiduTools withBrowser(f->context->endpoints(), &reader, f->context->jobStatus(), f->context->clock(),
                               f->context->pageRules());
        addRow(QStringLiteral("seo"));
        BaiduTools::Options o;
        o.pages = true;
        withBrowser.requery(*lists, kColumns, QStringLiteral("seo"), o);
        QCOMPARE(reader.asked, QStringList({baidu.baseUrl() + QStringLiteral("/s?wd=seo")}));
        QCOMPARE(baiduCells(lists->shown(), "seo"), QStringList({"0", "0", "1500", "0"}));
    }

    void failedRequestsAreNeverFigures()
    {
        addRow(QStringLiteral("seo"));
        lists->setCell(QStringLiteral("seo"), RelatedMiner::kBaiduVolumeColumn, QStringLiteral("777"));
        standin::Behaviour broken;
        broken.status = 500;
        f->web().setBehaviour(QStringLiteral("/baiduindex/"), broken);
        f->web().setBehaviour(QStringLiteral("/baidu/s"), broken);
        BaiduTools::Options o;
        o.volume = true;
        o.pages = true;
        // No page reader: the search page has no fall-back either.
        QCOMPARE(tools->requery(*lists, kColumns, QStringLiteral("seo"), o), BaiduTools::Outcome::Failed);
        // The good volume stays; the cells that never had one say the request failed.
        QCOMPARE(baiduCells(lists->shown(), "seo"),
                 QStringList({"777", BaiduTools::failedText(), BaiduTools::failedText(), BaiduTools::failedText()}));
        QCOMPARE(f->context->jobStatus().state(), JobStatus::Idle);
    }

    // A search page the rules cannot read says so in the pages cell, and a
    // wall says it is one; neither is a figure.
    void unreadableSearchPagesSayWhy()
    {
        TinyHttpServer baidu;
        QVERIFY(baidu.listen());
        f->context->endpoints().setBase(Endpoints::Service::Baidu, baidu.baseUrl());
        QStringEncoder gbk("GB18030");
        baidu.setPage(QStringLiteral("/s?wd=seo"),
                      gbk.encode(QStringLiteral("<html><body><p>网站维护中</p></body></html>")),
                      "text/html; charset=gb2312");
        baidu.setPage(QStringLiteral("/s?wd=sem"),
                      gbk.encode(QStringLiteral("<html><head><title>百度安全验证</title></head><body></body></html>")),
                      "text/html; charset=gb2312");
        addRow(QStringLiteral("seo"));
        addRow(QStringLiteral("sem"));
        BaiduTools::Options o;
        o.pages = true;
        QCOMPARE(tools->requery(*lists, kColumns, QStringLiteral("seo"), o), BaiduTools::Outcome::Failed);
        QCOMPARE(baiduCells(lists->shown(), "seo").at(2), QStringLiteral("页面无法识别"));
        QCOMPARE(baiduCells(lists->reserve(), "seo").at(2), QStringLiteral("页面无法识别"));

        RuleSetError error;
        auto set = XPathRuleSet::load(QStringLiteral(VELTRANA_SOURCE_DIR "/rules/2019.ini"), &error);
        QVERIFY2(set, qPrintable(error.toString()));
        BaiduTools with2019(f->context->endpoints(), nullptr, f->context->jobStatus(), f->context->clock(), *set);
        QCOMPARE(with2019.requery(*lists, kColumns, QStringLiteral("sem"), o), BaiduTools::Outcome::Failed);
        QCOMPARE(baiduCells(lists->shown(), "sem").at(2), QStringLiteral("被搜索引擎拦截"));
    }

    // Pages anyone may serve: whatever is not a count of sane length is a
    // failed figure, never a number, and nothing of it is passed on.
    void hostilePagesAreNeverFigures_data()
    {
        QTest::addColumn<QString>("prefix"); // what the hostile page stands in for
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("figuresAnswers"); // the figures service answers the same page
        QTest::addColumn<int>("cell");            // the first cell that must fail

        QByteArray minus;
        for (int i = 0; i < 30; ++i)
            minus += "<p d=\"2026-01-01\" p1=\"-100\" p2=\"1\"></p>\n";
        const QByteArray errorPage = "<html><head><title>503 Service Unavailable</title></head>"
                                     "<body><h1>Service Unavailable</h1></body></html>";
        const QByteArray lots(8 * 1024 * 1024, '7');
        const QString daily = QStringLiteral("/baiduindex/tools/get_data.php");
        const QString search = QStringLiteral("/baidu/s");
        QTest::newRow("daily values -100") << daily << ("<div id=\"data\">" + minus + "</div>") << false << 4;
        QTest::newRow("daily 503 page, status 200") << daily << errorPage << false << 4;
        QTest::newRow("daily value of 8 MB")
            << daily << ("<div id=\"data\"><p d=1 p1=\"" + lots + "\"><p d=2 p1=\"1\"></div>") << false << 4;
        QTest::newRow("figures overflow, daily 503") << daily << errorPage << true << 4;
        QTest::newRow("search 503 page, status 200") << search << errorPage << false << 6;
        QTest::newRow("search count cut around a tag")
            << search << QStringLiteral("<div>找到相关网页<b>约1,230</b>篇</div>").toUtf8() << false << 6;
        QTest::newRow("search count of 8 MB")
            << search << (QStringLiteral("<div>找到相关网页约").toUtf8() + lots + QStringLiteral("篇</div>").toUtf8())
            << false << 6;
        QTest::newRow("search count negative")
            << search << QStringLiteral("<div>找到相关网页约-5篇</div>").toUtf8() << false << 6;
    }
    void hostilePagesAreNeverFigures()
    {
        QFETCH(QString, prefix);
        QFETCH(QByteArray, body);
        QFETCH(bool, figuresAnswers);
        QFETCH(int, cell);
        f->context->endpoints().setBase(Endpoints::Service::Figures, f->web().serviceBase(QStringLiteral("figures")));
        if (figuresAnswers) {
            f->web().setFigures(QStringLiteral("seo"), QStringLiteral("99999999999999-5"));
        }
        standin::Behaviour hostile;
        hostile.replacesBody = true;
        hostile.body = body;
        hostile.contentType = "text/html; charset=utf-8";
        f->web().setBehaviour(prefix, hostile);
        addRow(QStringLiteral("seo"));
        // Figures shown before: they stay where a request failed.
        lists->setCell(QStringLiteral("seo"), RelatedMiner::kBaiduVolumeColumn, QStringLiteral("777"));
        lists->setCell(QStringLiteral("seo"), RelatedMiner::kBaiduPagesColumn, QStringLiteral("5000"));
        BaiduTools::Options o;
        o.volume = true;
        o.pages = true;
        QCOMPARE(tools->requery(*lists, kColumns, QStringLiteral("seo"), o), BaiduTools::Outcome::Failed);
        const QStringList cells = baiduCells(lists->shown(), QStringLiteral("seo"));
        const QString failed = BaiduTools::failedText();
        if (cell == 4)
            QCOMPARE(QStringList({cells.at(0), cells.at(1), cells.at(3)}), QStringList({"777", failed, failed}));
        else
            QCOMPARE(cells.mid(2), QStringList({"5000", failed}));
        for (const QString &value : cells)
            QVERIFY2(value == failed || BaiduPages::isCount(value), qPrintable(value.left(40)));
        QCOMPARE(baiduCells(lists->reserve(), QStringLiteral("seo")), cells);
        // Nothing read from a hostile page went on to the figures service.
        for (const QStringList &report : f->web().figuresReports())
            QVERIFY2(BaiduPages::isPair(report.value(0)), qPrintable(report.join(u'|')));
        if (cell == 4)
            QVERIFY(f->web().figuresReports().isEmpty());
    }

    void unreadableFiguresAnswersFallBackToTheDailyData()
    {
        f->context->endpoints().setBase(Endpoints::Service::Figures, f->web().serviceBase(QStringLiteral("figures")));
        f->web().setIndexDays(QStringLiteral("seo"), QList<int>(30, 60));
        addRow(QStringLiteral("seo"));
        BaiduTools::Options o;
        o.volume = true;
        for (const char *answer : {"nan-inf", "99999999999999-5", "-100--100", "<html>503</html>"}) {
            f->web().setFigures(QStringLiteral("seo"), QString::fromLatin1(answer));
            QCOMPARE(tools->requery(*lists, kColumns, QStringLiteral("seo"), o), BaiduTools::Outcome::Done);
            QCOMPARE(baiduCells(lists->shown(), QStringLiteral("seo")).mid(0, 2), QStringList({"60", "60"}));
        }
        QCOMPARE(f->web().figuresReports().size(), 4);
        for (const QStringList &report : f->web().figuresReports())
            QCOMPARE(report.value(0), QStringLiteral("60-60"));
    }

    void hostileProvinceDataIsNoFigure()
    {
        // Two failed daily pages switch to the province data.
        standin::Behaviour broken;
        broken.status = 500;
        broken.times = 2;
        f->web().setBehaviour(QStringLiteral("/baiduindex/tools/"), broken);
        addRow(QStringLiteral("seo"));
        BaiduTools::Options o;
        o.volume = true;
        tools->requery(*lists, kColumns, QStringLiteral("seo"), o);
        tools->requery(*lists, kColumns, QStringLiteral("seo"), o);
        QCOMPARE(tools->indexFailCount(), 2);
        lists->setCell(QStringLiteral("seo"), RelatedMiner::kBaiduVolumeColumn, QStringLiteral("321"));
        for (const QList<int> &values : {QList<int>{40, -500, 9}, QList<int>{}}) {
            f->web().setProvinceValues(QStringLiteral("seo"), values);
            QCOMPARE(tools->requery(*lists, kColumns, QStringLiteral("seo"), o), BaiduTools::Outcome::Failed);
            QCOMPARE(baiduCells(lists->shown(), QStringLiteral("seo")).mid(0, 2),
                     QStringList({QStringLiteral("321"), BaiduTools::failedText()}));
        }
        f->web().setProvinceValues(QStringLiteral("seo"), {40, 50, 9});
        QCOMPARE(tools->requery(*lists, kColumns, QStringLiteral("seo"), o), BaiduTools::Outcome::Done);
        QCOMPARE(baiduCells(lists->shown(), QStringLiteral("seo")).mid(0, 2), QStringList({"208", "0"}));
    }

    void reservedCharactersArriveAsTyped()
    {
        f->context->endpoints().setBase(Endpoints::Service::Figures, f->web().serviceBase(QStringLiteral("figures")));
        const QString keyword = QStringLiteral("a&b c+d#e");
        f->web().setIndexDays(keyword, QList<int>(30, 30));
        addRow(keyword);
        BaiduTools::Options o;
        o.volume = true;
        o.pages = true;
        o.parent = QStringLiteral("x&y");
        tools->requery(*lists, kColumns, keyword, o);
        QStringList seen;
        for (const auto &r : f->web().log()) {
            for (const auto &item : r.items) {
                if (item.first == u"q" || item.first == u"kw" || item.first == u"wd" || item.first == u"parents")
                    seen << r.service + QLatin1Char(':') + item.first + QLatin1Char('=') + item.second;
            }
        }
        QVERIFY2(seen.contains(QStringLiteral("figures:kw=") + keyword), qPrintable(seen.join(" | ")));
        QVERIFY(seen.contains(QStringLiteral("baiduindex:q=") + keyword));
        QVERIFY(seen.contains(QStringLiteral("baidu:wd=") + keyword));
        QVERIFY(seen.contains(QStringLiteral("figures:parents=x&y")));
        QCOMPARE(baiduCells(lists->shown(), keyword).mid(0, 2), QStringList({"30", "30"}));
    }

private:
    static QString BaiduPages_monthRange()
    {
        const QDate today = FakeClock::fixedDay(); // the test environment's day
        return today.addMonths(-1).toString(QStringLiteral("yyyyMM")) + QLatin1Char('|')
            + today.toString(QStringLiteral("yyyyMM"));
    }
};

QTEST_GUILESS_MAIN(TestBaiduTools)
#include "test_baidu_tools.moc"
