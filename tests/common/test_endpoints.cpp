// Endpoints: the default hosts, endpoints.ini read and written, and the
// stand-in's own file pointing a context at it.

#include "StandIn.h"
#include "common/Endpoints.h"
#include "context/AppContext.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestEndpoints : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void endpointsDefaults();
    void endpointsLoadAndUrl();
    void endpointsFromStandIn();
};

void TestEndpoints::endpointsDefaults()
{
    using Service = Endpoints::Service;
    const Endpoints e;
    QCOMPARE(
        Endpoints::serviceNames(),
        (QStringList{"google", "yahoo", "bing", "baidu", "baiduindex", "keywordtool", "maker", "figures", "update"}));
    QCOMPARE(e.base(Service::Google), QStringLiteral("http://www.google.com"));
    QCOMPARE(e.base(Service::Yahoo), QStringLiteral("http://search.yahoo.com"));
    QCOMPARE(e.base(Service::Bing), QStringLiteral("http://www.bing.com"));
    QCOMPARE(e.base(Service::Baidu), QStringLiteral("http://www.baidu.com"));
    QCOMPARE(e.base(Service::BaiduIndex), QStringLiteral("http://index.baidu.com"));
    QCOMPARE(e.base(Service::KeywordTool), QStringLiteral("https://adwords.google.com"));
    for (Service maker : {Service::Maker, Service::Figures, Service::Update}) {
        QCOMPARE(e.base(maker), QString());
        QCOMPARE(e.url(maker, QStringLiteral("/ver.txt")), QString());
    }
    QCOMPARE(e.url(Service::Google, QStringLiteral("/search?hl=en&q=seo")),
             QStringLiteral("http://www.google.com/search?hl=en&q=seo"));
    QCOMPARE(e.host(Service::Baidu), QStringLiteral("www.baidu.com"));
    QVERIFY(!Endpoints::serviceFromKey(QStringLiteral("nosuchservice")));
    // Keys and enum agree both ways, and an engine's service has the engine's key.
    for (Service s : Endpoints::kServices)
        QVERIFY(Endpoints::serviceFromKey(Endpoints::keyOf(s)) == s);
    for (Engine engine : kEngines)
        QCOMPARE(Endpoints::keyOf(Endpoints::serviceOf(engine)), engineKey(engine));
}

void TestEndpoints::endpointsLoadAndUrl()
{
    using Service = Endpoints::Service;
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("endpoints.ini"));
    Endpoints e;
    QVERIFY(!e.load(ini)); // no file: nothing changes
    QCOMPARE(e.base(Service::Google), QStringLiteral("http://www.google.com"));

    QFile f(ini);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[endpoints]\n"
            "google=http://127.0.0.1:5000/google\n"
            "bing = http://127.0.0.1:5000/bing/ \n"
            "baidu=\n"
            "maker=http://127.0.0.1:5000/maker\n");
    f.close();
    QVERIFY(e.load(ini));

    QCOMPARE(e.url(Service::Google, QStringLiteral("/search?hl=en&q=seo")),
             QStringLiteral("http://127.0.0.1:5000/google/search?hl=en&q=seo"));
    // A trailing slash on the base does not double up.
    QCOMPARE(e.url(Service::Bing, QStringLiteral("/search?q=a&setmkt=en-US")),
             QStringLiteral("http://127.0.0.1:5000/bing/search?q=a&setmkt=en-US"));
    QCOMPARE(e.url(Service::Maker, QStringLiteral("/ver.asp")), QStringLiteral("http://127.0.0.1:5000/maker/ver.asp"));
    // A key set empty switches the service off; missing keys keep their defaults.
    QCOMPARE(e.url(Service::Baidu, QStringLiteral("/s?wd=seo")), QString());
    QCOMPARE(e.base(Service::Yahoo), QStringLiteral("http://search.yahoo.com"));
    QCOMPARE(e.host(Service::Google), QStringLiteral("127.0.0.1:5000"));

    // Save and load give the same table.
    const QString copy = dir.filePath(QStringLiteral("copy.ini"));
    QVERIFY(e.save(copy));
    Endpoints loaded;
    QVERIFY(loaded.load(copy));
    for (Service s : Endpoints::kServices)
        QCOMPARE(loaded.base(s), e.base(s));

    e.setBase(Service::Update, QStringLiteral(" http://127.0.0.1:1/update "));
    QCOMPARE(e.url(Service::Update, QStringLiteral("/list.txt")), QStringLiteral("http://127.0.0.1:1/update/list.txt"));
}

void TestEndpoints::endpointsFromStandIn()
{
    standin::StandIn standIn;
    QVERIFY(standIn.listen(0));
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("endpoints.ini"));
    QVERIFY(standIn.writeEndpoints(ini));

    AppContext context(dir.path(), dir.path(), dir.filePath(QStringLiteral("settings.ini")));
    QCOMPARE(context.dataFile(QStringLiteral("endpoints.ini")), ini);
    context.loadEndpoints();
    for (Endpoints::Service s : Endpoints::kServices)
        QCOMPARE(context.endpoints().url(s, QStringLiteral("/x")),
                 standIn.serviceBase(Endpoints::keyOf(s)) + QStringLiteral("/x"));
}

QTEST_GUILESS_MAIN(TestEndpoints)
#include "test_endpoints.moc"
