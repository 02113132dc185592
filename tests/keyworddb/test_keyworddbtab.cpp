// The keyword-database tab's wiring: loading when shown, the start/pause
// button and its captions, what is locked while a refresh runs, and the
// delete, reload, filter and restore buttons, and "导入" in the list's menu.

#include "common/JobStatus.h"
#include "common/ResultList.h"
#include "common/ui/FilterFrame.h"
#include "common/ui/ResultListView.h"
#include "keyworddb/DatabaseRefresh.h"
#include "keyworddb/KeywordDatabase.h"
#include "keyworddb/KeywordImportRun.h"
#include "keyworddb/ui/KeywordDbTab.h"
#include "support/FileBytes.h"
#include "support/TestEnv.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <QTimer>
#include <memory>

class TestKeywordDbTab : public QObject
{
    Q_OBJECT

private:
    static QPushButton *button(QWidget *tab, const char *name)
    {
        return tab->findChild<QPushButton *>(QLatin1String(name));
    }
    static QCheckBox *engineBox(const QWidget &tab, Engine e)
    {
        return tab.findChild<QCheckBox *>(QStringLiteral("updateEngine_") + engineKey(e));
    }
    static ResultListView *view(const QWidget &tab)
    {
        return tab.findChild<ResultListView *>(QStringLiteral("databaseView"));
    }
    static FilterFrame *filterFrame(const QWidget &tab)
    {
        return tab.findChild<FilterFrame *>(QStringLiteral("filterFrame"));
    }

private Q_SLOTS:
    void showingLoadsWhatTheStoreGainedAndKeywordCannotBeEdited()
    {
        TestEnv f;
        f.seed({QStringLiteral("b"), QStringLiteral("a")});
        KeywordDbTab tab(*f.context);
        tab.show();
        ResultList &list = tab.database().list();
        QVERIFY(list.isEmpty());
        tab.activated();
        QCOMPARE(list.columnTexts(), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
        // Another tab stored a keyword: showing the tab shows it.
        f.seed({QStringLiteral("c")});
        tab.activated();
        QCOMPARE(list.columnTexts(), (QStringList{QStringLiteral("c"), QStringLiteral("a"), QStringLiteral("b")}));
        // Nothing written since: the list (and what is ticked in it) stays.
        list.setChecked(2, true);
        tab.activated();
        QVERIFY(list.row(2).checked);
        // The tab's own delete leaves the list current.
        tab.database().deleteTicked();
        list.setChecked(0, true);
        tab.activated();
        QCOMPARE(list.columnTexts(), (QStringList{QStringLiteral("c"), QStringLiteral("a")}));
        QVERIFY(list.row(0).checked);
        button(&tab, "reloadButton")->click();
        QCOMPARE(list.columnTexts(), (QStringList{QStringLiteral("c"), QStringLiteral("a")}));
        QVERIFY(!list.row(0).checked);

        QCOMPARE(tab.findChild<QGroupBox *>(QStringLiteral("refreshFrame"))->title(), QStringLiteral("数据库更新"));
        QCOMPARE(engineBox(tab, Engine::Yahoo)->text(), QStringLiteral("更新Yahoo收录量"));
        QCOMPARE(button(&tab, "updateButton")->text(), QStringLiteral("开始更新"));

        view(tab)->edit(list.index(0, 0));
        QVERIFY(view(tab)->viewport()->findChildren<QLineEdit *>().isEmpty());
        QCOMPARE(list.cell(0, 0), QStringLiteral("c"));
    }

    void aLargeTableLoadsWhileTheWindowRunsAndShowsProgress()
    {
        TestEnv f;
        f.seed({QStringLiteral("first")});
        constexpr int kRows = 30000;
        {
            QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fill"));
            other.setDatabaseName(f.dataFile(QStringLiteral("db.sqlite")));
            QVERIFY(other.open());
            QSqlQuery q(other);
            QVERIFY(q.exec(QStringLiteral("insert into keywords (keys,parentkeys,googles,yahoos,bings,adddate)"
                                          " with recursive n(i) as (select 1 union all select i+1 from n where i<%1)"
                                          " select 'kw '||i,'first',i,'-','5','2026-01-02' from n")
                               .arg(kRows)));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("fill"));

        KeywordDbTab tab(*f.context);
        tab.setBackgroundLoadAbove(1000);
        tab.database().setQuietLoadMs(0);
        tab.show();
        KeywordDatabase &db = tab.database();
        QStringList shown;
        connect(&db, &KeywordDatabase::loadProgress, this, [&] { shown.append(f.context->jobStatus().current()); });
        QSignalSpy finished(&db, &KeywordDatabase::loadFinished);
        tab.activated();
        // Back before a row was taken: nothing that works on the list can
        // be started until the load ends.
        QVERIFY(db.isLoading());
        QVERIFY(db.list().isEmpty());
        QVERIFY(!button(&tab, "deleteButton")->isEnabled());
        QVERIFY(!button(&tab, "reloadButton")->isEnabled());
        QVERIFY(!button(&tab, "updateButton")->isEnabled());
        QVERIFY(!filterFrame(tab)->isEnabled());
        std::unique_ptr<QMenu> menu(tab.createContextMenu());
        QVERIFY(!menu->findChild<QAction *>(QStringLiteral("importAction"))->isEnabled());
        // A second visit does not start a second load.
        tab.activated();

        int ticksWhileLoading = 0;
        QTimer tick;
        tick.setInterval(0);
        connect(&tick, &QTimer::timeout, this, [&] {
            if (db.isLoading())
                ++ticksWhileLoading;
        });
        tick.start();
        QVERIFY(finished.wait(10000));
        tick.stop();
        QVERIFY(ticksWhileLoading > 0);
        QCOMPARE(finished.size(), 1);
        QVERIFY(finished.first().at(0).toBool());
        QVERIFY(!shown.isEmpty());
        QCOMPARE(shown.first(), QStringLiteral("正在读取关键词数据库：4096"));
        QCOMPARE(f.context->jobStatus().current(), QString());

        QVERIFY(!db.isLoading());
        QCOMPARE(db.list().count(), kRows + 1);
        QCOMPARE(db.reserve().count(), kRows + 1);
        QCOMPARE(db.list().cell(0, 0), QStringLiteral("kw %1").arg(kRows));
        QCOMPARE(db.list().cell(0, KeywordDatabase::Google), QString::number(kRows));
        QCOMPARE(db.list().cell(kRows, 0), QStringLiteral("first"));
        QVERIFY(button(&tab, "deleteButton")->isEnabled());
        QVERIFY(button(&tab, "reloadButton")->isEnabled());
        QVERIFY(button(&tab, "updateButton")->isEnabled());
        QVERIFY(filterFrame(tab)->isEnabled());
        QVERIFY(!db.isStale());

        // "刷新数据库" replaces the rows (ticks go) rather than adding to them;
        // a load started over a running one leaves one load's rows.
        db.list().setChecked(0, true);
        button(&tab, "reloadButton")->click();
        QVERIFY(db.isLoading());
        QVERIFY(db.list().isEmpty());
        QVERIFY(db.reserve().isEmpty());
        db.reloadInBackground();
        QVERIFY(finished.wait(10000));
        QCOMPARE(db.list().count(), kRows + 1);
        QCOMPARE(db.list().checkedCount(), 0);
        QCOMPARE(finished.size(), 2);
    }

    void startWithNoEngineTickedShowsMessageAndChangesNothing()
    {
        TestEnv f(TestEnv::OwnWeb);
        f.seed({QStringLiteral("seo")});
        KeywordDbTab tab(*f.context);
        tab.activated();
        for (Engine e : kEngines)
            engineBox(tab, e)->setChecked(false);
        button(&tab, "updateButton")->click();
        QCOMPARE(f.prompter.prompts.size(), 1);
        QCOMPARE(f.prompter.prompts.first().title, QStringLiteral("提示"));
        QCOMPARE(f.prompter.prompts.first().text, QStringLiteral("请至少选择一个要更新的项目"));
        QCOMPARE(f.prompter.prompts.first().icon, Prompter::Icon::Information);
        QCOMPARE(button(&tab, "updateButton")->text(), QStringLiteral("开始更新"));
        QCOMPARE(f.context->jobStatus().stateText(), QStringLiteral("就绪"));
        QVERIFY(f.web().log().isEmpty());
        QCOMPARE(tab.database().list().cell(0, KeywordDatabase::Google), QStringLiteral("7"));
        QVERIFY(!tab.database().list().row(0).bold);
    }

    void pauseButtonAndLocksDuringRun()
    {
        TestEnv f(TestEnv::OwnWeb);
        f.seed({QStringLiteral("k4"), QStringLiteral("k3"), QStringLiteral("k2"), QStringLiteral("k1")});
        KeywordDbTab tab(*f.context);
        tab.show();
        tab.activated();
        engineBox(tab, Engine::Yahoo)->setChecked(false);
        engineBox(tab, Engine::Bing)->setChecked(false);
        f.web().setBehaviour(QStringLiteral("/google"), standin::Behaviour{300, 200, {}, false, false, -1});

        struct Seen {
            QString caption, status, stoppingCaption;
            bool updateEnabled = false, filterEnabled = true, deleteEnabled = true, reloadEnabled = true;
            bool stoppingEnabled = true;
            QStringList orderBefore, orderAfterSort;
        } seen;
        ResultList &list = tab.database().list();
        connect(&tab.refresh(), &DatabaseRefresh::engineStarted, this, [&](int row, Engine) {
            if (row != 1)
                return;
            QTimer::singleShot(100, this, [&] {
                seen.caption = button(&tab, "updateButton")->text();
                seen.updateEnabled = button(&tab, "updateButton")->isEnabled();
                seen.status = f.context->jobStatus().stateText();
                seen.filterEnabled = filterFrame(tab)->isEnabled();
                seen.deleteEnabled = button(&tab, "deleteButton")->isEnabled();
                seen.reloadEnabled = button(&tab, "reloadButton")->isEnabled();
                seen.orderBefore = list.columnTexts();
                Q_EMIT view(tab)->header()->sectionClicked(KeywordDatabase::Keyword);
                seen.orderAfterSort = list.columnTexts();
                button(&tab, "updateButton")->click(); // pause
                seen.stoppingCaption = button(&tab, "updateButton")->text();
                seen.stoppingEnabled = button(&tab, "updateButton")->isEnabled();
            });
        });

        button(&tab, "updateButton")->click(); // returns once the run has parked

        QCOMPARE(seen.caption, QStringLiteral("暂停更新"));
        QVERIFY(seen.updateEnabled);
        QCOMPARE(seen.status, QStringLiteral("进行中..."));
        QVERIFY(!seen.filterEnabled);
        QVERIFY(!seen.deleteEnabled);
        QVERIFY(!seen.reloadEnabled);
        QCOMPARE(seen.orderAfterSort, seen.orderBefore); // no sort while busy
        QCOMPARE(seen.stoppingCaption, QStringLiteral("正在停止"));
        QVERIFY(!seen.stoppingEnabled);

        QCOMPARE(button(&tab, "updateButton")->text(), QStringLiteral("开始更新"));
        QVERIFY(button(&tab, "updateButton")->isEnabled());
        QVERIFY(filterFrame(tab)->isEnabled());
        QVERIFY(button(&tab, "deleteButton")->isEnabled());
        QCOMPARE(f.context->jobStatus().stateText(), QStringLiteral("已暂停"));
        QVERIFY(list.row(2).bold);
        QCOMPARE(list.cell(1, KeywordDatabase::Date), TestEnv::today());
        QCOMPARE(list.cell(2, KeywordDatabase::Date), QStringLiteral("2020-01-02"));

        // Idle again: a header click sorts.
        Q_EMIT view(tab)->header()->sectionClicked(KeywordDatabase::Keyword);
        const QStringList once = list.columnTexts();
        Q_EMIT view(tab)->header()->sectionClicked(KeywordDatabase::Keyword);
        QVERIFY(list.columnTexts() != once);
    }

    void deleteFilterAndRestoreButtons()
    {
        TestEnv f;
        QVERIFY(f.store().insert(QStringLiteral("seo tips"), QStringLiteral("seo"),
                                 {QStringLiteral("50"), QStringLiteral("-"), QStringLiteral("-")}, QDate(2024, 1, 1)));
        QVERIFY(f.store().insert(QStringLiteral("seo tools"), QStringLiteral("seo"),
                                 {QStringLiteral("5000"), QStringLiteral("-"), QStringLiteral("-")},
                                 QDate(2024, 1, 2)));
        QVERIFY(f.store().insert(QStringLiteral("kid's toys"), QStringLiteral("toys"),
                                 {QStringLiteral("900"), QStringLiteral("-"), QStringLiteral("-")}, QDate(2024, 1, 3)));
        KeywordDbTab tab(*f.context);
        tab.activated();
        ResultList &list = tab.database().list();

        button(&tab, "deleteButton")->click();
        QCOMPARE(f.prompter.lastText(), QStringLiteral("请选择要删除的关键词！"));

        FilterFrame *frame = filterFrame(tab);
        frame->textEdit()->setText(QStringLiteral("seo"));
        frame->thresholdEdit(Engine::Google)->setText(QStringLiteral("100"));
        frame->filterButton()->click();
        QCOMPARE(list.columnTexts(), (QStringList{QStringLiteral("seo tools")}));
        QCOMPARE(list.cell(0, KeywordDatabase::Date), QStringLiteral("2024-01-02"));
        frame->restoreButton()->click();
        QCOMPARE(list.count(), 3);

        list.setChecked(0, true); // kid's toys
        button(&tab, "deleteButton")->click();
        QCOMPARE(f.prompter.lastText(), QStringLiteral("成功删除1个关键词！"));
        QCOMPARE(f.prompter.prompts.last().title, QStringLiteral("Veltrana"));
        QVERIFY(!f.store().find(QStringLiteral("kid's toys")));
        frame->restoreButton()->click();
        QCOMPARE(list.columnTexts(), (QStringList{QStringLiteral("seo tools"), QStringLiteral("seo tips")}));
    }

    void importFromTheContextMenu()
    {
        TestEnv f;
        f.seed({QStringLiteral("seo")});
        KeywordDbTab tab(*f.context);
        tab.activated();
        const auto importAction = [&tab]() -> QAction * {
            std::unique_ptr<QMenu> menu(tab.createContextMenu());
            QAction *action = menu->findChild<QAction *>(QStringLiteral("importAction"));
            if (!action || action->text() != QStringLiteral("导入") || !action->isEnabled())
                return nullptr;
            action->setParent(&tab); // outlives the menu for the trigger
            return action;
        };
        const QString path = f.dataFile(QStringLiteral("planner.csv"));
        TestFiles::put(path,
                       "Keyword Stats 2026-12-01 at 10_15_42\r\n"
                       "Keyword,Currency,Avg. monthly searches\r\n"
                       "seo,USD,100\r\nseo tips,USD,10\r\nlocal seo,USD,\"1,000\"\r\n");

        // Cancelling the file dialog does nothing.
        QAction *action = importAction();
        QVERIFY(action);
        action->trigger();
        QCOMPARE(f.prompter.prompts.size(), 1);
        QCOMPARE(f.prompter.prompts.first().kind, QStringLiteral("open"));
        QCOMPARE(f.prompter.prompts.first().text, QStringLiteral("关键词文件 (*.csv *.txt *.tsv);;所有文件 (*)"));
        QCOMPARE(f.store().rowCount(), 1);

        // Off the window's thread: the list's actions wait for it.
        QSignalSpy imported(&tab.importRun(), &KeywordImportRun::finished);
        f.prompter.texts.enqueue(path);
        action->trigger();
        QVERIFY(tab.importRun().isRunning());
        QVERIFY(!tab.findChild<QPushButton *>(QStringLiteral("deleteButton"))->isEnabled());
        QVERIFY(imported.wait(2000));
        QVERIFY(tab.findChild<QPushButton *>(QStringLiteral("deleteButton"))->isEnabled());
        QCOMPARE(f.prompter.prompts.last().text, QStringLiteral("成功导入2个关键词，跳过1个已有的关键词！"));
        QCOMPARE(f.prompter.prompts.last().title, QStringLiteral("提示"));
        QCOMPARE(f.prompter.prompts.last().icon, Prompter::Icon::Information);
        // The list shows the table again, the imported rows on top.
        QCOMPARE(tab.database().list().columnTexts(),
                 (QStringList{QStringLiteral("local seo"), QStringLiteral("seo tips"), QStringLiteral("seo")}));
        QCOMPARE(tab.database().list().cell(0, KeywordDatabase::Date), TestEnv::today());
        QCOMPARE(tab.database().list().cell(0, KeywordDatabase::Google), QStringLiteral("-"));

        // A file that is not understood: said, and the table stays.
        const QString bad = f.dataFile(QStringLiteral("bad.txt"));
        TestFiles::put(bad, QByteArray("new\0keyword\r\n", 13));
        f.prompter.texts.enqueue(bad);
        action->trigger();
        QVERIFY(imported.wait(2000));
        QCOMPARE(f.prompter.prompts.last().icon, Prompter::Icon::Warning);
        QVERIFY2(f.prompter.lastText().startsWith(QStringLiteral("无法导入文件 ") + bad),
                 qPrintable(f.prompter.lastText()));
        QCOMPARE(f.store().rowCount(), 3);

        // The table refusing a row, on the import's own connection: said,
        // nothing stored, and the list still shows what the table holds.
        {
            QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
            other.setDatabaseName(f.store().fileName());
            QVERIFY(other.open());
            QSqlQuery q(other);
            QVERIFY(q.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON keywords WHEN NEW.keys = 'boom'"
                                          " BEGIN SELECT RAISE(ABORT, 'refused'); END")));
            other.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
        const QString refused = f.dataFile(QStringLiteral("refused.txt"));
        TestFiles::put(refused, "fresh\r\nboom\r\n");
        f.prompter.texts.enqueue(refused);
        action->trigger();
        QVERIFY(imported.wait(2000));
        QCOMPARE(f.prompter.prompts.last().icon, Prompter::Icon::Warning);
        QVERIFY2(f.prompter.lastText().startsWith(QStringLiteral("无法写入关键词数据库 ")),
                 qPrintable(f.prompter.lastText()));
        QVERIFY2(f.prompter.lastText().contains(QStringLiteral("refused")), qPrintable(f.prompter.lastText()));
        QCOMPARE(f.store().rowCount(), 3);
        QCOMPARE(tab.database().list().count(), 3);

        // Not while a job runs.
        f.context->jobStatus().setState(JobStatus::Running);
        QVERIFY(!importAction());
        f.context->jobStatus().setState(JobStatus::Idle);
        QVERIFY(importAction());
    }
};

QTEST_MAIN(TestKeywordDbTab)
#include "test_keyworddbtab.moc"
