// The small pieces mining is built from: the keyword encoder, the browser
// page read, cutting candidates out of the engines' pages, the word
// conditions, the seed file and the option record, and the result filter.

#include "common/PageReader.h"
#include "common/ResultFilter.h"
#include "common/ResultList.h"
#include "common/SettingsStore.h"
#include "context/AppContext.h"
#include "engines/RelatedSearches.h"
#include "engines/cKeyrank.h"
#include "research/MiningSettings.h"
#include "research/RelatedMiner.h"
#include "web/M_base.h"

#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

namespace {

class FakePageReader : public PageReader
{
public:
    QString readPage(const QString &address, int waitMs) override
    {
        addresses << address;
        waits << waitMs;
        return QStringLiteral("<head></head><body>") + address + QStringLiteral("</body>");
    }
    QStringList addresses;
    QList<int> waits;
};

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

class TestMiningHelpers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void gbToUtf8_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("ascii unchanged") << QStringLiteral("seo tools/2&x=1%") << QStringLiteral("seo tools/2&x=1%");
        QTest::newRow("two bytes") << QStringLiteral("café") << QStringLiteral("caf%C3%A9");
        QTest::newRow("lone e acute") << QStringLiteral("é") << QStringLiteral("%C3%A9");
        QTest::newRow("three bytes") << QStringLiteral("中") << QStringLiteral("%E4%B8%AD");
        QTest::newRow("edges") << QString(QChar(0x7F)) + QChar(0x80) + QChar(0x7FF) + QChar(0x800) + QChar(0xFFFF)
                               << QStringLiteral("\x7F%C2%80%DF%BF%E0%A0%80%EF%BF%BF");
        // Each 16-bit unit by itself: the halves of a pair are not combined.
        QTest::newRow("surrogate pair") << QString::fromUtf8("\xF0\x9F\x98\x80")
                                        << QStringLiteral("%ED%A0%BD%ED%B8%80");
    }
    void gbToUtf8()
    {
        QFETCH(QString, input);
        QFETCH(QString, expected);
        QCOMPARE(cKeyrank::GBtoUTF8(input), expected);
    }

    void getWebHtml()
    {
        QTemporaryDir dir;
        AppContext context(dir.path(), dir.path(), dir.filePath(QStringLiteral("s.ini")));
        // Headless: no browser, nothing loaded.
        QCOMPARE(M_base::GetWebHtml(context.pageReader(), QStringLiteral("http://127.0.0.1:1/s?wd=seo")), QString());

        FakePageReader reader;
        context.setPageReader(&reader);
        QCOMPARE(M_base::GetWebHtml(context.pageReader(), QStringLiteral("http://x/a")),
                 QStringLiteral("<head></head><body>http://x/a</body>"));
        QCOMPARE(M_base::GetWebHtml(context.pageReader(), QStringLiteral("http://x/b"), 10),
                 QStringLiteral("<head></head><body>http://x/b</body>"));
        QCOMPARE(reader.addresses, QStringList({QStringLiteral("http://x/a"), QStringLiteral("http://x/b")}));
        // The default wait is a little over five seconds: the page's scripts need it.
        QCOMPARE(reader.waits, QList<int>({5100, 10}));
    }

    void candidates_data()
    {
        QTest::addColumn<int>("engine");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("yahoo") << int(Engine::Yahoo)
                               << QStringLiteral(
                                      "<script>x.data = {\"gossip\":[[\"seo tools\",\"0\"],[\"free seo\",\"0\"],"
                                      "[\"seo tips\",\"0\"]]};</script>")
                               << QStringList{QStringLiteral("seo tools"), QStringLiteral("free seo"),
                                              QStringLiteral("seo tips")};
        // The first piece is always walked; a page without suggestions gives
        // one empty candidate, which the test rejects.
        QTest::newRow("yahoo without suggestions")
            << int(Engine::Yahoo) << QStringLiteral("<html>nothing</html>") << QStringList{QString()};
        QTest::newRow("yahoo empty page") << int(Engine::Yahoo) << QString() << QStringList{QString()};

        QTest::newRow("google") << int(Engine::Google)
                                << QStringLiteral("<p class=med>searches related to <b>seo</b></p><table><tr>"
                                                  "<td><a href=\"/search?q=seo+tools\">seo <b>tools</b></a></td>"
                                                  "<td><a href=\"/search?q=best+seo\"><b>best</b> seo</a></td></tr>"
                                                  "</table><a href=x>after</a>")
                                << QStringList{QStringLiteral("seo tools"), QStringLiteral("best seo")};
        QTest::newRow("google without region")
            << int(Engine::Google) << QStringLiteral("<td><a href=x>seo</a></td></table>") << QStringList{};

        QTest::newRow("bing") << int(Engine::Bing)
                              << QStringLiteral("<div><h2>related searches</h2><ul>"
                                                "<li><a href=\"/search?q=seo+tools\" onmousedown=\"si_t('&id=1')\">"
                                                "seo <strong>tools</strong></a></li>"
                                                "<li><a href=\"/search?q=local+seo\" onmousedown=\"si_t('&id=2')\">"
                                                "<strong>local</strong> seo</a></li></ul></div>")
                              << QStringList{QStringLiteral("seo tools"), QStringLiteral("local seo")};
        QTest::newRow("bing empty page") << int(Engine::Bing) << QString() << QStringList{};
    }
    void candidates()
    {
        QFETCH(int, engine);
        QFETCH(QString, page);
        QFETCH(QStringList, expected);
        QCOMPARE(RelatedSearches::candidates(Engine(engine), page), expected);
    }

    void wordConditions_data()
    {
        QTest::addColumn<bool>("mustContain");
        QTest::addColumn<bool>("exclude");
        QTest::addColumn<QString>("words");
        QTest::addColumn<QString>("candidate");
        QTest::addColumn<bool>("passes");

        QTest::newRow("no conditions") << false << false << QString() << QStringLiteral("web ranking") << true;
        QTest::newRow("empty candidate") << false << false << QString() << QString() << false;
        QTest::newRow("must contain, has seed") << true << false << QString() << QStringLiteral("seo tools") << true;
        QTest::newRow("must contain, lacks seed")
            << true << false << QString() << QStringLiteral("web ranking") << false;
        QTest::newRow("must contain is case-sensitive")
            << true << false << QString() << QStringLiteral("SEO tools") << false;
        QTest::newRow("excluded first word")
            << false << true << QStringLiteral("free|cheap") << QStringLiteral("free seo tools") << false;
        QTest::newRow("excluded second word")
            << false << true << QStringLiteral("free|cheap") << QStringLiteral("cheap seo") << false;
        QTest::newRow("not excluded") << false << true << QStringLiteral("free|cheap") << QStringLiteral("seo tips")
                                      << true;
        QTest::newRow("words trimmed and lower-cased")
            << false << true << QStringLiteral("  FREE|Cheap ") << QStringLiteral("cheap seo") << false;
        QTest::newRow("empty field excludes nothing")
            << false << true << QStringLiteral("   ") << QStringLiteral("seo tips") << true;
        QTest::newRow("empty words are skipped")
            << false << true << QStringLiteral("a||b|") << QStringLiteral("seo tips") << true;
        QTest::newRow("trailing bar still excludes its word")
            << false << true << QStringLiteral("free|") << QStringLiteral("free seo") << false;
        QTest::newRow("exclusion off ignores the field")
            << false << false << QStringLiteral("seo") << QStringLiteral("seo tips") << true;
    }
    void wordConditions()
    {
        QFETCH(bool, mustContain);
        QFETCH(bool, exclude);
        QFETCH(QString, words);
        QFETCH(QString, candidate);
        QFETCH(bool, passes);
        MiningOptions o;
        o.mustContain = mustContain;
        o.exclude = exclude;
        o.excludeWords = words;
        QCOMPARE(RelatedMiner::passesWords(candidate, QStringLiteral("seo"), o), passes);
    }

    void setting1()
    {
        QCOMPARE(MiningSettings::parseSetting1(QStringLiteral("0#1#1#0#0")),
                 (MiningSettings::Boxes{false, true, true, false, false}));
        QCOMPARE(MiningSettings::parseSetting1(QStringLiteral("1#0#2")),
                 (MiningSettings::Boxes{true, false, true, false, false}));
        QCOMPARE(MiningSettings::formatSetting1({true, false, true, true, false}), QStringLiteral("1#0#1#1#0"));

        QTemporaryDir dir;
        AppContext context(dir.path(), dir.path(), dir.filePath(QStringLiteral("s.ini")));
        QVERIFY(!context.settings().HasValue(QStringLiteral("setting1")));
        QCOMPARE(MiningSettings::loadBoxes(context), (MiningSettings::Boxes{false, true, true, false, false}));
        QCOMPARE(context.settings().ReadValue(QStringLiteral("setting1")), QStringLiteral("0#1#1#0#0"));
        context.settings().WriteValue(QStringLiteral("setting1"), QStringLiteral("1#1#1#1#1"));
        QCOMPARE(MiningSettings::loadBoxes(context), (MiningSettings::Boxes{true, true, true, true, true}));
    }

    void seedFile()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("kws.txt"));
        QCOMPARE(MiningSettings::readSeed(file), QString());

        QVERIFY(MiningSettings::saveSeed(file, QStringLiteral("  关键词 seo  ")));
        QStringEncoder gb("GB18030");
        QCOMPARE(readAll(file), QByteArray(gb.encode(QStringLiteral("关键词 seo\r\n"))));
        QCOMPARE(MiningSettings::readSeed(file), QStringLiteral("关键词 seo"));

        // "qq" in any case is never written; the file keeps the last seed.
        QVERIFY(!MiningSettings::saveSeed(file, QStringLiteral(" QQ ")));
        QCOMPARE(MiningSettings::readSeed(file), QStringLiteral("关键词 seo"));
        QVERIFY(MiningSettings::saveSeed(file, QStringLiteral("qq tools")));
        QCOMPARE(MiningSettings::readSeed(file), QStringLiteral("qq tools"));

        // Files written elsewhere: UTF-8 with its byte-order mark and LF, and
        // only the first line counts.
        writeAll(file, "\xEF\xBB\xBF" + QStringLiteral("中文 seo\nsecond\n").toUtf8());
        QCOMPARE(MiningSettings::readSeed(file), QStringLiteral("中文 seo"));
        writeAll(file, gb.encode(QStringLiteral("优化\r\n")));
        QCOMPARE(MiningSettings::readSeed(file), QStringLiteral("优化"));
    }

    void seedsRoundTripInEveryScript_data()
    {
        QTest::addColumn<QString>("seed");
        // These four are GB18030 bytes that are also valid UTF-8.
        QTest::newRow("小说") << QStringLiteral("小说");
        QTest::newRow("医院") << QStringLiteral("医院");
        QTest::newRow("学校") << QStringLiteral("学校");
        QTest::newRow("图片") << QStringLiteral("图片");
        QTest::newRow("accented") << QStringLiteral("café crème brûlée");
        QTest::newRow("outside GBK") << QStringLiteral("emoji 😀 𠀀");
    }

    void seedsRoundTripInEveryScript()
    {
        QFETCH(QString, seed);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("kws.txt"));
        QVERIFY(MiningSettings::saveSeed(file, seed));
        QCOMPARE(MiningSettings::readSeed(file), seed);
    }

    void relatedFilter()
    {
        ResultList reserve(RelatedMiner::reserveHeaders());
        ResultList shown(RelatedMiner::resultHeaders());
        reserve.addRow(QStringLiteral("seo"), {QStringLiteral("1,500"), QStringLiteral("1"), QStringLiteral("-")});
        reserve.setBold(0, true);
        reserve.addRow(QStringLiteral("seo tools"), {QStringLiteral("-"), QStringLiteral("0"), QStringLiteral("5")});
        reserve.addRow(QStringLiteral("SEO TOOLS"), {QStringLiteral("1000"), QStringLiteral("0"), QStringLiteral("5")});
        reserve.addRow(QStringLiteral("seo tips"), {QStringLiteral("999"), QStringLiteral("-"), QStringLiteral("5")});
        reserve.addRow(QStringLiteral("seo help"), {QStringLiteral("0"), QStringLiteral("7"), QStringLiteral("5")});

        auto texts = [&] {
            QStringList out;
            for (const auto &r : shown.rows())
                out << r.text;
            return out;
        };

        FilterConditions c;
        c.text = QStringLiteral("seo");
        ResultFilter::apply(shown, reserve, c, FilterColumns::relatedKeywords());
        QCOMPARE(texts(),
                 QStringList({QStringLiteral("seo"), QStringLiteral("seo tools"), QStringLiteral("seo tips"),
                              QStringLiteral("seo help")}));
        QVERIFY(shown.row(0).bold);
        QCOMPARE(shown.cell(0, 1), QStringLiteral("1,500"));

        c = {};
        c.google = {QStringLiteral(">"), QStringLiteral("1000")};
        ResultFilter::apply(shown, reserve, c, FilterColumns::relatedKeywords());
        QCOMPARE(texts(), QStringList({QStringLiteral("seo"), QStringLiteral("seo tools")}));

        c = {};
        c.google = {QStringLiteral("="), QStringLiteral("0")};
        ResultFilter::apply(shown, reserve, c, FilterColumns::relatedKeywords());
        QCOMPARE(texts(), QStringList({QStringLiteral("seo tools"), QStringLiteral("seo help")}));

        // Two conditions: a row must pass both; the reserve is never touched.
        c.yahoo = {QStringLiteral(">"), QStringLiteral("0")};
        ResultFilter::apply(shown, reserve, c, FilterColumns::relatedKeywords());
        QCOMPARE(texts(), QStringList({QStringLiteral("seo help")}));
        QCOMPARE(reserve.count(), 5);

        // Not a number: the condition is off.
        c = {};
        c.bing = {QStringLiteral("<"), QStringLiteral("abc")};
        ResultFilter::apply(shown, reserve, c, FilterColumns::relatedKeywords());
        QCOMPARE(shown.count(), 5);
    }
};

QTEST_GUILESS_MAIN(TestMiningHelpers)
#include "test_mining_helpers.moc"
