// SettingsStore: values survive a restart as written, missing values fall
// back.

#include "common/SettingsStore.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestSettingsStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void settingsRoundTrip();
    void settingsMissingValue();
};

void TestSettingsStore::settingsRoundTrip()
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

void TestSettingsStore::settingsMissingValue()
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

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "test_settingsstore.moc"
