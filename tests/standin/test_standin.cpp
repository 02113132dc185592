// The stand-in web read the way the program's clients read it: the cutting rules below are
// written again here, from the page formats, not shared with the stand-in.

#include "StandIn.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QSet>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

struct Fetched {
    bool finished = false;
    int status = 0;
    QByteArray body;
    QUrl finalUrl;
    qint64 ms = 0;
};

QString between(const QString &text, const QString &open, const QString &close)
{
    const qsizetype a = text.indexOf(open);
    if (a < 0)
        return {};
    const qsizetype b = text.indexOf(close, a + open.size());
    return b < 0 ? QString() : text.mid(a + open.size(), b - a - open.size());
}

QStringList cutEach(const QStringList &pieces, const QString &open, const QString &close, const QStringList &drop)
{
    QStringList out;
    for (QString p : pieces) {
        p = between(p, open, close);
        for (const QString &d : drop)
            p.remove(d);
        if (!p.trimmed().isEmpty())
            out.append(p.trimmed());
    }
    return out;
}

qint64 countOf(const QString &engine, const QString &page)
{
    QString n;
    if (engine == "google")
        n = between(page, "</b> of", "</b>").split("<b>").value(1);
    else if (engine == "yahoo")
        n = between(page, "<strong id=\"resultCount\">", "<");
    else
        n = between(page, " of ", "results").trimmed();
    return n.remove(',').toLongLong();
}

QStringList relatedOf(const QString &engine, const QString &raw)
{
    const QString page = raw.toLower();
    if (engine == "google")
        return cutEach(between(page, ">searches related to", "</table>").split("><a ").mid(1), ">", "</a>",
                       {"<b>", "</b>"});
    if (engine == "yahoo") {
        const QStringList pieces = page.split(",\"0\"],[");
        if (pieces.size() == 1 && !pieces[0].contains(":[[\""))
            return {};
        return cutEach({pieces[0]}, ":[[\"", "\"", {}) + cutEach(pieces.mid(1), "\"", "\"", {});
    }
    return cutEach(between(page, "<h2>related searches</h2><ul>", "</ul>").split("')\"").mid(1), ">", "</a>",
                   {"<strong>", "</strong>"});
}

QString searchPath(const QString &engine, const QString &kw, int page = 0)
{
    if (engine == "google")
        return "/google/search?q=" + kw + "&hl=en&newwindow=1&start=" + QString::number(page * 10) + "&sa=N";
    if (engine == "yahoo")
        return "/yahoo/search?p=" + kw + "&fr=sfp&xargs=0&b=" + QString::number(page * 10 + 1);
    return "/bing/search?q=" + kw + "&first=" + QString::number(page * 10 + 1);
}

} // namespace

class TestStandIn : public QObject
{
    Q_OBJECT
    standin::StandIn *web = nullptr;
    QNetworkAccessManager nam;

    Fetched get(const QString &pathOrUrl, int timeoutMs = 2000)
    {
        const QUrl url(pathOrUrl.startsWith('/') ? web->baseUrl() + pathOrUrl : pathOrUrl);
        QNetworkRequest request(url);
        request.setHeader(QNetworkRequest::UserAgentHeader, "VeltranaTest/1.0");
        QElapsedTimer clock;
        clock.start();
        QNetworkReply *reply = nam.get(request);
        QEventLoop loop;
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        if (!reply->isFinished())
            loop.exec();
        Fetched f;
        f.finished = reply->isFinished();
        f.ms = clock.elapsed();
        f.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        f.body = reply->readAll();
        f.finalUrl = reply->url();
        reply->abort();
        reply->deleteLater();
        return f;
    }

    QStringList relatedFrom(const QString &engine, const QString &kw)
    {
        return relatedOf(engine, QString::fromUtf8(get(searchPath(engine, kw)).body));
    }

private slots:
    void init()
    {
        web = new standin::StandIn(this);
        QVERIFY(web->listen());
        QVERIFY(web->port() > 0);
    }
    void cleanup()
    {
        delete web;
        web = nullptr;
    }

    void engineMarkers_data()
    {
        QTest::addColumn<QString>("engine");
        for (const char *e : {"google", "yahoo", "bing"})
            QTest::newRow(e) << QString(e);
    }
    void engineMarkers()
    {
        QFETCH(QString, engine);
        const Fetched f = get(searchPath(engine, "seo tools"));
        QCOMPARE(f.status, 200);
        QVERIFY(f.body.contains("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"));
        const QString page = QString::fromUtf8(f.body);
        const qint64 count = countOf(engine, page);
        QVERIFY2(count >= 1000, qPrintable(QString::number(count)));
        QCOMPARE(countOf(engine, QString::fromUtf8(get(searchPath(engine, "seo%20tools")).body)), count);
        const QStringList related = relatedOf(engine, page);
        QVERIFY(related.size() >= 8);
        for (const QString &r : related)
            QVERIFY2(r == r.toLower() && !r.contains('<') && r != "seo tools", qPrintable(r));
        // " of " in the query must not move Bing's count; '+' means a space.
        QVERIFY(countOf(engine, QString::fromUtf8(get(searchPath(engine, "cost+of+seo")).body)) >= 1000);
        // A keyword nobody searches: a plausible page without count or related searches.
        const Fetched none = get(searchPath(engine, "xyz%20noresult"));
        QCOMPARE(none.status, 200);
        QCOMPARE(countOf(engine, QString::fromUtf8(none.body)), 0);
        QVERIFY(relatedOf(engine, QString::fromUtf8(none.body)).isEmpty());
        QVERIFY(none.body.contains("</html>"));
    }

    void relatedAcrossEngines()
    {
        QSet<QString> all;
        int total = 0;
        for (const char *e : {"google", "yahoo", "bing"}) {
            const QStringList r = relatedFrom(e, "seo");
            total += r.size();
            all.unite(QSet<QString>(r.begin(), r.end()));
        }
        QVERIFY2(all.size() >= 30, qPrintable(QString::number(all.size())));
        QVERIFY(all.size() < total); // engines agree on a few
        QVERIFY(all.contains("seo tools"));
        QVERIFY(!relatedFrom("google", "blue%20widgets").isEmpty()); // not in the corpus

        web->setRelatedCount(200);
        all.clear();
        total = 0;
        for (const char *e : {"google", "yahoo", "bing"}) {
            const QStringList r = relatedFrom(e, "link%20building");
            QVERIFY(r.size() >= 66 && r.size() <= 67);
            total += r.size();
            for (const QString &k : r)
                QVERIFY2(k.contains("link building") && k != "link building", qPrintable(k));
            all.unite(QSet<QString>(r.begin(), r.end()));
        }
        QCOMPARE(total, 200);
        QCOMPARE(all.size(), 200);
    }

    void plantedRanks_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<QString>("marker");
        QTest::addColumn<QString>("link");
        QTest::newRow("google") << "google"
                                << "<h3 class=r>"
                                << "<a href=\"http://www.example.com/page\"";
        QTest::newRow("yahoo") << "yahoo"
                               << "<div><h3><a"
                               << "**http%3a//www.example.com/page\">";
        QTest::newRow("bing") << "bing"
                              << "<div class=\"sb_tsuf\">"
                              << "<a href=\"/click?a=http%3a%2f%2fwww.example.com%2fpage\">www.example.com/page</a>";
    }
    void plantedRanks()
    {
        QFETCH(QString, engine);
        QFETCH(QString, marker);
        QFETCH(QString, link);
        web->plantRank(engine, "Web Hosting", "www.example.com/page", 13);
        for (int page = 0; page < 3; ++page) {
            const QString body = QString::fromUtf8(get(searchPath(engine, "web+hosting", page)).body);
            const QStringList results = body.split(marker);
            QCOMPARE(results.size(), 11);
            static const QRegularExpression hostRx("(?:http://|http%3a//|http%3a%2f%2f)([a-z0-9.-]+)");
            for (int slot = 0; slot < 10; ++slot) {
                QCOMPARE(results[slot + 1].contains(link), page == 1 && slot == 3);
                for (const QRegularExpressionMatch &m : hostRx.globalMatch(results[slot + 1]))
                    if (m.captured(1) != "rds.yahoo.com") // the redirector, not a result
                        QVERIFY2(!results[0].contains(m.captured(1)), qPrintable(m.captured(1)));
            }
        }
        // Another keyword or engine is untouched.
        QVERIFY(!get(searchPath(engine, "web%20design", 1)).body.contains("example.com"));
    }

    void behaviours()
    {
        standin::Behaviour slow;
        slow.delayMs = 250;
        web->setBehaviour("/google/search", slow);
        Fetched f = get(searchPath("google", "seo"));
        QCOMPARE(f.status, 200);
        QVERIFY2(f.ms >= 240, qPrintable(QString::number(f.ms)));
        QVERIFY(countOf("google", QString::fromUtf8(f.body)) > 0);

        standin::Behaviour broken;
        broken.status = 404;
        web->setBehaviour("/google/search", broken);
        standin::Behaviour wide;
        wide.status = 500;
        web->setBehaviour("/google", wide);
        QCOMPARE(get(searchPath("google", "seo")).status, 404); // the longest prefix wins
        QCOMPARE(get("/google/").status, 500);

        web->clearBehaviours();
        standin::Behaviour moved;
        moved.redirectTo = "/yahoo/search?p=seo";
        web->setBehaviour("/bing/search", moved);
        f = get(searchPath("bing", "seo"));
        QCOMPARE(f.status, 200);
        QCOMPARE(f.finalUrl.path(), QString("/yahoo/search"));
        QVERIFY(f.body.contains("resultCount"));

        standin::Behaviour empty;
        empty.emptyBody = true;
        web->setBehaviour("/maker", empty);
        f = get("/maker/veltrana/freever.htm");
        QCOMPARE(f.status, 200);
        QVERIFY(f.body.isEmpty());

        standin::Behaviour twice;
        twice.status = 503;
        twice.times = 2;
        web->setBehaviour("/yahoo/search", twice);
        QCOMPARE(get(searchPath("yahoo", "seo")).status, 503);
        QCOMPARE(get(searchPath("yahoo", "seo")).status, 503);
        QCOMPARE(get(searchPath("yahoo", "seo")).status, 200);

        standin::Behaviour silent;
        silent.neverAnswer = true;
        web->setBehaviour("/baidu/s", silent);
        f = get("/baidu/s?wd=seo", 300);
        QVERIFY(!f.finished);
        QCOMPARE(web->log("baidu").size(), 1); // read and logged all the same
        web->clearBehaviours();
        QCOMPARE(get("/baidu/s?wd=seo").status, 200);
        QCOMPARE(get("/google/nowhere").status, 404);
        QCOMPARE(get("/nosuchservice/").status, 404);
    }

    void logAndMakerPages()
    {
        const qint64 before = QDateTime::currentMSecsSinceEpoch();
        QCOMPARE(get("/google/search?hl=en&q=seo+tools%20free").status, 200);
        get("/maker/suggest.asp?name=Ann&text=a+b%20c");
        get("/_control/related?count=0");
        const QList<standin::LoggedRequest> log = web->log();
        QCOMPARE(log.size(), 2); // control requests are not logged
        QCOMPARE(log[0].service, QString("google"));
        QCOMPARE(log[0].path, QString("/search"));
        QCOMPARE(log[0].query, QString("hl=en&q=seo tools free"));
        QCOMPARE(log[0].items.value(1), qMakePair(QString("q"), QString("seo tools free")));
        QCOMPARE(log[0].userAgent, QString("VeltranaTest/1.0"));
        QVERIFY(log[0].msecsSinceEpoch >= before && log[0].msecsSinceEpoch <= log[1].msecsSinceEpoch);
        QCOMPARE(web->log("maker").size(), 1);
        QCOMPARE(web->log("maker")[0].items.value(1).second, QString("a+b c"));
        // Decoded once: an encoded "%" followed by "00" is that text, not a NUL.
        web->clearLog();
        get("/google/search?q=100%2500%26more");
        QCOMPARE(web->log()[0].items.value(0).second, QString("100%00&more"));
        QCOMPARE(web->log()[0].query, QString("q=100%00&more"));
        QVERIFY(!web->log()[0].query.contains(QChar(0)));
        web->clearLog();
        QVERIFY(web->log().isEmpty());

        web->setPublishedVersion("1.0 ");
        Fetched f = get("/maker/veltrana/freever.htm");
        QVERIFY(f.body.contains("<input type=\"hidden\" name=\"ver\" value=\"1.0 \">"));
        QCOMPARE(get("/maker/suggest.asp").body, QByteArray("ok"));
        for (const char *p : {"/maker/veltrana/info.htm", "/maker/help.htm", "/maker/", "/maker/veltrana/guide.htm",
                              "/maker/veltrana/faq.htm", "/maker/veltrana/history.htm", "/maker/veltrana/contact.htm",
                              "/google/", "/baidu/"})
            QVERIFY2(get(p).body.contains("</html>"), p);
        QVERIFY(get("/baidu/s?wd=seo").body.contains("seo"));
        // The news strip sits in a Chinese window and reads in Chinese.
        QVERIFY(QString::fromUtf8(get("/maker/veltrana/info.htm").body).contains(QStringLiteral("关键词")));
    }

    void endpointsFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("endpoints.ini");
        QVERIFY(web->writeEndpoints(path));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QString expected = "[endpoints]\n";
        for (const char *s :
             {"google", "yahoo", "bing", "baidu", "baiduindex", "keywordtool", "maker", "figures", "update"})
            expected += QString(s) + '=' + web->baseUrl() + '/' + s + '\n';
        QCOMPARE(QString::fromUtf8(file.readAll()), expected);
        QCOMPARE(web->serviceBase("maker"), "http://127.0.0.1:" + QString::number(web->port()) + "/maker");
    }

    void controlApi()
    {
        QCOMPARE(get("/_control/version?v=0.9").status, 200);
        QVERIFY(get("/maker/veltrana/freever.htm").body.contains("name=\"ver\" value=\"0.9\""));
        QCOMPARE(get("/_control/behaviour?prefix=/bing/search&status=404&times=1").status, 200);
        QCOMPARE(get(searchPath("bing", "seo")).status, 404);
        QCOMPARE(get(searchPath("bing", "seo")).status, 200);
        get("/_control/behaviour?prefix=/bing&status=500");
        get("/_control/clear");
        QCOMPARE(get(searchPath("bing", "seo")).status, 200);
        get("/_control/related?count=30");
        QCOMPARE(relatedFrom("google", "seo").size(), 10);
        get("/_control/plant?engine=google&keyword=seo+tools&site=example.com&index=0");
        const QString first = QString::fromUtf8(get(searchPath("google", "seo%20tools")).body).split("<h3 class=r>")[1];
        QVERIFY(first.startsWith("<a href=\"http://example.com/\""));
        const QJsonArray log = QJsonDocument::fromJson(get("/_control/log?service=google").body).array();
        QCOMPARE(log.size(), 2);
        QCOMPARE(log[1].toObject()["path"].toString(), QString("/search"));
        QCOMPARE(log[1].toObject()["items"].toArray()[0].toArray()[1].toString(), QString("seo tools"));
        QCOMPARE(get("/_control/nonsense").status, 404);
    }

    // Raw bytes of one answer whose server closes the connection after it.
    QByteArray rawGetUntilClosed(const QString &path, int timeoutMs = 2000)
    {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, web->port());
        QByteArray out;
        QEventLoop loop;
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        connect(&socket, &QTcpSocket::connected, &loop,
                [&] { socket.write("GET " + path.toUtf8() + " HTTP/1.1\r\nHost: x\r\n\r\n"); });
        connect(&socket, &QTcpSocket::readyRead, &loop, [&] { out += socket.readAll(); });
        connect(&socket, &QTcpSocket::disconnected, &loop, &QEventLoop::quit);
        loop.exec();
        out += socket.readAll();
        return socket.state() == QAbstractSocket::UnconnectedState ? out : QByteArray("<still open>");
    }

    void updateServer()
    {
        const QString page = QString::fromUtf8(get("/update/veltrana/ver.htm").body);
        QVERIFY(page.contains("name=\"ver\" value=\"1.0\""));
        const QString dir = web->baseUrl() + "/update/files/";
        QVERIFY(page.contains("value='" + dir + "notes.txt||" + dir + "veltrana-newver' name='files'"));
        QVERIFY(page.contains("name=names type=hidden value=\"veltrana\""));
        QVERIFY(get("/update/files/veltrana-newver").body.startsWith("#!/bin/sh"));
        QVERIFY(get("/update/files/notes.txt").body.startsWith("Veltrana 1.0 release notes"));
        QCOMPARE(get("/update/files/nothing").status, 404);

        QCOMPARE(get("/_control/updatepage?files=a%26b||c&names=v.exe").status, 200);
        QCOMPARE(get("/_control/download?name=big.bin&size=1000").status, 200);
        QCOMPARE(get("/_control/download?name=say.txt&text=hello").status, 200);
        QVERIFY(get("/update/veltrana/ver.htm").body.contains("value='a&amp;b||c'"));
        QVERIFY(get("/update/veltrana/ver.htm").body.contains("value=\"v.exe\""));
        QCOMPARE(get("/update/files/big.bin").body, QByteArray(1000, 'x'));
        QCOMPARE(get("/update/files/say.txt").body, QByteArray("hello"));
        QCOMPARE(web->downloadUrl("say.txt"), web->baseUrl() + "/update/files/say.txt");
    }

    void brokenBodies()
    {
        web->setDownload("big.bin", QByteArray(1000, 'b'));
        get("/_control/behaviour?prefix=/update/files/big.bin&nolength=1&times=1");
        QByteArray raw = rawGetUntilClosed("/update/files/big.bin");
        QVERIFY2(!raw.toLower().contains("content-length"), raw.left(300).constData());
        QCOMPARE(raw.mid(raw.indexOf("\r\n\r\n") + 4), QByteArray(1000, 'b'));

        get("/_control/behaviour?prefix=/update/files/big.bin&cut=300&times=1");
        raw = rawGetUntilClosed("/update/files/big.bin");
        QVERIFY(raw.contains("Content-Length: 1000\r\n"));
        QCOMPARE(raw.mid(raw.indexOf("\r\n\r\n") + 4), QByteArray(300, 'b'));

        // A slow body comes in pieces, and the connection stays usable after it.
        get("/_control/behaviour?prefix=/update/files/big.bin&slow=100&times=1");
        const Fetched slow = get("/update/files/big.bin");
        QCOMPARE(slow.body, QByteArray(1000, 'b'));
        QVERIFY2(slow.ms >= 90, qPrintable(QString::number(slow.ms)));
        QCOMPARE(get("/update/files/big.bin").body, QByteArray(1000, 'b'));
    }

    void manyRequestsOnOneConnection()
    {
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < 1000; ++i)
            QCOMPARE(get("/maker/suggest.asp?i=" + QString::number(i)).status, 200);
        QVERIFY2(clock.elapsed() < 1500, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(web->log("maker").size(), 1000);
        QCOMPARE(web->log("maker").last().items.value(0).second, QString("999"));
    }
};

QTEST_GUILESS_MAIN(TestStandIn)
#include "test_standin.moc"
