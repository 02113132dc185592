// The mining tab offscreen: what it restores at start, what it saves, the
// start/pause button and its captions, delete, restore, filter, the context
// menu and "加入关键词数据库".

#include "MiningExpect.h"
#include "common/JobStatus.h"
#include "common/ResultList.h"
#include "common/SettingsStore.h"
#include "common/ui/FilterFrame.h"
#include "common/ui/ResultListView.h"
#include "research/ui/MiningTab.h"
#include "support/TestEnv.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStringEncoder>

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The tab's widgets, found by their object names.
template <class T> T *child(const QWidget &tab, const QString &name) { return tab.findChild<T *>(name); }
QLineEdit *seedEdit(const QWidget &tab) { return child<QLineEdit>(tab, QStringLiteral("seedEdit")); }
QPushButton *startButton(const QWidget &tab) { return child<QPushButton>(tab, QStringLiteral("startButton")); }
QCheckBox *mustContainBox(const QWidget &tab) { return child<QCheckBox>(tab, QStringLiteral("mustContainBox")); }
QCheckBox *engineBox(const QWidget &tab, Engine e)
{
    return child<QCheckBox>(tab, QStringLiteral("countBox_") + engineKey(e));
}
QCheckBox *storeBox(const QWidget &tab) { return child<QCheckBox>(tab, QStringLiteral("storeBox")); }
ResultListView *resultView(const QWidget &tab) { return child<ResultListView>(tab, QStringLiteral("resultView")); }
FilterFrame *filterFrame(const QWidget &tab) { return child<FilterFrame>(tab, QStringLiteral("filterFrame")); }
QPushButton *deleteButton(const QWidget &tab) { return child<QPushButton>(tab, QStringLiteral("deleteButton")); }
QPushButton *addToDatabaseButton(const QWidget &tab)
{
    return child<QPushButton>(tab, QStringLiteral("addToDatabaseButton"));
}

} // namespace

class TestMiningTab : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        f = std::make_unique<TestEnv>(TestEnv::OwnWeb);
        QVERIFY(f->isValid());
    }
    void cleanup()
    {
        tab.reset();
        f.reset();
    }

    void restoresSeedAndBoxesWithoutWritingBack()
    {
        QFile kws(f->dataFile(QStringLiteral("kws.txt")));
        QVERIFY(kws.open(QIODevice::WriteOnly));
        QStringEncoder gb("GB18030");
        kws.write(gb.encode(QStringLiteral("搜索 seo\r\nignored\r\n")));
        kws.close();

        tab = std::make_unique<MiningTab>(*f->context);
        QCOMPARE(seedEdit(*tab)->text(), QStringLiteral("搜索 seo"));
        QCOMPARE(f->context->settings().ReadValue(QStringLiteral("setting1")), QStringLiteral("0#1#1#0#0"));
        QVERIFY(!mustContainBox(*tab)->isChecked());
        QVERIFY(engineBox(*tab, Engine::Google)->isChecked());
        QVERIFY(engineBox(*tab, Engine::Yahoo)->isChecked());
        QVERIFY(!engineBox(*tab, Engine::Bing)->isChecked());
        QVERIFY(!storeBox(*tab)->isChecked());
        QCOMPARE(engineBox(*tab, Engine::Bing)->text(), QStringLiteral("同时查询Bing收录量"));

        // Before start-up has finished, box changes are not saved.
        storeBox(*tab)->setChecked(true);
        QCOMPARE(f->context->settings().ReadValue(QStringLiteral("setting1")), QStringLiteral("0#1#1#0#0"));
        f->context->settings().setLoaded(true);
        mustContainBox(*tab)->setChecked(true);
        QCOMPARE(f->context->settings().ReadValue(QStringLiteral("setting1")), QStringLiteral("1#1#1#0#1"));
        engineBox(*tab, Engine::Google)->setChecked(false);
        QCOMPARE(f->context->settings().ReadValue(QStringLiteral("setting1")), QStringLiteral("1#0#1#0#1"));

        // A second tab (the next start) shows the saved state.
        MiningTab again(*f->context);
        QVERIFY(mustContainBox(again)->isChecked());
        QVERIFY(!engineBox(again, Engine::Google)->isChecked());
        QVERIFY(storeBox(again)->isChecked());
    }

    void seedFieldChangesAreSaved()
    {
        tab = std::make_unique<MiningTab>(*f->context);
        const QString file = f->dataFile(QStringLiteral("kws.txt"));
        QVERIFY(!QFile::exists(file)); // restoring an empty field writes nothing
        QTest::keyClicks(seedEdit(*tab), QStringLiteral(" seo "));
        QCOMPARE(readAll(file), QByteArray("seo\r\n"));
        seedEdit(*tab)->setText(QStringLiteral(" 优化 "));
        QStringEncoder gb("GB18030");
        QCOMPARE(readAll(file), QByteArray(gb.encode(QStringLiteral("优化\r\n"))));
        seedEdit(*tab)->setText(QStringLiteral("QQ"));
        QCOMPARE(readAll(file), QByteArray(gb.encode(QStringLiteral("优化\r\n"))));
    }

    void anUnsavableSeedIsSaidOncePerFailure()
    {
        tab = std::make_unique<MiningTab>(*f->context);
        // A folder where the file should be: no write can replace it.
        QVERIFY(QDir(f->dataDir).mkdir(QStringLiteral("kws.txt")));
        f->prompter.prompts.clear();
        QTest::keyClicks(seedEdit(*tab), QStringLiteral("seo"));
        QCOMPARE(f->prompter.prompts.size(), 1);
        QCOMPARE(f->prompter.prompts.at(0).icon, Prompter::Icon::Warning);
        QVERIFY2(f->prompter.lastText().contains(f->dataFile(QStringLiteral("kws.txt"))),
                 qPrintable(f->prompter.lastText()));
        QVERIFY(QFileInfo(f->dataFile(QStringLiteral("kws.txt"))).isDir());
        // Saved again once the file can be written; a new failure is said again.
        QVERIFY(QDir(f->dataDir).rmdir(QStringLiteral("kws.txt")));
        seedEdit(*tab)->setText(QStringLiteral("seo tools"));
        QCOMPARE(readAll(f->dataFile(QStringLiteral("kws.txt"))), QByteArray("seo tools\r\n"));
        QVERIFY(QFile::remove(f->dataFile(QStringLiteral("kws.txt"))));
        QVERIFY(QDir(f->dataDir).mkdir(QStringLiteral("kws.txt")));
        seedEdit(*tab)->setText(QStringLiteral("seo tool"));
        QCOMPARE(f->prompter.prompts.size(), 2);
    }

    void runShowsRowsCountsAndCaptions()
    {
        f->web().setRelatedCount(6);
        tab = std::make_unique<MiningTab>(*f->context);
        engineBox(*tab, Engine::Bing)->setChecked(true);
        seedEdit(*tab)->setText(QStringLiteral("SEO"));
        QStringList captions;
        QList<bool> filterEnabled;
        connect(&tab->miner(), &RelatedMiner::rowFilled, this, [&] {
            captions << startButton(*tab)->text();
            filterEnabled << filterFrame(*tab)->isEnabled();
        });
        QTest::mouseClick(startButton(*tab), Qt::LeftButton);

        const QStringList expected =
            QStringList{QStringLiteral("seo")} + mining_expect::related(QStringLiteral("seo"), 6);
        const ResultList &list = tab->miner().result();
        QCOMPARE(list.columnTexts(), expected);
        QVERIFY(list.row(0).bold);
        QCOMPARE(list.cell(3, 3), mining_expect::count(expected.at(3), Engine::Bing));
        // The Baidu figures have columns of their own beside the engine counts.
        QCOMPARE(list.headers(),
                 QStringList({QStringLiteral("相关关键词"), QStringLiteral("Google收录"), QStringLiteral("Yahoo收录"),
                              QStringLiteral("Bing收录"), QStringLiteral("搜索量-月均"), QStringLiteral("搜索量-昨日"),
                              QStringLiteral("百度收录数"), QStringLiteral("百度优化指数")}));
        QCOMPARE(tab->miner().reserve().headers(), list.headers());
        QCOMPARE(captions.size(), expected.size());
        QVERIFY(std::all_of(captions.begin(), captions.end(),
                            [](const QString &c) { return c == QStringLiteral("暂停查询"); }));
        QVERIFY(std::none_of(filterEnabled.begin(), filterEnabled.end(), [](bool b) { return b; }));
        QCOMPARE(startButton(*tab)->text(), QStringLiteral("开始查询"));
        QVERIFY(startButton(*tab)->isEnabled());
        QVERIFY(filterFrame(*tab)->isEnabled());
        QCOMPARE(f->context->jobStatus().stateText(), QStringLiteral("就绪"));
    }

    void pauseButtonParksAndResumes()
    {
        f->web().setRelatedCount(9);
        tab = std::make_unique<MiningTab>(*f->context);
        seedEdit(*tab)->setText(QStringLiteral("backlinks"));
        bool clicked = false;
        QString stoppingCaption;
        bool enabledWhileStopping = true;
        connect(&tab->miner(), &RelatedMiner::rowFilled, this, [&] {
            if (!clicked && tab->miner().result().count() == 3) {
                clicked = true;
                QTest::mouseClick(startButton(*tab), Qt::LeftButton);
                stoppingCaption = startButton(*tab)->text();
                enabledWhileStopping = startButton(*tab)->isEnabled();
            }
        });
        QTest::mouseClick(startButton(*tab), Qt::LeftButton);
        QCOMPARE(stoppingCaption, QStringLiteral("正在停止"));
        QVERIFY(!enabledWhileStopping);
        QCOMPARE(startButton(*tab)->text(), QStringLiteral("开始查询"));
        QVERIFY(startButton(*tab)->isEnabled());
        QVERIFY(filterFrame(*tab)->isEnabled());
        QCOMPARE(f->context->jobStatus().stateText(), QStringLiteral("已暂停"));
        QCOMPARE(tab->miner().result().count(), 3);

        QTest::mouseClick(startButton(*tab), Qt::LeftButton);
        QCOMPARE((tab->miner().result()).columnTexts(),
                 QStringList{QStringLiteral("backlinks")} + mining_expect::related(QStringLiteral("backlinks"), 9));
    }

    void deleteRestoreFilterAndMenu()
    {
        f->web().setRelatedCount(6);
        tab = std::make_unique<MiningTab>(*f->context);
        seedEdit(*tab)->setText(QStringLiteral("seo"));
        ResultList &list = tab->miner().result();

        QVERIFY(!tab->createContextMenu()); // empty list: no menu
        // An empty threshold means no condition: no grey "0" suggests otherwise.
        for (Engine e : kEngines) {
            auto *threshold = tab->findChild<QLineEdit *>(QStringLiteral("filterThreshold_") + engineKey(e));
            QVERIFY(threshold && threshold->text().isEmpty() && threshold->placeholderText().isEmpty());
        }
        QTest::mouseClick(startButton(*tab), Qt::LeftButton);
        const QStringList all = list.columnTexts();
        QCOMPARE(all.size(), 7);
        const QString counts2 = list.cell(2, 1);

        QTest::mouseClick(deleteButton(*tab), Qt::LeftButton);
        QCOMPARE(f->prompter.lastText(), QStringLiteral("请选择你要删除的关键词"));
        QCOMPARE(list.count(), 7);

        list.setChecked(0, true);
        list.setChecked(2, true);
        QTest::mouseClick(deleteButton(*tab), Qt::LeftButton);
        QCOMPARE(list.count(), 5);
        QVERIFY(!list.columnTexts().contains(all.at(2)));
        QCOMPARE(tab->miner().reserve().count(), 7);

        QTest::mouseClick(filterFrame(*tab)->restoreButton(), Qt::LeftButton);
        QCOMPARE(list.columnTexts(), all);
        QCOMPARE(list.cell(2, 1), counts2);
        QVERIFY(list.row(0).bold);

        // The filter frame works on this tab's lists.
        filterFrame(*tab)->textEdit()->setText(QStringLiteral("best"));
        QTest::mouseClick(filterFrame(*tab)->filterButton(), Qt::LeftButton);
        QVERIFY(list.count() >= 1);
        for (const QString &k : list.columnTexts())
            QVERIFY(k.contains(QStringLiteral("best")));
        QTest::mouseClick(filterFrame(*tab)->restoreButton(), Qt::LeftButton);
        QCOMPARE(list.count(), 7);

        // The menu: every entry offered; none while a job runs.
        f->context->jobStatus().setState(JobStatus::Running);
        QVERIFY(!tab->createContextMenu());
        f->context->jobStatus().setState(JobStatus::Idle);
        std::unique_ptr<QMenu> menu(tab->createContextMenu());
        QVERIFY(menu);
        QStringList entries;
        QList<bool> enabled;
        for (QAction *a : menu->actions()) {
            entries << (a->isSeparator() ? QStringLiteral("-") : a->text());
            enabled << a->isEnabled();
        }
        QCOMPARE(entries,
                 QStringList({QStringLiteral("重查当前项"), QStringLiteral("-"), QStringLiteral("查看百度指数"),
                              QStringLiteral("查看百度收录"), QStringLiteral("-"), QStringLiteral("关键词对比"),
                              QStringLiteral("删除选中项")}));
        QVERIFY(std::all_of(enabled.begin(), enabled.end(), [](bool b) { return b; }));
        list.setChecked(1, true);
        list.setChecked(3, true);
        const int prompts = f->prompter.prompts.size();
        menu->actions().at(6)->trigger();
        QCOMPARE(list.count(), 5);
        QCOMPARE(f->prompter.prompts.size(), prompts);
        QCOMPARE(tab->miner().reserve().count(), 7);
    }

    void sortingIsRefusedWhileBusy()
    {
        tab = std::make_unique<MiningTab>(*f->context);
        ResultList &list = tab->miner().result();
        list.addRow(QStringLiteral("a"), {QStringLiteral("95")});
        list.addRow(QStringLiteral("b"), {QStringLiteral("1200")});
        f->context->jobStatus().setState(JobStatus::Running);
        emit resultView(*tab)->header()->sectionClicked(1);
        QCOMPARE(list.columnTexts(), QStringList({QStringLiteral("a"), QStringLiteral("b")}));
        f->context->jobStatus().setState(JobStatus::Idle);
        emit resultView(*tab)->header()->sectionClicked(1); // first click: descending
        QCOMPARE(list.columnTexts(), QStringList({QStringLiteral("b"), QStringLiteral("a")}));
    }

    void addTickedToDatabase()
    {
        f->web().setRelatedCount(3);
        tab = std::make_unique<MiningTab>(*f->context);
        seedEdit(*tab)->setText(QStringLiteral("seo "));
        QTest::mouseClick(startButton(*tab), Qt::LeftButton);
        ResultList &list = tab->miner().result();
        QCOMPARE(list.count(), 4);

        QTest::mouseClick(addToDatabaseButton(*tab), Qt::LeftButton);
        QCOMPARE(f->prompter.prompts.last().text, QStringLiteral("成功提交了0条数据至数据库！"));
        QCOMPARE(f->prompter.prompts.last().title, QStringLiteral("提示"));

        list.setChecked(0, true);
        list.setChecked(2, true);
        QTest::mouseClick(addToDatabaseButton(*tab), Qt::LeftButton);
        QCOMPARE(f->prompter.prompts.last().text, QStringLiteral("成功提交了2条数据至数据库！"));
        const auto stored = f->context->keywords().find(list.cell(2, 0));
        QVERIFY(stored.has_value());
        QCOMPARE(stored->counts.google, list.cell(2, 1));
        QCOMPARE(stored->counts.bing, QStringLiteral("-"));
        const auto records = f->context->keywords().loadAll();
        QCOMPARE(records.size(), 2);
        QCOMPARE(records.first().parentkeys, QStringLiteral("seo"));

        // Already stored: neither changed nor counted.
        QTest::mouseClick(addToDatabaseButton(*tab), Qt::LeftButton);
        QCOMPARE(f->prompter.prompts.last().text, QStringLiteral("成功提交了0条数据至数据库！"));
    }

    void databaseOptionStoresEachNewRow()
    {
        f->web().setRelatedCount(3);
        tab = std::make_unique<MiningTab>(*f->context);
        storeBox(*tab)->setChecked(true);
        seedEdit(*tab)->setText(QStringLiteral("seo"));
        QTest::mouseClick(startButton(*tab), Qt::LeftButton);
        QCOMPARE(f->context->keywords().rowCount(), 4);

        // The same seed again: every row is today's, so no count request at all.
        f->web().clearLog();
        QTest::mouseClick(startButton(*tab), Qt::LeftButton);
        QCOMPARE(tab->miner().result().count(), 4);
        QCOMPARE(f->web().log(QStringLiteral("google")).size(), 1); // the suggestion page only
        QCOMPARE(f->context->keywords().rowCount(), 4);
    }

private:
    std::unique_ptr<TestEnv> f;
    std::unique_ptr<MiningTab> tab;
};

QTEST_MAIN(TestMiningTab)
#include "test_mining_tab.moc"
