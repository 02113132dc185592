// The page rules of the Baidu figures and of the keyword tool's results area.

#include "engines/BaiduPages.h"
#include "engines/KeywordToolPage.h"

#include <QtTest>

namespace {

QString dailyPage(const QList<int> &values)
{
    QString page = QStringLiteral("<div id=\"data\">");
    for (int v : values)
        page += QStringLiteral("<p d=\"2026-01-01\" p1=\"%1\" p2=\"7\"></p>").arg(v);
    return page + QStringLiteral("</div>");
}

// A results row the way a browser serialises it: every attribute quoted.
QString toolRow(const QString &keyword, const QString &bars, const QString &volume = QStringLiteral("1,000"))
{
    return QStringLiteral(
               "<tr><td class=\"c0\">%1</td><td class=\"c1\">1-3</td><td class=\"c2\">US$1.20</td>"
               "<td class=\"c3\"><div class=\"data\">%2</div></td><td class=\"c4\"><div class=\"data\">%3</div>"
               "</td></tr>")
        .arg(keyword, bars, volume);
}

QString bars(int w1, int w2)
{
    QString out = QStringLiteral("<span class=\"indicatorbar\" style=\"width: %1px\"></span>").arg(w1);
    if (w2 >= 0)
        out += QStringLiteral("<span class=\"indicatorbar\" style=\"width: %1px\"></span>").arg(w2);
    return out;
}

} // namespace

class TestBaiduAndToolPages : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void dailyIndexAveragesThirtyDays()
    {
        // 40 entries of 100: 4000 / 30 rounds to 133; the 30th is the latest day.
        const auto pair = [](const QString &page) { return BaiduPages::GetIndex(page).value; };
        QCOMPARE(pair(dailyPage(QList<int>(40, 100))), QStringLiteral("133-100"));
        // 10 entries: the sum over 30 all the same, and no latest day.
        QCOMPARE(pair(dailyPage(QList<int>(10, 100))), QStringLiteral("33-"));
        // Ties go to the even neighbour: 75 / 30 = 2.5 -> 2; 105 / 30 = 3.5 -> 4.
        QCOMPARE(pair(dailyPage({75, 0})), QStringLiteral("2-"));
        QCOMPARE(pair(dailyPage({105, 0})), QStringLiteral("4-"));
        // Fewer than two entries on the data page: no data.
        QCOMPARE(BaiduPages::GetIndex(dailyPage({500})).kind, BaiduPages::Reading::Kind::NoData);
        // Changed on purpose: a day value that is not a count (once read as
        // 0) makes the page unreadable, as does a page that is not the data.
        using Kind = BaiduPages::Reading::Kind;
        QCOMPARE(BaiduPages::GetIndex(QStringLiteral("<p d=1 p1=\"x\"><p d=2 p1=\"60\">")).kind, Kind::Unreadable);
        QCOMPARE(BaiduPages::GetIndex(QStringLiteral("<p d=1 p1=\"-100\"><p d=2 p1=\"-100\">")).kind, Kind::Unreadable);
        QCOMPARE(BaiduPages::GetIndex(QStringLiteral("<p d=1 p1=\"1e3\"><p d=2 p1=\"60\">")).kind, Kind::Unreadable);
        QCOMPARE(BaiduPages::GetIndex(QString()).kind, Kind::Unreadable);
        QCOMPARE(BaiduPages::GetIndex(QStringLiteral("<html><title>503 Service Unavailable</title></html>")).kind,
                 Kind::Unreadable);
    }

    void provinceTotalsAreScaled()
    {
        QCOMPARE(BaiduPages::scaleProvinceTotal(99), 208); // 207.9
        QCOMPARE(BaiduPages::scaleProvinceTotal(100), 190);
        QCOMPARE(BaiduPages::scaleProvinceTotal(999), 1049); // 1048.95
        QCOMPARE(BaiduPages::scaleProvinceTotal(1000), 1000);
        QCOMPARE(BaiduPages::scaleProvinceTotal(0), 0);
        const QString page = QStringLiteral("<a name=\"x\" data=\"40\" /><a data=\"50\" /><a data=\"9\" />");
        QCOMPARE(BaiduPages::provinceTotal(page), std::optional<qint64>(99));
        // The latest day is not in province data: "0", never a made-up figure.
        QCOMPARE(BaiduPages::GetMonthIndex(page).value, QStringLiteral("208-0"));
        // Changed on purpose: a value that is not a count (once skipped), a
        // negative one and a page without entries give no figures at all.
        using Kind = BaiduPages::Reading::Kind;
        QCOMPARE(BaiduPages::GetMonthIndex(QStringLiteral("<a data=\"40\" /><a data=\"oops\" />")).kind,
                 Kind::Unreadable);
        QCOMPARE(BaiduPages::GetMonthIndex(QStringLiteral("<a data=\"40\" /><a data=\"-500\" />")).kind,
                 Kind::Unreadable);
        QCOMPARE(BaiduPages::GetMonthIndex(QString()).kind, Kind::Unreadable);
    }

    void onlyCountsAndPairsAreFigures()
    {
        for (const char *bad :
             {"", "-100", "+5", "1e9", "nan", "inf", " 12", "1,230", "<b>1230</b>", "1234567890123", "１２"})
            QVERIFY2(!BaiduPages::isCount(QString::fromUtf8(bad)), bad);
        QVERIFY(BaiduPages::isCount(QStringLiteral("0")));
        QVERIFY(BaiduPages::isCount(QStringLiteral("123456789012")));
        for (const char *bad : {"-100--100", "99999999999999-5", "nan-inf", "12", "-5", "1-2-3", "1 -2", "<html>"})
            QVERIFY2(!BaiduPages::figuresAnswer(QString::fromLatin1(bad)), bad);
        QCOMPARE(BaiduPages::figuresAnswer(QStringLiteral(" 1234-1500\r\n")), std::optional<QString>("1234-1500"));
        QCOMPARE(BaiduPages::figuresAnswer(QStringLiteral("33-")), std::optional<QString>("33-"));
        // The index of the largest counts stays a plain number.
        QCOMPARE(BaiduPages::optimisationIndex(QStringLiteral("999999999999"), QStringLiteral("1")),
                 QStringLiteral("9999999999990000"));
        QCOMPARE(BaiduPages::optimisationIndex(QStringLiteral("1e5"), QStringLiteral("10")), QStringLiteral("0"));
        QCOMPARE(BaiduPages::optimisationIndex(QStringLiteral("-100"), QStringLiteral("10")), QStringLiteral("0"));
    }

    void monthRange()
    {
        QCOMPARE(BaiduPages::GetMonthstr(QDate(2026, 12, 7)), QStringLiteral("202611|202612"));
        QCOMPARE(BaiduPages::GetMonthstr(QDate(2027, 1, 31)), QStringLiteral("202612|202701"));
    }

    void searchCountAndIndex()
    {
        QCOMPARE(BaiduPages::searchCount(QStringLiteral("<div>找到相关网页约2,000,000篇，用时0.02秒</div>")).value,
                 QStringLiteral("2000000"));
        // Baidu's no-result page is a real 0; any other page without the
        // count is no count (changed on purpose: it once read as "0").
        QCOMPARE(BaiduPages::searchCount(QStringLiteral("<p>抱歉，没有找到与“<em>x</em>”相关的网页。</p>")).value,
                 QStringLiteral("0"));
        QVERIFY(!BaiduPages::searchCount(QStringLiteral("<div>没有找到</div>")).hasFigures());
        QVERIFY(!BaiduPages::searchCount(QStringLiteral("<h1>503 Service Unavailable</h1>")).hasFigures());
        QVERIFY(!BaiduPages::searchCount(QStringLiteral("找到相关网页<b>约1,230</b>篇")).hasFigures());
        QVERIFY(!BaiduPages::searchCount(QStringLiteral("找到相关网页约-5篇")).hasFigures());
        QCOMPARE(BaiduPages::optimisationIndex(QStringLiteral("500"), QStringLiteral("2000000")),
                 QStringLiteral("2.5"));
        QCOMPARE(BaiduPages::optimisationIndex(QStringLiteral("1"), QStringLiteral("3")), QStringLiteral("3333.33"));
        QCOMPARE(BaiduPages::optimisationIndex(QStringLiteral("500"), QStringLiteral("0")), QStringLiteral("0"));
        QCOMPARE(BaiduPages::optimisationIndex(QStringLiteral("-"), QStringLiteral("10")), QStringLiteral("0"));
        QCOMPARE(BaiduPages::optimisationIndex(QStringLiteral("5"), QString()), QStringLiteral("0"));
        // A very small ratio in exponent form is read whole, to four decimals.
        QCOMPARE(BaiduPages::optimisationIndex(QStringLiteral("1"), QStringLiteral("20000000")),
                 QStringLiteral("0.0005"));

        QCOMPARE(BaiduPages::GetSeoZs(QStringLiteral("12.3456")), QStringLiteral("12.34"));
        QCOMPARE(BaiduPages::GetSeoZs(QStringLiteral("7")), QStringLiteral("7"));
        QCOMPARE(BaiduPages::GetSeoZs(QStringLiteral("nonsense")), QStringLiteral("0"));

        QCOMPARE(BaiduPages::splitPair(QStringLiteral("1234-1500")), QStringList({"1234", "1500"}));
        QCOMPARE(BaiduPages::splitPair(QStringLiteral("1234")), QStringList({"1234", ""}));
        QCOMPARE(BaiduPages::pairValue(QStringLiteral("1500")), QStringLiteral("1500"));
        QCOMPARE(BaiduPages::pairValue(QStringLiteral("00")), QStringLiteral("0"));
        QCOMPARE(BaiduPages::pairValue(QString()), QStringLiteral("0"));
        QCOMPARE(BaiduPages::pairValue(QStringLiteral("abc")), QStringLiteral("0"));
    }

    void keywordsArePercentEncoded()
    {
        QCOMPARE(BaiduPages::dailyIndexPath(QStringLiteral(" a&b c+d#e ")),
                 QStringLiteral("/tools/get_data.php?q=a%26b+c%2Bd%23e"));
        QCOMPARE(BaiduPages::searchPath(QStringLiteral("中")), QStringLiteral("/s?wd=%D6%D0"));
        QCOMPARE(
            BaiduPages::provincePath(QStringLiteral("202611|202612"), QStringLiteral("SEO&Co")),
            QStringLiteral("/main/get_province_data.php?type=1&time=202611%7C202612&area=0&word=seo%26co&index=1"));
        QCOMPARE(BaiduPages::figuresAskPath(QStringLiteral("a&b c")), QStringLiteral("/kw.asp?kw=a%26b%20c"));
        QCOMPARE(BaiduPages::figuresReportPath(QStringLiteral("1-2"), QStringLiteral("a#b"), QStringLiteral("p+q")),
                 QStringLiteral("/kw.asp?nums=1-2&kw=a%23b&parents=p%2Bq"));
    }

    void competitionBands()
    {
        QCOMPARE(KeywordToolPage::competitionText(45, 5), QStringLiteral("90%(激烈)"));
        QCOMPARE(KeywordToolPage::competitionText(46, 4), QStringLiteral("92%(非常激烈)"));
        QCOMPARE(KeywordToolPage::competitionText(30, 70), QStringLiteral("30%(缓和)"));
        QCOMPARE(KeywordToolPage::competitionText(31, 69), QStringLiteral("31%(一般)"));
        QCOMPARE(KeywordToolPage::competitionText(61, 39), QStringLiteral("61%(激烈)"));
        // 12.5 and 37.5 round to the even neighbour.
        QCOMPARE(KeywordToolPage::competitionText(1, 7), QStringLiteral("12%(缓和)"));
        QCOMPARE(KeywordToolPage::competitionText(3, 5), QStringLiteral("38%(一般)"));
        // Two empty bars divide by nothing: an empty cell.
        QCOMPARE(KeywordToolPage::competitionText(0, 0), QString());

        const QString html = KeywordToolPage::normalise(toolRow("a", bars(45, 5)));
        QCOMPARE(KeywordToolPage::rows(html).value(0).competition, QStringLiteral("90%(激烈)"));
        QCOMPARE(KeywordToolPage::rows(KeywordToolPage::normalise(toolRow("a", bars(50, -1)))).value(0).competition,
                 QStringLiteral("100%(非常激烈)"));
        QCOMPARE(KeywordToolPage::rows(KeywordToolPage::normalise(toolRow("a", bars(0, 0)))).value(0).competition,
                 QString());
        const QString fractional = QStringLiteral("<span class=indicatorbar style=\"width: 4.5px\"></span>"
                                                  "<span class=indicatorbar style=\"width: 5px\"></span>");
        QCOMPARE(KeywordToolPage::competition(fractional), QString());
        QCOMPARE(KeywordToolPage::competition(QStringLiteral("no bars")), QString());
    }

    void resultRows()
    {
        const QString area = QStringLiteral("<table><tr><th>Keyword</th></tr>")
            + toolRow("SEO Tools", bars(30, 70), "12,100") + toolRow("Tom &amp; Jerry", bars(46, 4))
            + QStringLiteral("</table>");
        const QString html = KeywordToolPage::normalise(area);
        const QVector<KeywordToolPage::Row> rows = KeywordToolPage::rows(html);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.at(0).keyword, QStringLiteral("seo tools")); // read from lower-cased markup
        QCOMPARE(rows.at(0).position, QStringLiteral("1-3"));
        QCOMPARE(rows.at(0).cost, QStringLiteral("us$1.20"));
        QCOMPARE(rows.at(0).competition, QStringLiteral("30%(缓和)"));
        QCOMPARE(rows.at(0).volume, QStringLiteral("12,100"));
        QCOMPARE(rows.at(1).keyword, QStringLiteral("tom & jerry"));

        QString many;
        for (int i = 0; i < 250; ++i)
            many += toolRow(QStringLiteral("k%1").arg(i), bars(1, 1));
        const QVector<KeywordToolPage::Row> capped = KeywordToolPage::rows(KeywordToolPage::normalise(many));
        QCOMPARE(capped.size(), 200);
        QCOMPARE(capped.last().keyword, QStringLiteral("k199"));
    }

    void resultsReadiness()
    {
        const QString html = KeywordToolPage::normalise(toolRow("seo", bars(1, 1)));
        QVERIFY(!KeywordToolPage::resultsReady(QStringLiteral("<p>loading...</p>"), {}, true));
        QVERIFY(KeywordToolPage::resultsReady(html, {}, true));
        // Rows listed already: ready only once the first keyword differs.
        QVERIFY(!KeywordToolPage::resultsReady(html, QStringLiteral("seo"), false));
        QVERIFY(KeywordToolPage::resultsReady(html, QStringLiteral("web"), false));
        QCOMPARE(KeywordToolPage::firstKeyword(html), QStringLiteral("seo"));
    }
};

QTEST_GUILESS_MAIN(TestBaiduAndToolPages)
#include "test_baidu_and_tool_pages.moc"
