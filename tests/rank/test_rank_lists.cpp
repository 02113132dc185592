// The site and keyword lists: adding, deleting, editing, import and export,
// the association modes, and what is stored between runs of the program.

#include "RankFixture.h"
#include "common/SettingsStore.h"
#include "rank/SiteKeywordLists.h"
#include "support/FileBytes.h"

#include <QFile>
#include <QStringEncoder>

namespace {

QByteArray gb(const QString &text)
{
    QStringEncoder e("GB18030");
    return e.encode(text);
}

} // namespace

class TestRankLists : public QObject
{
    Q_OBJECT

    std::unique_ptr<RankFixture> f;
    std::unique_ptr<SiteKeywordLists> lists;

    QString sitesSetting() { return f->context->settings().ReadValue("settingurl"); }
    void add(void (SiteKeywordLists::*op)(), const QString &answer)
    {
        f->prompter.texts.enqueue(answer);
        (lists.get()->*op)();
    }

private Q_SLOTS:
    void init()
    {
        f = std::make_unique<RankFixture>();
        QVERIFY(f->start());
        lists = std::make_unique<SiteKeywordLists>(*f->context);
    }
    void cleanup()
    {
        lists.reset();
        f.reset();
    }

    void addingTrimsAndTestsCaseSensitively()
    {
        add(&SiteKeywordLists::addSite, "  www.a.com ");
        add(&SiteKeywordLists::addSite, "www.a.com   ");
        add(&SiteKeywordLists::addSite, "WWW.A.COM");
        add(&SiteKeywordLists::addSite, "   ");
        QCOMPARE(lists->sites().texts(), (QStringList{"www.a.com", "WWW.A.COM"}));
        QCOMPARE(lists->sites().checkedCount(), 2);
        QCOMPARE(sitesSetting(), QString("www.a.com$WWW.A.COM"));
        QCOMPARE(f->prompter.prompts.first().text, QString("请输入网址"));
        QCOMPARE(f->prompter.prompts.first().title, QString("提示"));

        add(&SiteKeywordLists::addKeyword, QString::fromUtf8("登山鞋"));
        add(&SiteKeywordLists::addKeyword, QString::fromUtf8(" 登山鞋"));
        add(&SiteKeywordLists::addKeyword, "Seo");
        QCOMPARE(lists->keywords().texts(), (QStringList{QString::fromUtf8("登山鞋"), "Seo"}));
        QCOMPARE(f->prompter.lastText(), QString("请输入关键字"));
        // GB18030 and CR LF: one line, the list text joined with "$".
        QCOMPARE(TestFiles::bytesOf(lists->keywordFile()), gb(QString::fromUtf8("登山鞋$Seo\r\n")));
    }

    void deleteAsksAndSavesEvenWhenNothingIsTicked()
    {
        add(&SiteKeywordLists::addSite, "a.com");
        add(&SiteKeywordLists::addSite, "b.com");
        lists->sites().setChecked(0, false);
        f->context->settings().WriteValue("settingurl", "stale");
        lists->deleteSites(); // answered No
        QCOMPARE(sitesSetting(), QString("stale"));
        QCOMPARE(f->prompter.lastText(), QString("确实要删除选中的网站吗？"));
        f->prompter.answers.enqueue(Prompter::Answer::Yes);
        lists->deleteSites();
        QCOMPARE(lists->sites().texts(), QStringList{"a.com"});
        QCOMPARE(sitesSetting(), QString("a.com"));
        lists->sites().setChecked(0, false);
        f->context->settings().WriteValue("settingurl", "stale");
        f->prompter.answers.enqueue(Prompter::Answer::Yes);
        lists->deleteSites();
        QCOMPARE(sitesSetting(), QString("a.com"));
    }

    void inPlaceEditSavesTheTextAsTyped()
    {
        add(&SiteKeywordLists::addSite, "a.com");
        add(&SiteKeywordLists::addKeyword, "one");
        add(&SiteKeywordLists::addKeyword, "two");
        QVERIFY(lists->keywords().flags(lists->keywords().index(0, 0)) & Qt::ItemIsEditable);
        QVERIFY(lists->keywords().setData(lists->keywords().index(1, 0), " two b ", Qt::EditRole));
        QCOMPARE(TestFiles::bytesOf(lists->keywordFile()), QByteArray("one$ two b \r\n"));
        // A pasted line break or control character does not split the file's one line.
        QVERIFY(lists->keywords().setData(lists->keywords().index(1, 0), "two\r\nthree\x01", Qt::EditRole));
        QCOMPARE(TestFiles::bytesOf(lists->keywordFile()), QByteArray("one$twothree\r\n"));
        QVERIFY(lists->sites().setData(lists->sites().index(0, 0), "one", Qt::EditRole));
        QCOMPARE(sitesSetting(), QString("one"));
    }

    void exportLeavesBlankRowsOut()
    {
        const QString out = f->dataFile("sites-out.txt");
        lists->exportSites();
        QCOMPARE(f->prompter.prompts.last().title, QString("导出数据"));
        QCOMPARE(f->prompter.lastText(), QString("没有数据需要导出！"));

        lists->sites().addRow(" a.com ");
        lists->sites().addRow("   ");
        lists->sites().addRow(QString::fromUtf8("网站.cn"));
        f->prompter.texts.enqueue(out);
        lists->exportSites();
        QCOMPARE(TestFiles::bytesOf(out), gb(QString::fromUtf8("a.com\r\n网站.cn\r\n")));
        QCOMPARE(f->prompter.lastText(), QString("网站列表导出成功！"));

        // An existing file: Cancel keeps it.
        TestFiles::put(out, "keep");
        f->prompter.texts.enqueue(out);
        lists->exportSites();
        QCOMPARE(f->prompter.lastText(), QString("该文件已经存在，是否覆盖?"));
        QCOMPARE(TestFiles::bytesOf(out), QByteArray("keep"));
        f->prompter.texts.enqueue(out);
        f->prompter.answers.enqueue(Prompter::Answer::Ok);
        lists->exportSites();
        QCOMPARE(TestFiles::bytesOf(out), gb(QString::fromUtf8("a.com\r\n网站.cn\r\n")));
    }

    void importsAreSavedAndSurviveARestart()
    {
        const QString utf8 = f->dataFile("sites.txt");
        TestFiles::put(utf8, QString::fromUtf8("\xEF\xBB\xBFwww.a.com\n\n  spaced.com \r\n网站.cn\n").toUtf8());
        const QString gbFile = f->dataFile("kws.txt");
        TestFiles::put(gbFile, gb(QString::fromUtf8("登山鞋\r\nseo\r\nseo\r\n")));
        add(&SiteKeywordLists::addSite, "first.com");
        f->prompter.texts.enqueue(utf8);
        lists->importSites();
        QCOMPARE(f->prompter.prompts.last().title, QString("导入网站列表"));
        f->prompter.texts.enqueue(gbFile);
        lists->importKeywords();
        QCOMPARE(f->prompter.prompts.last().title, QString("导入关键词列表"));
        const QStringList sites{"first.com", "www.a.com", "  spaced.com ", QString::fromUtf8("网站.cn")};
        QCOMPARE(lists->sites().texts(), sites);
        QCOMPARE(lists->sites().row(1).checked, false);
        QCOMPARE(lists->keywords().texts(), (QStringList{QString::fromUtf8("登山鞋"), "seo", "seo"}));
        // An imported row with spaces around it is the row its trimmed text names:
        // adding that text again adds nothing.
        add(&SiteKeywordLists::addSite, "spaced.com");
        QCOMPARE(lists->sites().texts(), sites);

        // The program starts again and shows the tab.
        lists.reset();
        AppContext &again = f->restart();
        SiteKeywordLists reloaded(again);
        reloaded.loadSites();
        reloaded.loadKeywords();
        QCOMPARE(reloaded.sites().texts(), sites);
        QCOMPARE(reloaded.sites().checkedCount(), 4);
        QCOMPARE(reloaded.keywords().texts(), (QStringList{QString::fromUtf8("登山鞋"), "seo", "seo"}));
        // A cancelled dialog changes nothing.
        reloaded.importSites();
        QCOMPARE(reloaded.sites().count(), 4);
    }

    void loadingTheKeywordFile()
    {
        TestFiles::put(lists->keywordFile(), "a$b$\r\n");
        lists->keywords().addRow("old");
        lists->loadKeywords();
        QCOMPARE(lists->keywords().texts(), (QStringList{"a", "b", ""}));
        QCOMPARE(lists->keywords().checkedCount(), 3);
        // Loading twice does not duplicate rows; an empty source leaves the list.
        lists->loadKeywords();
        QCOMPARE(lists->keywords().count(), 3);
        f->context->settings().WriteValue("settingurl", "");
        lists->sites().addRow("kept");
        lists->loadSites();
        QCOMPARE(lists->sites().texts(), QStringList{"kept"});
        f->context->settings().WriteValue("settingurl", "x$$y");
        lists->loadSites();
        QCOMPARE(lists->sites().texts(), (QStringList{"x", "", "y"}));
    }

    void tickAllToggles()
    {
        lists->sites().addRow("a");
        lists->sites().addRow("b");
        QString caption = SiteKeywordLists::tickAll(lists->sites(), "全选");
        QCOMPARE(caption, QString("全不"));
        QCOMPARE(lists->sites().checkedCount(), 2);
        caption = SiteKeywordLists::tickAll(lists->sites(), caption);
        QCOMPARE(caption, QString("全选"));
        QCOMPARE(lists->sites().checkedCount(), 0);
    }

    void oneToManyMode()
    {
        add(&SiteKeywordLists::addSite, "a.com");
        add(&SiteKeywordLists::addSite, "b.com");
        add(&SiteKeywordLists::addKeyword, "k1");
        lists->sites().setAllChecked(false);
        // No ticked site: switching changes neither curSite nor the keywords.
        lists->setMode(SiteKeywordLists::OneToMany);
        QCOMPARE(lists->curSite(), 0);
        QCOMPARE(lists->keywords().texts(), QStringList{"k1"});
        QCOMPARE(lists->modeTooltip(), QString("一个网站对应多个关键词！"));
        f->prompter.prompts.clear();
        lists->addKeyword();
        QCOMPARE(f->prompter.lastText(), QString("必须选定一个网站后再添加关键词！"));

        // With b.com ticked it becomes the current site and keeps the list as its own.
        lists->setMode(SiteKeywordLists::ManyToMany);
        QCOMPARE(lists->modeTooltip(), QString("多个网站对应多个关键词！"));
        lists->sites().setChecked(1, true);
        lists->setMode(SiteKeywordLists::OneToMany);
        QCOMPARE(lists->curSite(), 2);
        QCOMPARE(lists->sites().row(1).tag, QString("k1"));
        add(&SiteKeywordLists::addKeyword, "k2");
        QCOMPARE(lists->sites().row(1).tag, QString("k1$k2"));

        // The user ticks a.com: only it is ticked and its (empty) keywords show.
        lists->sites().setData(lists->sites().index(0, 0), Qt::Checked, Qt::CheckStateRole);
        QCOMPARE(lists->sites().checkedCount(), 1);
        QCOMPARE(lists->curSite(), 1);
        QVERIFY(lists->keywords().isEmpty());
        // Clicking b.com brings its keywords back, ticked.
        lists->clickSite(1);
        QCOMPARE(lists->keywords().texts(), (QStringList{"k1", "k2"}));
        QCOMPARE(lists->keywords().checkedCount(), 2);
        QCOMPARE(lists->sites().row(0).checked, false);
        // Unticking the only ticked site clears the keyword list.
        lists->sites().setData(lists->sites().index(1, 0), Qt::Unchecked, Qt::CheckStateRole);
        QVERIFY(lists->keywords().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestRankLists)
#include "test_rank_lists.moc"
