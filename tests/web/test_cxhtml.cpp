// The page fetcher against the stand-in web and a byte-exact helper server:
// what is sent, how pages are decoded, and every way a fetch comes back empty.

#include "StandIn.h"
#include "common/ResultList.h"
#include "support/ClosedPort.h"
#include "support/TinyHttpServer.h"
#include "web/CXHtml.h"
#include "web/FetchAbort.h"
#include "web/M_base.h"

#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStringEncoder>
#include <QTimer>
#include <QtTest>

namespace {

const char kUtf8Meta[] = "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">";

QByteArray gbk(const QString &text)
{
    QStringEncoder enc("GB18030");
    return enc.encode(text);
}

} // namespace

class TestCXHtml : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void requestsCarryOnlyTheHeadersTheyNeed();
    void initTestCase();
    void init();

    void emptyUrlSendsNothing_data();
    void emptyUrlSendsNothing();
    void addressNormalisation();
    void getHttpPageDoesNotNormalise();
    void charsetDetection();
    void detectedCharsetSticksForTheNextAddress();
    void pageWithoutCharsetDecodesAsGb2312();
    void failuresGiveEmpty();
    void redirectGivesFinalPage();
    void silentServerTimesOut();
    void aStopEndsTheRequestInFlight();
    void userAgent();
    void noCookiesAreKept();
    void oversizedBodyGivesEmpty();
    void droppedConnectionGivesEmpty();
    void eventsRunDuringFetch();
    void outcomeSaysWhyThePageIsEmpty();
    void failuresAreLoggedOnlyWhenAsked();
    void bytesToBstr_data();
    void bytesToBstr();
    void getChar_data();
    void getChar();
    void markers_data();
    void markers();
    void urlEncode_data();
    void urlEncode();
    void isInList();

private:
    QString google(const QString &pathAndQuery) const
    {
        return m_standIn.serviceBase(QStringLiteral("google")) + pathAndQuery;
    }

    standin::StandIn m_standIn;
    TinyHttpServer m_tiny;
};

void TestCXHtml::initTestCase()
{
    QVERIFY(m_standIn.listen(0));
    QVERIFY(m_tiny.listen());

    const QString text = QStringLiteral("中文 café");
    m_tiny.setPage(QStringLiteral("/utf8"),
                   QByteArray("<html><head>") + kUtf8Meta + "</head><body>" + text.toUtf8() + "</body></html>");
    // "堃" is in GBK but not in GB2312: the page still decodes.
    m_tiny.setPage(QStringLiteral("/gbk"),
                   "<html><head><title>t</title></head><body>" + gbk(QStringLiteral("中文测试堃")) + "</body></html>");
}

void TestCXHtml::init()
{
    m_standIn.clearLog();
    m_standIn.clearBehaviours();
    m_tiny.hits.clear();
}

void TestCXHtml::emptyUrlSendsNothing_data()
{
    QTest::addColumn<QString>("charset");
    QTest::newRow("detect") << QString();
    QTest::newRow("utf-8") << QStringLiteral("utf-8");
    QTest::newRow("gb2312") << QStringLiteral("gb2312");
}

void TestCXHtml::emptyUrlSendsNothing()
{
    QFETCH(QString, charset);
    CXHtml page;
    page.charset = charset;
    QElapsedTimer clock;
    clock.start();
    QVERIFY(page.GetSrc().isEmpty());
    QVERIFY(clock.elapsed() < page.TryTime * 1000 / 2); // nothing waited for the time limit
    QVERIFY(page.url.isEmpty());
    QCOMPARE(page.charset, charset); // no detection happened either
    QVERIFY(m_standIn.log().isEmpty());
}

void TestCXHtml::addressNormalisation()
{
    const QString bare = google(QStringLiteral("/search?hl=en&q=seo")).mid(int(qstrlen("http://")));
    QVERIFY(bare.startsWith(QLatin1String("127.0.0.1:")));

    CXHtml page;
    page.charset = QStringLiteral("utf-8");
    page.url = bare;
    const QString text = page.GetSrc();
    QVERIFY(text.contains(QLatin1String("</b> of")));
    QCOMPARE(page.url, QStringLiteral("http://") + bare);

    // Calling again must not prefix twice.
    QVERIFY(!page.GetSrc().isEmpty());
    QCOMPARE(page.url, QStringLiteral("http://") + bare);

    // The test runs on the lower-cased text, so a capital scheme stays as it is
    // and the request still goes out.
    const QString upper = QStringLiteral("HTTP://") + bare;
    page.url = upper;
    QVERIFY(page.GetSrc().contains(QLatin1String("</b> of")));
    QCOMPARE(page.url, upper);

    QCOMPARE(m_standIn.log(QStringLiteral("google")).size(), 3);
    QCOMPARE(m_standIn.log(QStringLiteral("google")).first().path, QStringLiteral("/search"));

    // Only the start counts: an address that merely carries another one in
    // its query still gets its scheme.
    const QString carrying = bare + QStringLiteral("&next=http://www.example.com/");
    page.url = carrying;
    QVERIFY(page.GetSrc().contains(QLatin1String("</b> of")));
    QCOMPARE(page.url, QStringLiteral("http://") + carrying);
    QCOMPARE(m_standIn.log(QStringLiteral("google")).size(), 4);

    // An https address already names its scheme: it must not become
    // "http://https://...", which would send the request to a host called "https".
    page.url = QStringLiteral("https://127.0.0.1:1/x");
    page.TryTime = 1;
    page.GetSrc();
    QCOMPARE(page.url, QStringLiteral("https://127.0.0.1:1/x"));
}

void TestCXHtml::getHttpPageDoesNotNormalise()
{
    CXHtml page;
    const QString bare = google(QStringLiteral("/search?hl=en&q=seo")).mid(int(qstrlen("http://")));
    page.url = bare;
    QElapsedTimer clock;
    clock.start();
    QVERIFY(page.GetHttpPage(QStringLiteral("utf-8")).isEmpty());
    QCOMPARE(page.url, bare);
    // An address without a usable host is refused at once rather than after the time limit.
    QVERIFY(clock.elapsed() < page.TryTime * 1000 / 2);
    QVERIFY(m_standIn.log().isEmpty());

    page.url = QStringLiteral("http://") + bare;
    QVERIFY(page.GetHttpPage(QStringLiteral("utf-8")).contains(QLatin1String("</b> of")));
}

void TestCXHtml::charsetDetection()
{
    // Stand-in engine page: declares utf-8 in its head.
    CXHtml page;
    page.url = google(QStringLiteral("/search?hl=en&q=seo+tools"));
    QVERIFY(page.charset.isEmpty());
    QVERIFY(page.GetSrc().contains(QLatin1String("</b> of")));
    QCOMPARE(page.charset, QStringLiteral("utf-8"));
    const auto log = m_standIn.log(QStringLiteral("google"));
    QCOMPARE(log.size(), 2);
    QCOMPARE(log.at(0).query, log.at(1).query);

    // Byte-exact page: the non-ASCII text comes out right only when decoded as UTF-8.
    CXHtml utf8;
    utf8.url = m_tiny.baseUrl() + QStringLiteral("/utf8");
    const QString text = utf8.GetSrc();
    QCOMPARE(utf8.charset, QStringLiteral("utf-8"));
    QVERIFY2(text.contains(QStringLiteral("<body>中文 café</body>")), qPrintable(text));
    QCOMPARE(m_tiny.hitsFor(QStringLiteral("/utf8")).size(), 2);
}

void TestCXHtml::detectedCharsetSticksForTheNextAddress()
{
    CXHtml page;
    page.url = m_tiny.baseUrl() + QStringLiteral("/utf8");
    QVERIFY(!page.GetSrc().isEmpty());
    QCOMPARE(page.charset, QStringLiteral("utf-8"));

    // The next address is not detected again: one request, decoded as UTF-8.
    page.url = m_tiny.baseUrl() + QStringLiteral("/gbk");
    const QString text = page.GetSrc();
    QCOMPARE(m_tiny.hitsFor(QStringLiteral("/gbk")).size(), 1);
    QVERIFY(!text.contains(QStringLiteral("中文测试")));

    page.charset = QStringLiteral("gb2312");
    QVERIFY(page.GetSrc().contains(QStringLiteral("中文测试堃")));
}

void TestCXHtml::pageWithoutCharsetDecodesAsGb2312()
{
    CXHtml page;
    page.url = m_tiny.baseUrl() + QStringLiteral("/gbk");
    const QString text = page.GetSrc();
    QCOMPARE(page.charset, QStringLiteral("gb2312"));
    QVERIFY2(text.contains(QStringLiteral("<body>中文测试堃</body>")), qPrintable(text));
    QCOMPARE(m_tiny.hitsFor(QStringLiteral("/gbk")).size(), 2);

    // The stand-in maker's version page declares gb2312 itself.
    CXHtml maker;
    maker.url = m_standIn.serviceBase(QStringLiteral("maker")) + QStringLiteral("/veltrana/freever.htm");
    QVERIFY(maker.GetSrc().contains(QLatin1String("The latest free version is")));
    QCOMPARE(maker.charset, QStringLiteral("gb2312"));
}

void TestCXHtml::failuresGiveEmpty()
{
    CXHtml page;
    page.charset = QStringLiteral("utf-8");
    page.TryTime = 2;

    standin::Behaviour notFound;
    notFound.status = 404;
    m_standIn.setBehaviour(QStringLiteral("/google/search"), notFound);
    page.url = google(QStringLiteral("/search?hl=en&q=seo"));
    QVERIFY(page.GetSrc().isEmpty());
    QCOMPARE(page.lastStatus(), 404);
    QVERIFY(!page.lastTimedOut());

    standin::Behaviour serverError;
    serverError.status = 500;
    m_standIn.setBehaviour(QStringLiteral("/google/search"), serverError);
    QVERIFY(page.GetSrc().isEmpty());
    QCOMPARE(page.lastStatus(), 500);

    standin::Behaviour empty;
    empty.emptyBody = true;
    m_standIn.setBehaviour(QStringLiteral("/google/search"), empty);
    QVERIFY(page.GetSrc().isEmpty());
    QCOMPARE(page.lastStatus(), 200);

    // With detection on, a failing page is fetched for detection (gb2312
    // assumed) and again for the text: still empty.
    m_standIn.setBehaviour(QStringLiteral("/google/search"), notFound);
    m_standIn.clearLog();
    CXHtml detect;
    detect.url = google(QStringLiteral("/search?hl=en&q=seo"));
    QVERIFY(detect.GetSrc().isEmpty());
    QCOMPARE(detect.charset, QStringLiteral("gb2312"));
    QCOMPARE(m_standIn.log().size(), 2);

    // Nobody listening: empty at once, not after the time limit.
    const ClosedPort closed;
    QVERIFY(closed.isValid());
    page.url = closed.url(QStringLiteral("/x"));
    QElapsedTimer clock;
    clock.start();
    QVERIFY(page.GetSrc().isEmpty());
    QVERIFY(clock.elapsed() < 1500);
    QVERIFY(!page.lastTimedOut());

    // After a failure the same object fetches normally again.
    m_standIn.clearBehaviours();
    page.url = google(QStringLiteral("/search?hl=en&q=seo"));
    QVERIFY(page.GetSrc().contains(QLatin1String("</b> of")));
    QCOMPARE(page.lastStatus(), 200);
}

void TestCXHtml::redirectGivesFinalPage()
{
    standin::Behaviour moved;
    moved.redirectTo = QStringLiteral("/google/search?hl=en&q=moved+here");
    m_standIn.setBehaviour(QStringLiteral("/google/old"), moved);

    // Repeated: a redirect on a kept-alive connection must never send the
    // first request twice (engines count every request against us).
    for (int i = 0; i < 20; ++i) {
        m_standIn.clearLog();
        CXHtml page;
        page.charset = QStringLiteral("utf-8");
        page.url = google(QStringLiteral("/old"));
        const QString text = page.GetSrc();
        QVERIFY(text.contains(QLatin1String("</b> of")));
        QVERIFY(text.contains(QLatin1String("moved here")));
        QCOMPARE(page.lastStatus(), 200);

        const auto log = m_standIn.log(QStringLiteral("google"));
        QCOMPARE(log.size(), 2);
        QCOMPARE(log.at(0).path, QStringLiteral("/old"));
        QCOMPARE(log.at(1).path, QStringLiteral("/search"));
        // The redirected request is the program's own too: same agent.
        QCOMPARE(log.at(1).userAgent, CXHtml::defaultAgent());
    }

    // A chain with a relative Location ends on the final page.
    m_tiny.setRedirect(QStringLiteral("/r1"), (m_tiny.baseUrl() + QStringLiteral("/r2")).toLatin1());
    m_tiny.setRedirect(QStringLiteral("/r2"), "/final");
    m_tiny.setPage(QStringLiteral("/final"), "<p>final</p>");
    CXHtml chain;
    chain.charset = QStringLiteral("utf-8");
    chain.url = m_tiny.baseUrl() + QStringLiteral("/r1");
    QCOMPARE(chain.GetSrc(), QStringLiteral("<p>final</p>"));
    QCOMPARE(m_tiny.hits.size(), 3);

    // A loop ends after a bounded number of hops with the empty text.
    m_tiny.hits.clear();
    m_tiny.setRedirect(QStringLiteral("/loop"), "/loop");
    chain.url = m_tiny.baseUrl() + QStringLiteral("/loop");
    QVERIFY(chain.GetSrc().isEmpty());
    QCOMPARE(m_tiny.hits.size(), CXHtml::kMaxRedirects + 1);
    QCOMPARE(chain.lastStatus(), 302);
    QVERIFY(!chain.lastTimedOut());

    // A redirect to something that is not a web address is not followed.
    m_tiny.setRedirect(QStringLiteral("/tofile"), "file:///etc/passwd");
    chain.url = m_tiny.baseUrl() + QStringLiteral("/tofile");
    QVERIFY(chain.GetSrc().isEmpty());
    QCOMPARE(chain.lastStatus(), 302);
}

void TestCXHtml::silentServerTimesOut()
{
    standin::Behaviour silent;
    silent.neverAnswer = true;
    m_standIn.setBehaviour(QStringLiteral("/google/search"), silent);

    CXHtml page;
    page.charset = QStringLiteral("utf-8");
    page.TryTime = 1;
    page.url = google(QStringLiteral("/search?hl=en&q=seo"));
    QVERIFY(page.GetSrc().isEmpty());
    QVERIFY(page.lastTimedOut());
    QCOMPARE(m_standIn.log().size(), 1);

    // The abandoned request does not disturb the next one.
    m_standIn.clearBehaviours();
    QVERIFY(page.GetSrc().contains(QLatin1String("</b> of")));
    QVERIFY(!page.lastTimedOut());
}

void TestCXHtml::aStopEndsTheRequestInFlight()
{
    standin::Behaviour silent;
    silent.neverAnswer = true;
    m_standIn.setBehaviour(QStringLiteral("/google/search"), silent);
    FetchAbort stop;
    CXHtml page;
    page.charset = QStringLiteral("utf-8");
    page.TryTime = 10;
    page.abortOn = &stop;
    page.url = google(QStringLiteral("/search?hl=en&q=seo"));
    QTimer::singleShot(200, &stop, &FetchAbort::abort);
    QElapsedTimer clock;
    clock.start();
    FetchOutcome out = page.fetchOutcome();
    QVERIFY2(clock.elapsed() < 1500, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(out.failure, FetchOutcome::Failure::Aborted);
    QCOMPARE(out.reason(), QStringLiteral("stopped"));
    QVERIFY(!page.lastTimedOut());

    // Until the switch is reset nothing more is sent; then requests go again.
    m_standIn.clearBehaviours();
    QCOMPARE(page.fetchOutcome().failure, FetchOutcome::Failure::Aborted);
    QCOMPARE(m_standIn.log().size(), 1);
    stop.reset();
    QVERIFY(page.GetSrc().contains(QLatin1String("</b> of")));
}

void TestCXHtml::userAgent()
{
    QCOMPARE(CXHtml::defaultAgent(),
             QStringLiteral("Mozilla/5.0 (Windows; U; Windows NT 6.0; zh-CN; rv:1.9.0.3) Gecko/2008092417 "
                            "Firefox/3.0.3 (.NET CLR 3.5.30729)"));

    CXHtml page;
    page.url = google(QStringLiteral("/search?hl=en&q=seo"));
    QVERIFY(!page.GetSrc().isEmpty()); // detection and fetch: both carry it
    auto log = m_standIn.log();
    QCOMPARE(log.size(), 2);
    for (const auto &r : log)
        QCOMPARE(r.userAgent, CXHtml::defaultAgent());

    m_standIn.clearLog();
    page.agent = QStringLiteral("VeltranaTest/1.0 (custom)");
    QVERIFY(!page.GetSrc().isEmpty());
    log = m_standIn.log();
    QCOMPARE(log.size(), 1);
    QCOMPARE(log.first().userAgent, QStringLiteral("VeltranaTest/1.0 (custom)"));

    page.agent.clear();
    m_standIn.clearLog();
    QVERIFY(!page.GetSrc().isEmpty());
    QCOMPARE(m_standIn.log().first().userAgent, CXHtml::defaultAgent());
}

void TestCXHtml::noCookiesAreKept()
{
    m_tiny.setPage(QStringLiteral("/cookie"), "<html>set</html>", "text/html",
                   {"Set-Cookie: sid=abc123; Path=/", "Set-Cookie: pref=1; Path=/; Max-Age=3600"});
    CXHtml page;
    page.charset = QStringLiteral("utf-8");
    page.url = m_tiny.baseUrl() + QStringLiteral("/cookie");
    QCOMPARE(page.GetSrc(), QStringLiteral("<html>set</html>"));
    QCOMPARE(page.GetSrc(), QStringLiteral("<html>set</html>"));
    const auto hits = m_tiny.hitsFor(QStringLiteral("/cookie"));
    QCOMPARE(hits.size(), 2);
    for (const auto &h : hits) {
        QVERIFY2(h.header("cookie").isEmpty(), h.headers.constData());
        QVERIFY(h.header("referer").isEmpty());
    }
}

void TestCXHtml::droppedConnectionGivesEmpty()
{
    // Half a result page must not pass for a page: its count would be cut short.
    m_tiny.setTruncated(QStringLiteral("/cut"), "Results <b>1</b> - <b>10</b> of about <b>1,2", 1000);
    CXHtml page;
    page.charset = QStringLiteral("utf-8");
    page.TryTime = 2;
    page.url = m_tiny.baseUrl() + QStringLiteral("/cut");
    QVERIFY(page.GetSrc().isEmpty());
    QVERIFY(!page.lastTimedOut());
}

void TestCXHtml::oversizedBodyGivesEmpty()
{
    m_tiny.setStream(QStringLiteral("/huge"), CXHtml::kMaxBodyBytes + 1024 * 1024);
    m_tiny.setStream(QStringLiteral("/big"), 1024 * 1024);

    CXHtml page;
    page.charset = QStringLiteral("utf-8");
    page.TryTime = 10;
    page.url = m_tiny.baseUrl() + QStringLiteral("/huge");
    QElapsedTimer clock;
    clock.start();
    QVERIFY(page.GetSrc().isEmpty());
    QVERIFY(!page.lastTimedOut());
    QVERIFY2(clock.elapsed() < 8000, qPrintable(QString::number(clock.elapsed())));

    // A large page below the limit comes through whole.
    page.url = m_tiny.baseUrl() + QStringLiteral("/big");
    QCOMPARE(page.GetSrc().size(), 1024 * 1024);
}

void TestCXHtml::eventsRunDuringFetch()
{
    // A Stop click during a fetch is handled at once; the fetch runs on.
    standin::Behaviour slow;
    slow.delayMs = 400;
    m_standIn.setBehaviour(QStringLiteral("/google/search"), slow);

    CXHtml outer;
    outer.charset = QStringLiteral("utf-8");
    outer.url = google(QStringLiteral("/search?hl=en&q=outer"));

    QElapsedTimer clock;
    clock.start();
    bool outerDone = false;
    bool clickedDuringFetch = false;
    QString nested;
    QTimer::singleShot(50, this, [&] {
        clickedDuringFetch = !outerDone;
        // Another feature's fetch started from inside the first one's wait.
        CXHtml inner;
        inner.charset = QStringLiteral("utf-8");
        inner.url = m_tiny.baseUrl() + QStringLiteral("/utf8");
        nested = inner.GetSrc();
    });
    const QString text = outer.GetSrc();
    outerDone = true;
    QVERIFY(clickedDuringFetch);
    QVERIFY(text.contains(QLatin1String("outer")));
    QVERIFY(nested.contains(QStringLiteral("中文 café")));
    QVERIFY(clock.elapsed() >= 390);
}

void TestCXHtml::outcomeSaysWhyThePageIsEmpty()
{
    using Failure = FetchOutcome::Failure;
    CXHtml page;
    page.charset = QStringLiteral("utf-8");
    page.TryTime = 2;
    const auto outcomeOf = [&](const QString &address) {
        page.url = address;
        return page.fetchOutcome();
    };

    // Loaded pages, including an empty one, are not failures.
    m_tiny.setRedirect(QStringLiteral("/moved"), "/landed");
    m_tiny.setPage(QStringLiteral("/landed"), "<p>landed</p>");
    FetchOutcome out = outcomeOf(m_tiny.baseUrl() + QStringLiteral("/moved"));
    QCOMPARE(out.failure, Failure::None);
    QVERIFY(!out.failed());
    QCOMPARE(out.status, 200);
    QCOMPARE(out.body, QStringLiteral("<p>landed</p>"));
    QVERIFY(out.reason().isEmpty());
    QCOMPARE(page.GetSrc(), out.body);

    standin::Behaviour empty;
    empty.emptyBody = true;
    m_standIn.setBehaviour(QStringLiteral("/google/search"), empty);
    out = outcomeOf(google(QStringLiteral("/search?hl=en&q=seo")));
    QVERIFY(!out.failed());
    QCOMPARE(out.status, 200);
    QVERIFY(out.body.isEmpty());

    // An answer with an error status.
    standin::Behaviour unavailable;
    unavailable.status = 503;
    m_standIn.setBehaviour(QStringLiteral("/google/search"), unavailable);
    out = outcomeOf(google(QStringLiteral("/search?hl=en&q=seo")));
    QCOMPARE(out.failure, Failure::HttpStatus);
    QCOMPARE(out.status, 503);
    QVERIFY(out.body.isEmpty());
    QVERIFY2(out.reason().contains(QLatin1String("503")), qPrintable(out.reason()));

    // A redirect loop ends on the last redirect's status.
    m_tiny.setRedirect(QStringLiteral("/loop"), "/loop");
    out = outcomeOf(m_tiny.baseUrl() + QStringLiteral("/loop"));
    QCOMPARE(out.failure, Failure::HttpStatus);
    QCOMPARE(out.status, 302);

    // Nobody listening.
    const ClosedPort closed;
    QVERIFY(closed.isValid());
    out = outcomeOf(closed.url(QStringLiteral("/x")));
    QCOMPARE(out.failure, Failure::Refused);
    QCOMPARE(out.status, 0);

    // Half a page, then the server hangs up.
    m_tiny.setTruncated(QStringLiteral("/cut"), "Results <b>1</b> - <b>10</b> of about <b>1,2", 1000);
    out = outcomeOf(m_tiny.baseUrl() + QStringLiteral("/cut"));
    QCOMPARE(out.failure, Failure::Dropped);
    QVERIFY(out.body.isEmpty());

    m_tiny.setStream(QStringLiteral("/huge"), CXHtml::kMaxBodyBytes + 1024 * 1024);
    out = outcomeOf(m_tiny.baseUrl() + QStringLiteral("/huge"));
    QCOMPARE(out.failure, Failure::TooBig);
    QVERIFY(out.body.isEmpty());

    // No answer within the limit (0 s gives up after half a second).
    m_tiny.setSilent(QStringLiteral("/silent"));
    page.TryTime = 0;
    out = outcomeOf(m_tiny.baseUrl() + QStringLiteral("/silent"));
    QCOMPARE(out.failure, Failure::TimedOut);
    QCOMPARE(out.status, 0);
    QVERIFY(page.lastTimedOut());
    page.TryTime = 2;

    // An address without a host is refused before anything is sent.
    out = outcomeOf(QStringLiteral("http://"));
    QCOMPARE(out.failure, Failure::BadAddress);

    // An empty address is a service without a host: nothing is sent, not even
    // the character-set detection.
    m_standIn.clearLog();
    m_tiny.hits.clear();
    CXHtml unset;
    out = unset.fetchOutcome();
    QCOMPARE(out.failure, Failure::NotConfigured);
    QVERIFY(unset.charset.isEmpty());
    QVERIFY(m_standIn.log().isEmpty());
    QVERIFY(m_tiny.hits.isEmpty());
}

void TestCXHtml::failuresAreLoggedOnlyWhenAsked()
{
    if (qEnvironmentVariableIsEmpty("QT_LOGGING_RULES"))
        QVERIFY(!lcFetch().isDebugEnabled());

    QLoggingCategory::setFilterRules(QStringLiteral("veltrana.fetch.debug=true"));
    const auto restore = qScopeGuard([] { QLoggingCategory::setFilterRules(QString()); });
    standin::Behaviour unavailable;
    unavailable.status = 503;
    m_standIn.setBehaviour(QStringLiteral("/google/search"), unavailable);
    CXHtml page;
    page.charset = QStringLiteral("utf-8");
    page.url = google(QStringLiteral("/search?hl=en&q=seo"));
    // The line names the reason and the address, so a log tells which request failed.
    QTest::ignoreMessage(QtDebugMsg,
                         QRegularExpression(QStringLiteral("HTTP status 503.*/google/search\\?hl=en&q=seo")));
    QVERIFY(page.GetSrc().isEmpty());
}

void TestCXHtml::bytesToBstr_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("charset");
    QTest::addColumn<QString>("expected");

    const QString zh = QStringLiteral("关键词 seo");
    QTest::newRow("utf-8") << zh.toUtf8() << QStringLiteral("utf-8") << zh;
    QTest::newRow("UTF-8 capitals") << zh.toUtf8() << QStringLiteral("UTF-8") << zh;
    QTest::newRow("gb2312") << gbk(zh) << QStringLiteral("gb2312") << zh;
    QTest::newRow("GBK") << gbk(zh) << QStringLiteral("GBK") << zh;
    QTest::newRow("gb2312 with a GBK-only character")
        << gbk(QStringLiteral("堃")) << QStringLiteral("gb2312") << QStringLiteral("堃");
    QTest::newRow("latin1") << QByteArray("caf\xe9") << QStringLiteral("iso-8859-1") << QStringLiteral("café");
    // A name nobody knows reads as UTF-8 or else GB18030, never as nothing
    // (changed on purpose: such pages once came back empty).
    QTest::newRow("unknown name, UTF-8 bytes") << zh.toUtf8() << QStringLiteral("no-such-charset") << zh;
    QTest::newRow("unknown name, GBK bytes") << gbk(zh) << QStringLiteral("x-klingon") << zh;
    QTest::newRow("empty name, GBK bytes") << gbk(zh) << QString() << zh;
    QTest::newRow("empty body") << QByteArray() << QStringLiteral("utf-8") << QString();
}

void TestCXHtml::bytesToBstr()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, charset);
    QFETCH(QString, expected);
    QCOMPARE(CXHtml::BytesToBstr(bytes, charset), expected);
}

void TestCXHtml::getChar_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<QString>("expected");

    QTest::newRow("meta content, quoted") << QByteArray(kUtf8Meta) << QStringLiteral("utf-8");
    QTest::newRow("capitals") << QByteArray("<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; CHARSET=UTF-8\">")
                              << QStringLiteral("utf-8");
    QTest::newRow("unquoted before >") << QByteArray("<meta content=text/html;charset=big5>") << QStringLiteral("big5");
    QTest::newRow("spaces before >") << QByteArray("<meta content=text/html;charset= gbk >") << QStringLiteral("gbk");
    QTest::newRow("value opens with a quote") << QByteArray("<meta charset=\"utf-8\">") << QStringLiteral("gb2312");
    QTest::newRow("none") << QByteArray("<title>plain</title>") << QStringLiteral("gb2312");
    QTest::newRow("no > after it") << QByteArray("<p>charset=utf-8") << QStringLiteral("gb2312");
    QTest::newRow("cut at the next >") << QByteArray("<p>charset=utf-8</p>") << QStringLiteral("utf-8</p");
    QTest::newRow("first one counts") << QByteArray("<meta content=\"text/html; charset=iso-8859-1\">"
                                                    "<meta content=\"text/html; charset=utf-8\">")
                                      << QStringLiteral("iso-8859-1");
}

void TestCXHtml::getChar()
{
    QFETCH(QByteArray, head);
    QFETCH(QString, expected);
    static int serial = 0;
    const QString path = QStringLiteral("/getchar/%1").arg(++serial);
    // The declaration is the whole page, so nothing after it adds a ">".
    m_tiny.setPage(path, head);

    CXHtml page;
    page.url = m_tiny.baseUrl() + path;
    QCOMPARE(page.GetChar(), expected);
    QCOMPARE(m_tiny.hitsFor(path).size(), 1);

    // An empty page (here: a 404) assumes gb2312 too.
    page.url = m_tiny.baseUrl() + QStringLiteral("/missing");
    QCOMPARE(page.GetChar(), QStringLiteral("gb2312"));
}

void TestCXHtml::markers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("end");
    QTest::addColumn<QString>("expected");

    QTest::newRow("first pair") << QString("a[b]c[d]") << QString("[") << QString("]") << QString("b");
    QTest::newRow("end missing") << QString("a[b]c[d]") << QString("[") << QString("x") << QString("");
    QTest::newRow("start missing") << QString("a[b]c[d]") << QString("x") << QString("]") << QString("");
    QTest::newRow("end only before start") << QString("a]b[c") << QString("[") << QString("]") << QString("");
    QTest::newRow("adjacent markers") << QString("a[]b]") << QString("[") << QString("]") << QString("");
    QTest::newRow("empty text") << QString("") << QString("[") << QString("]") << QString("");
    QTest::newRow("case-sensitive") << QString("<B>1</b>") << QString("<b>") << QString("</b>") << QString("");
    QTest::newRow("multi-char markers") << QString("of about <b>1,230</b> for") << QString("of about <b>")
                                        << QString("</b>") << QString("1,230");
    QTest::newRow("end marker overlapping start") << QString("<<a>>") << QString("<<") << QString(">") << QString("a");
    QTest::newRow("only the first start counts")
        << QString("x=1;y x=2;") << QString("x=") << QString(";") << QString("1");
}

void TestCXHtml::markers()
{
    QFETCH(QString, text);
    QFETCH(QString, first);
    QFETCH(QString, end);
    QFETCH(QString, expected);
    QCOMPARE(CXHtml::GetMemo(text, first, end), expected);
    QCOMPARE(M_base::GetBetween(text, first, end), expected);
}

void TestCXHtml::urlEncode_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("space and slash") << QString("seo tools/2") << QString("seo+tools%2F2");
    QTest::newRow("ampersand") << QString("a&b") << QString("a%26b");
    QTest::newRow("chinese as GBK bytes") << QStringLiteral("中文") << QString("%D6%D0%CE%C4");
    QTest::newRow("kept characters") << QString("*-.@_") << QString("*-.@_");
    // A character outside the BMP is encoded whole, not as two broken halves.
    QTest::newRow("surrogate pair") << QStringLiteral("a😀b") << QString("a%94%39%FC%36b");
    QTest::newRow("letters and digits") << QString("AZaz09") << QString("AZaz09");
    QTest::newRow("control byte gets two digits") << QStringLiteral("a\tb") << QString("a%09b");
    QTest::newRow("plus and percent") << QString("1+1=2%") << QString("1%2B1%3D2%25");
    QTest::newRow("empty") << QString("") << QString("");
}

void TestCXHtml::urlEncode()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(M_base::UrlEncode(text), expected);
}

void TestCXHtml::isInList()
{
    ResultList list({QStringLiteral("关键词")});
    list.addRow(QStringLiteral("seo tools"));
    list.addRow(QStringLiteral("seo"));
    QVERIFY(M_base::IsInList(QStringLiteral(" seo tools "), list));
    QVERIFY(!M_base::IsInList(QStringLiteral("SEO tools"), list));
    QVERIFY(!M_base::IsInList(QStringLiteral("seo  tools"), list));
}

void TestCXHtml::requestsCarryOnlyTheHeadersTheyNeed()
{
    CXHtml html;
    html.url = google(QStringLiteral("/search?hl=en&q=seo"));
    html.charset = QStringLiteral("utf-8");
    QVERIFY(!html.fetchOutcome().failed());
    const QList<standin::LoggedRequest> log = m_standIn.log(QStringLiteral("google"));
    QCOMPARE(log.size(), 1);
    const QHash<QByteArray, QByteArray> headers = log.first().headers;
    QCOMPARE(QString::fromUtf8(headers.value("user-agent")), CXHtml::defaultAgent());
    // A fixed language, whatever the machine's locale; no cache headers.
    QCOMPARE(headers.value("accept-language"), QByteArray("en"));
    QVERIFY(!headers.contains("cache-control"));
    QVERIFY(!headers.contains("pragma"));
}

QTEST_GUILESS_MAIN(TestCXHtml)
#include "test_cxhtml.moc"
