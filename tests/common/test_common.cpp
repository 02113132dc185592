// The pieces every feature shares: the result list model, the settings store,
// endpoints, the data folder, engine pacing, the job state and the wait.

#include "StandIn.h"
#include "common/DataFolder.h"
#include "common/Endpoints.h"
#include "common/JobStatus.h"
#include "common/ResultList.h"
#include "common/SettingNames.h"
#include "common/SettingsStore.h"
#include "common/Wait.h"
#include "context/AppContext.h"
#include "engines/EnginePacing.h"
#include "support/FakeClock.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

QStringList column(const ResultList &list, int c)
{
    QStringList out;
    for (int r = 0; r < list.count(); ++r)
        out.append(list.cell(r, c));
    return out;
}

QStringList tags(const ResultList &list)
{
    QStringList out;
    for (const auto &row : list.rows())
        out.append(row.tag);
    return out;
}

// Four keywords with Google and Yahoo counts; each row's tag names its row.
void fillCounts(ResultList &list)
{
    const QList<QStringList> rows = {
        {QStringLiteral("seo tools"), QStringLiteral("1200"), QStringLiteral("-")},
        {QStringLiteral("backlinks"), QStringLiteral("95"), QStringLiteral("30")},
        {QStringLiteral("anchor text"), QStringLiteral("-"), QStringLiteral("7")},
        {QStringLiteral("keyword density"), QStringLiteral("0"), QStringLiteral("100000")},
    };
    for (const QStringList &r : rows) {
        const int i = list.addRow(r.first(), r.mid(1));
        list.setTag(i, QStringLiteral("tag:") + r.first());
    }
}

} // namespace

class TestCommon : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup();

    void sortValueColumn();
    void sortFlipsAcrossColumns();
    void sortTextColumn();
    void sortKeepsCellsAndTags();
    void removeChecked();
    void copyFrom();
    void findAfterRemovalsAndSorts();

    void settingsRoundTrip();
    void settingsMissingValue();

    void endpointsDefaults();
    void endpointsLoadAndUrl();
    void endpointsFromStandIn();

    void dataFolderOrder();

    void pacing();
    void pacingWaitRunsEvents();
    void contextLoadsPacing();
    void jobStatus();
    void waitRunsEvents();
};

void TestCommon::cleanup()
{
    qunsetenv("VELTRANA_HOME");
    qunsetenv("XDG_DATA_HOME");
}

void TestCommon::sortValueColumn()
{
    ResultList list({QStringLiteral("关键词"), QStringLiteral("Google"), QStringLiteral("Yahoo")});
    fillCounts(list);

    // First click on a fresh list: descending. Numbers in numeric order, "-" as text.
    list.sortByColumnClick(1);
    QCOMPARE(list.sortOrder(), Qt::DescendingOrder);
    QVERIFY(list.sortingEnabled());
    QCOMPARE(column(list, 1), (QStringList{"1200", "95", "0", "-"}));

    list.sortByColumnClick(1);
    QCOMPARE(list.sortOrder(), Qt::AscendingOrder);
    QCOMPARE(column(list, 1), (QStringList{"-", "0", "95", "1200"}));
    QCOMPARE(column(list, 0), (QStringList{"anchor text", "keyword density", "backlinks", "seo tools"}));
}

void TestCommon::sortFlipsAcrossColumns()
{
    ResultList list({QStringLiteral("关键词"), QStringLiteral("Google"), QStringLiteral("Yahoo")});
    fillCounts(list);

    list.sortByColumnClick(1);   // descending
    list.sortByColumnClick(2);   // another column: the direction still flips
    QCOMPARE(list.sortOrder(), Qt::AscendingOrder);
    QCOMPARE(column(list, 2), (QStringList{"-", "7", "30", "100000"}));
    list.sortByColumnClick(0);
    QCOMPARE(list.sortOrder(), Qt::DescendingOrder);
    list.sortByColumnClick(0);
    QCOMPARE(list.sortOrder(), Qt::AscendingOrder);

    // A rebuilt list has sorting off but keeps the direction, so the next
    // click still flips it.
    list.setSortingEnabled(false);
    list.sortByColumnClick(1);
    QCOMPARE(list.sortOrder(), Qt::DescendingOrder);

    // Out-of-range columns change nothing.
    const QStringList before = column(list, 0);
    list.sortByColumnClick(3);
    list.sortByColumnClick(-1);
    QCOMPARE(list.sortOrder(), Qt::DescendingOrder);
    QCOMPARE(column(list, 0), before);
}

void TestCommon::sortTextColumn()
{
    ResultList list({QStringLiteral("关键词"), QStringLiteral("Google")});
    // Text order on column 0, even for texts made of digits.
    for (const char *t : {"seo 2", "seo 10", "backlinks", "zeta", "1200", "95"})
        list.addRow(QString::fromLatin1(t), {QStringLiteral("1")});
    list.sortByColumnClick(0);   // descending
    QCOMPARE(column(list, 0), (QStringList{"zeta", "seo 2", "seo 10", "backlinks", "95", "1200"}));
    list.sortByColumnClick(0);
    QCOMPARE(column(list, 0), (QStringList{"1200", "95", "backlinks", "seo 10", "seo 2", "zeta"}));

    // Equal keys keep their previous order.
    ResultList same({QStringLiteral("关键词"), QStringLiteral("Google")});
    for (const char *t : {"c", "a", "b"})
        same.addRow(QString::fromLatin1(t), {QStringLiteral("-")});
    same.sortByColumnClick(1);
    QCOMPARE(column(same, 0), (QStringList{"c", "a", "b"}));
}

void TestCommon::sortKeepsCellsAndTags()
{
    ResultList list({QStringLiteral("关键词"), QStringLiteral("Google"), QStringLiteral("Yahoo")});
    fillCounts(list);
    list.setBold(0, true);
    list.setChecked(2, true);

    for (int c : {1, 2, 1, 0, 2}) {
        list.sortByColumnClick(c);
        for (int r = 0; r < list.count(); ++r) {
            const ResultList::Row &row = list.row(r);
            // The tag still names its own row, never a parked cell text.
            QCOMPARE(row.tag, QStringLiteral("tag:") + row.text);
            QCOMPARE(row.bold, row.text == QLatin1String("seo tools"));
            QCOMPARE(row.checked, row.text == QLatin1String("anchor text"));
        }
        // The cells themselves are never padded.
        QVERIFY(!column(list, 1).join(u',').contains(QLatin1String("000")));
    }
    const int seo = list.findText(QStringLiteral("seo tools"));
    QCOMPARE(list.cell(seo, 1), QStringLiteral("1200"));
    QCOMPARE(list.cell(seo, 2), QStringLiteral("-"));
    const int anchor = list.findText(QStringLiteral("anchor text"));
    QCOMPARE(list.cell(anchor, 1), QStringLiteral("-"));

    QCOMPARE(ResultList::sortKey(QStringLiteral("95")), QStringLiteral("000000000095"));
    QCOMPARE(ResultList::sortKey(QStringLiteral("-")), QStringLiteral("-"));
}

void TestCommon::removeChecked()
{
    ResultList list({QStringLiteral("关键词"), QStringLiteral("Google")});
    fillCounts(list);
    list.addRow(QStringLiteral("backlinks"), {QStringLiteral("1")});   // a duplicate text
    QCOMPARE(list.removeChecked(), 0);   // nothing ticked: nothing goes
    QCOMPARE(list.count(), 5);

    list.setChecked(1, true);   // the first "backlinks"
    list.setChecked(2, true);   // "anchor text"
    QCOMPARE(list.checkedCount(), 2);
    QCOMPARE(list.firstChecked(), 1);

    QSignalSpy reset(&list, &QAbstractItemModel::modelReset);
    QCOMPARE(list.removeChecked(), 2);
    QCOMPARE(reset.count(), 1);
    QCOMPARE(column(list, 0), (QStringList{"seo tools", "keyword density", "backlinks"}));
    QCOMPARE(list.checkedCount(), 0);
    QCOMPARE(list.firstChecked(), -1);
    QVERIFY(!list.containsText(QStringLiteral("anchor text")));
    // The other "backlinks" row is still there.
    QVERIFY(list.containsText(QStringLiteral("backlinks")));
    QCOMPARE(list.findText(QStringLiteral("backlinks")), 2);
    QCOMPARE(list.cell(2, 1), QStringLiteral("1"));
    QCOMPARE(tags(list), (QStringList{"tag:seo tools", "tag:keyword density", ""}));
}

void TestCommon::copyFrom()
{
    ResultList reserve({QStringLiteral("关键词"), QStringLiteral("Google"), QStringLiteral("Yahoo"),
                        QStringLiteral("Bing")});
    reserve.addRow(QStringLiteral("seo"), {QStringLiteral("10"), QStringLiteral("20"), QStringLiteral("30")});
    reserve.addRow(QStringLiteral("seo tools"), {QStringLiteral("1"), QStringLiteral("-")});   // short row
    reserve.setBold(0, true);

    ResultList shown({QStringLiteral("关键词"), QStringLiteral("Google"), QStringLiteral("Yahoo"),
                      QStringLiteral("Bing")});
    shown.addRow(QStringLiteral("old row"));
    shown.sortByColumnClick(1);
    QVERIFY(shown.sortingEnabled());

    shown.copyFrom(reserve, 3);
    QCOMPARE(shown.count(), 2);
    QVERIFY(!shown.sortingEnabled());
    QVERIFY(!shown.containsText(QStringLiteral("old row")));
    QCOMPARE(shown.row(0).bold, true);
    QCOMPARE(shown.row(1).bold, false);
    QCOMPARE(shown.row(0).sub, (QStringList{"10", "20", "30"}));
    QCOMPARE(shown.cell(1, 2), QStringLiteral("-"));
    QCOMPARE(shown.cell(1, 3), QString());
    QCOMPARE(shown.findText(QStringLiteral("seo tools")), 1);

    // Only as many sub-columns as asked for, and never more than the list has.
    ResultList narrow({QStringLiteral("关键词"), QStringLiteral("Google")});
    narrow.copyFrom(reserve, 3);
    QCOMPARE(narrow.row(0).sub, (QStringList{"10"}));
    ResultList two({QStringLiteral("关键词"), QStringLiteral("Google"), QStringLiteral("Yahoo"),
                    QStringLiteral("Bing")});
    two.copyFrom(reserve, 2);
    QCOMPARE(two.row(0).sub, (QStringList{"10", "20"}));

    // The copy is independent of its source.
    reserve.setCell(0, 1, QStringLiteral("99"));
    QCOMPARE(shown.cell(0, 1), QStringLiteral("10"));
}

void TestCommon::findAfterRemovalsAndSorts()
{
    ResultList list({QStringLiteral("关键词"), QStringLiteral("Google")});
    for (int i = 0; i < 50; ++i)
        list.addRow(QStringLiteral("kw %1").arg(i, 2, 10, QLatin1Char('0')), {QString::number(i * 7 % 50)});
    list.addRow(QStringLiteral("seo tools"), {QStringLiteral("3")});

    QVERIFY(list.containsText(QStringLiteral(" seo tools ")));
    QVERIFY(!list.containsText(QStringLiteral("SEO tools")));
    QCOMPARE(list.findText(QStringLiteral("SEO tools")), -1);
    QCOMPARE(list.findText(QStringLiteral(" seo tools ")), 50);
    // Only spaces are trimmed: a row ending in a line break finds itself again.
    list.addRow(QStringLiteral("web hosting\n"));
    QVERIFY(list.containsText(QStringLiteral("web hosting\n")));
    QVERIFY(!list.containsText(QStringLiteral("web hosting")));
    list.removeRowAt(51);
    // A row whose own text has spaces around it is found by its trimmed text.
    list.addRow(QStringLiteral("  padded kw "));
    QVERIFY(list.containsText(QStringLiteral("padded kw")));
    QCOMPARE(list.findText(QStringLiteral("padded kw")), 51);
    QCOMPARE(list.findText(QStringLiteral(" padded kw")), 51);
    list.setCell(51, 0, QStringLiteral(" padded kw2"));
    QVERIFY(!list.containsText(QStringLiteral("padded kw")));
    QCOMPARE(list.findText(QStringLiteral("padded kw2")), 51);
    list.removeRowAt(51);
    QVERIFY(!list.containsText(QStringLiteral("padded kw2")));

    list.sortByColumnClick(1);
    list.removeRowAt(0);
    for (int r = 0; r < list.count(); r += 2)
        list.setChecked(r, true);
    list.removeChecked();
    list.sortByColumnClick(0);
    list.addRow(QStringLiteral("new kw"));

    // Every remaining row is found at its current place; removed ones are gone.
    for (int r = 0; r < list.count(); ++r)
        QCOMPARE(list.findText(list.cell(r, 0)), r);
    int found = 0;
    for (int i = 0; i < 50; ++i)
        found += list.containsText(QStringLiteral("kw %1").arg(i, 2, 10, QLatin1Char('0'))) ? 1 : 0;
    QCOMPARE(found + 1 + int(list.containsText(QStringLiteral("seo tools"))), list.count());

    // Renaming a row moves it in the lookup as well.
    const int r = list.findText(QStringLiteral("new kw"));
    list.setCell(r, 0, QStringLiteral("renamed kw"));
    QVERIFY(!list.containsText(QStringLiteral("new kw")));
    QCOMPARE(list.findText(QStringLiteral("renamed kw")), r);

    list.clear();
    QVERIFY(!list.containsText(QStringLiteral("renamed kw")));
    QCOMPARE(list.findText(QStringLiteral("renamed kw")), -1);
}

void TestCommon::settingsRoundTrip()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString ini = dir.filePath(QStringLiteral("settings.ini"));

    const QList<QPair<QString, QString>> values = {
        {QStringLiteral("setting1"), QStringLiteral("0#1#1#0#0")},
        {QStringLiteral("setting3"), QStringLiteral("Google$Bing#1#0#1")},
        {QStringLiteral("settingurl"), QStringLiteral("www.a.com$b.org$c.net")},
        {QStringLiteral("record"), QStringLiteral("seo$1$www.a.com#1#3|7")},
        {QStringLiteral("chinese"), QStringLiteral("关键词数据库#中文")},
        {QStringLiteral("comma"), QStringLiteral("a, b,c")},
        {QStringLiteral("semicolon"), QStringLiteral("x;y")},
        {QStringLiteral("at"), QStringLiteral("@Variant(x)")},
        {QStringLiteral("quotes"), QStringLiteral("say \"hi\" = ok")},
        {QStringLiteral("spaces"), QStringLiteral("  padded  ")},
        {QStringLiteral("backslash"), QStringLiteral("C:\\data\\db.sqlite")},
        {QStringLiteral("googlese"), QStringLiteral("8")},
        {QStringLiteral("updatedt"), QStringLiteral("2024-03-01")},
    };
    {
        SettingsStore store(ini);
        store.CreateKey();
        for (const auto &v : values)
            store.WriteValue(v.first, v.second);
        for (const auto &v : values)
            QCOMPARE(store.ReadValue(v.first), v.second);
    }
    QVERIFY(QFile::exists(ini));

    // A new store on the same file: what a restart reads.
    SettingsStore again(ini);
    for (const auto &v : values) {
        QCOMPARE(again.ReadValue(v.first), v.second);
        QVERIFY(again.HasValue(v.first));
    }
    QCOMPARE(again.fileName(), ini);

    again.WriteValue(QStringLiteral("googlese"), QStringLiteral("3"));
    QCOMPARE(SettingsStore(ini).ReadValue(QStringLiteral("googlese")), QStringLiteral("3"));

    // An empty text is a value too.
    again.WriteValue(QStringLiteral("settingurl"), QString());
    QVERIFY(again.HasValue(QStringLiteral("settingurl")));
    QCOMPARE(again.ReadValue(QStringLiteral("settingurl")), QString());
}

void TestCommon::settingsMissingValue()
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("settings.ini"));
    SettingsStore store(ini);
    QCOMPARE(store.ReadValue(QStringLiteral("setting1")), QString());
    QVERIFY(!store.HasValue(QStringLiteral("setting1")));
    QCOMPARE(store.ReadValue(QStringLiteral("googlese"), QStringLiteral("5")), QStringLiteral("5"));
    store.WriteValue(QStringLiteral("googlese"), QStringLiteral("7"));
    QCOMPARE(store.ReadValue(QStringLiteral("googlese"), QStringLiteral("5")), QStringLiteral("7"));
    store.WriteValue(QStringLiteral("yahoose"), QString());
    QCOMPARE(store.ReadValue(QStringLiteral("yahoose"), QStringLiteral("5")), QStringLiteral("5"));
}

void TestCommon::endpointsDefaults()
{
    using Service = Endpoints::Service;
    const Endpoints e;
    QCOMPARE(Endpoints::serviceNames(),
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

void TestCommon::endpointsLoadAndUrl()
{
    using Service = Endpoints::Service;
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("endpoints.ini"));
    Endpoints e;
    QVERIFY(!e.load(ini));   // no file: nothing changes
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

void TestCommon::endpointsFromStandIn()
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

void TestCommon::dataFolderOrder()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString program = tmp.filePath(QStringLiteral("program"));
    QVERIFY(QDir().mkpath(program));
    const QString option = tmp.filePath(QStringLiteral("from-option"));
    const QString home = tmp.filePath(QStringLiteral("from-env"));
    qputenv("XDG_DATA_HOME", tmp.filePath(QStringLiteral("xdg")).toLocal8Bit());

    // 1. --data wins over everything, and the folder is created.
    qputenv("VELTRANA_HOME", home.toLocal8Bit());
    const QStringList args{QStringLiteral("db"), QStringLiteral("--data"), option, QStringLiteral("list")};
    QCOMPARE(DataFolder::resolve(args, program), option);
    QVERIFY(QDir(option).exists());
    QCOMPARE(DataFolder::withoutDataOption(args), (QStringList{"db", "list"}));

    // 2. $VELTRANA_HOME, also when "--data" has no folder after it.
    QCOMPARE(DataFolder::resolve({}, program), home);
    QVERIFY(QDir(home).exists());
    QCOMPARE(DataFolder::resolve({QStringLiteral("--data")}, program), home);
    QCOMPARE(DataFolder::withoutDataOption({QStringLiteral("--data")}), QStringList());

    // 3. The program folder when it is writable.
    qunsetenv("VELTRANA_HOME");
    QCOMPARE(DataFolder::resolve({}, program), program);
    QVERIFY(DataFolder::isWritableFolder(program));
    QCOMPARE(QDir(program).entryList(QDir::Files | QDir::Hidden), QStringList());   // the probe left nothing

    // 4. Else the per-user data folder.
    const QString missing = tmp.filePath(QStringLiteral("no-such-program-dir"));
    QVERIFY(!DataFolder::isWritableFolder(missing));
    const QString fallback = DataFolder::resolve({}, missing);
    QVERIFY2(fallback.startsWith(tmp.filePath(QStringLiteral("xdg"))), qPrintable(fallback));
    QVERIFY(QDir(fallback).exists());
    QVERIFY(!QDir(missing).exists());

    // A relative --data folder comes back absolute.
    const QString cwd = QDir::currentPath();
    QVERIFY(QDir::setCurrent(tmp.path()));
    const QString relative = DataFolder::resolve({QStringLiteral("--data"), QStringLiteral("rel")}, program);
    QDir::setCurrent(cwd);
    QCOMPARE(relative, QDir(tmp.path()).absoluteFilePath(QStringLiteral("rel")));
}

void TestCommon::pacing()
{
    FakeClock clock;
    EnginePacing pacing(clock);
    for (Engine e : kEngines)
        QCOMPARE(pacing.waitSeconds(e), 5);
    pacing.setWaitSeconds(Engine::Google, 1);
    pacing.setWaitSeconds(Engine::Yahoo, 1);
    pacing.setWaitSeconds(Engine::Bing, 0);

    pacing.pace(Engine::Google);   // first request: no wait
    QVERIFY(clock.waits.isEmpty());
    QCOMPARE(pacing.pendingWaitMs(Engine::Google), 1000);

    // Other engines do not wait for Google.
    QCOMPARE(pacing.pendingWaitMs(Engine::Yahoo), 0);
    pacing.pace(Engine::Yahoo);
    pacing.pace(Engine::Bing);
    pacing.pace(Engine::Bing);   // wait 0: never waits
    QVERIFY(clock.waits.isEmpty());

    // The interval runs from the end of the request, not its start: a
    // 300 ms answer and 200 ms of other work leave 800 ms of the second.
    clock.advance(300);
    pacing.requestDone(Engine::Google);
    const qint64 googleDone = clock.nowMs();
    clock.advance(200);
    QCOMPARE(pacing.pendingWaitMs(Engine::Google), 800);
    pacing.pace(Engine::Google);
    QCOMPARE(clock.waits, QList<qint64>{800});
    QCOMPARE(clock.nowMs() - googleDone, 1000);

    // Yahoo's interval ran out during Google's wait.
    pacing.pace(Engine::Yahoo);
    QCOMPARE(clock.waits.size(), 1);

    // A wait that returns early is waited out to the full interval.
    clock.waits.clear();
    clock.returnsEarlyBy = 30;
    const qint64 yahooPaced = clock.nowMs();
    pacing.pace(Engine::Yahoo);
    QCOMPARE(clock.waits, (QList<qint64>{1000, 30}));
    QCOMPARE(clock.nowMs() - yahooPaced, 1000);
    clock.returnsEarlyBy = 0;

    // A new value takes effect with the next request; negatives count as 0.
    clock.waits.clear();
    pacing.pace(Engine::Google);
    pacing.setWaitSeconds(Engine::Google, 3);
    QCOMPARE(pacing.pendingWaitMs(Engine::Google), 3000);
    pacing.setWaitSeconds(Engine::Google, -3);
    QCOMPARE(pacing.waitSeconds(Engine::Google), 0);
    QCOMPARE(pacing.pendingWaitMs(Engine::Google), 0);
    pacing.pace(Engine::Google);
    QVERIFY(clock.waits.isEmpty());

    // Request times taken on another clock are forgotten with it.
    pacing.setWaitSeconds(Engine::Google, 1);
    pacing.pace(Engine::Google);
    FakeClock other;
    pacing.setClock(other);
    QCOMPARE(pacing.pendingWaitMs(Engine::Google), 0);
}

void TestCommon::pacingWaitRunsEvents()
{
    // The real clock: the wait really passes, and events keep running in it.
    EnginePacing pacing;
    pacing.setWaitSeconds(Engine::Google, 1);
    QElapsedTimer clock;
    clock.start();
    pacing.pace(Engine::Google);
    bool ticked = false;
    QTimer::singleShot(100, this, [&] { ticked = true; });
    pacing.pace(Engine::Google);
    QVERIFY2(clock.elapsed() >= 1000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(ticked);
}

void TestCommon::contextLoadsPacing()
{
    QTemporaryDir dir;
    AppContext context(dir.path(), dir.path(), dir.filePath(QStringLiteral("settings.ini")));
    context.settings().WriteValue(QStringLiteral("googlese"), QStringLiteral("8"));
    context.settings().WriteValue(QStringLiteral("bingse"), QStringLiteral("abc"));
    context.loadPacing();
    QCOMPARE(context.pacing().waitSeconds(Engine::Google), 8);
    QCOMPARE(context.pacing().waitSeconds(Engine::Yahoo), 5);   // missing
    QCOMPARE(context.pacing().waitSeconds(Engine::Bing), 5);    // not a number
    QCOMPARE(SettingNames::engineInterval(Engine::Yahoo), QStringLiteral("yahoose"));
    QVERIFY(!QFile::exists(QDir(dir.path()).filePath(QStringLiteral("db.sqlite"))));
}

void TestCommon::jobStatus()
{
    JobStatus status;
    QSignalSpy changed(&status, &JobStatus::changed);
    QCOMPARE(status.state(), JobStatus::Idle);
    QCOMPARE(status.stateText(), QStringLiteral("就绪"));
    QVERIFY(!status.isBusy());

    const QList<QPair<JobStatus::State, QString>> states = {
        {JobStatus::Running, QStringLiteral("进行中...")},
        {JobStatus::Stopping, QStringLiteral("正在停止...")},
        {JobStatus::Paused, QStringLiteral("已暂停")},
        {JobStatus::Idle, QStringLiteral("就绪")},
    };
    for (const auto &s : states) {
        status.setState(s.first);
        QCOMPARE(status.stateText(), s.second);
        QCOMPARE(JobStatus::textFor(s.first), s.second);
        QCOMPARE(status.isBusy(), s.first == JobStatus::Running || s.first == JobStatus::Stopping);
    }
    QCOMPARE(changed.count(), 4);
    status.setState(JobStatus::Idle);   // no change, no signal
    QCOMPARE(changed.count(), 4);

    status.setTotal(QStringLiteral("共 12 个"));
    status.setCurrent(QStringLiteral("seo tools"));
    QCOMPARE(status.total(), QStringLiteral("共 12 个"));
    QCOMPARE(status.current(), QStringLiteral("seo tools"));
    status.clearProgress();
    QVERIFY(status.total().isEmpty() && status.current().isEmpty());
    QCOMPARE(changed.count(), 7);
}

void TestCommon::waitRunsEvents()
{
    // Nothing to wait: no event loop runs, so a queued timer stays queued.
    bool early = false;
    QTimer::singleShot(0, this, [&] { early = true; });
    waitWithEvents(0);
    waitWithEvents(-5);
    QVERIFY(!early);

    int ticks = 0;
    QTimer timer;
    connect(&timer, &QTimer::timeout, this, [&] { ++ticks; });
    timer.start(20);
    QElapsedTimer clock;
    clock.start();
    waitWithEvents(250);
    timer.stop();
    QVERIFY(early);
    QVERIFY(clock.elapsed() >= 250);
    QVERIFY2(clock.elapsed() < 2000, "a 250 ms wait must not hang");
    QVERIFY(ticks >= 5);
}

QTEST_GUILESS_MAIN(TestCommon)
#include "test_common.moc"
