#include "keyworddb/ui/KeywordDbTab.h"

#include "common/Clock.h"
#include "common/JobStatus.h"
#include "common/Prompter.h"
#include "common/ResultList.h"
#include "common/Wait.h"
#include "common/ui/ExportButtons.h"
#include "common/ui/FilterFrame.h"
#include "common/ui/JobButton.h"
#include "common/ui/ResultListView.h"
#include "context/AppContext.h"
#include "keyworddb/DatabaseRefresh.h"
#include "keyworddb/KeywordDatabase.h"
#include "keyworddb/KeywordImport.h"
#include "keyworddb/KeywordImportRun.h"
#include "store/KeywordStore.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>
#include <utility>

KeywordDbTab::KeywordDbTab(AppContext &context, QWidget *parent)
    : FeatureTab(parent),
      m_context(context),
      m_database(new KeywordDatabase(context.keywords(), this)),
      m_refresh(new DatabaseRefresh(m_database->lists(), context.keywords(), context.endpoints(), context.pacing(),
                                    context.clock(), context.pageRules(), context.jobStatus(), this)),
      m_import(new KeywordImportRun(this))
{
    setObjectName(QStringLiteral("keywordDbTab"));

    m_view = new ResultListView(this);
    m_view->setObjectName(QStringLiteral("databaseView"));
    m_view->setResultList(&m_database->list());
    m_view->setJobStatus(&context.jobStatus());
    m_view->setContextMenuPolicy(Qt::CustomContextMenu);

    m_delete = new QPushButton(QStringLiteral("删除关键词"), this);
    m_delete->setObjectName(QStringLiteral("deleteButton"));
    m_reload = new QPushButton(QStringLiteral("刷新数据库"), this);
    m_reload->setObjectName(QStringLiteral("reloadButton"));

    m_filter = new FilterFrame(QStringLiteral("关键词中："), this);

    m_refreshFrame = new QGroupBox(QStringLiteral("数据库更新"), this);
    m_refreshFrame->setObjectName(QStringLiteral("refreshFrame"));
    auto *refreshLayout = new QVBoxLayout(m_refreshFrame);
    for (Engine e : kEngines) {
        auto *box = new QCheckBox(QStringLiteral("更新") + engineLabel(e) + QStringLiteral("收录量"), m_refreshFrame);
        box->setObjectName(QStringLiteral("updateEngine_") + engineKey(e));
        box->setChecked(true);
        m_engineBoxes[engineIndex(e)] = box;
        refreshLayout->addWidget(box);
    }
    m_update = new QPushButton(QStringLiteral("开始更新"), m_refreshFrame);
    m_update->setObjectName(QStringLiteral("updateButton"));
    refreshLayout->addWidget(m_update);
    refreshLayout->addStretch();

    auto *listButtons = new QHBoxLayout;
    listButtons->addWidget(m_delete);
    listButtons->addWidget(m_reload);
    listButtons->addStretch();
    auto *left = new QVBoxLayout;
    left->addWidget(m_view, 1);
    left->addLayout(listButtons);
    m_export = new ExportButtons(
        *m_view, ReportKind::KeywordDatabase, [&c = m_context] { return c.exporter(); }, ExportButtons::Verb::Export,
        this);
    left->addWidget(m_export);
    auto *right = new QVBoxLayout;
    right->addWidget(m_filter);
    right->addWidget(m_refreshFrame);
    right->addStretch();
    m_refreshFrame->setMaximumWidth(m_filter->maximumWidth());
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(right);

    m_refresh->setPrompter(&context.prompter());
    // The boxes are read again before every engine step of a run.
    m_refresh->setEngineSwitch([this](Engine e) { return m_engineBoxes[engineIndex(e)]->isChecked(); });

    connect(m_delete, &QPushButton::clicked, this,
            [this] { m_database->deleteTickedWithMessages(m_context.prompter()); });
    connect(m_reload, &QPushButton::clicked, this, &KeywordDbTab::reload);
    connect(m_filter, &FilterFrame::filterRequested, this, [this] { m_database->filter(m_filter->conditions()); });
    connect(m_filter, &FilterFrame::restoreRequested, this, [this] { m_database->restore(); });
    connect(m_update, &QPushButton::clicked, this, &KeywordDbTab::onUpdateClicked);
    connect(m_database, &KeywordDatabase::loadProgress, this, &KeywordDbTab::showLoadProgress);
    connect(m_database, &KeywordDatabase::loadFinished, this, &KeywordDbTab::loadFinished);
    connect(m_import, &KeywordImportRun::progress, this, &KeywordDbTab::showImportProgress);
    connect(m_import, &KeywordImportRun::finished, this, &KeywordDbTab::importFinished);
    new JobButton(m_update, m_refresh->job(),
                  {QStringLiteral("开始更新"), QStringLiteral("暂停更新"), QStringLiteral("正在停止")}, this);
    connect(m_refresh, &DatabaseRefresh::stateChanged, this, &KeywordDbTab::showRefreshState);
    connect(m_view, &QWidget::customContextMenuRequested, this, &KeywordDbTab::showContextMenu);
}

QMenu *KeywordDbTab::createContextMenu()
{
    auto *menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("databaseMenu"));
    QAction *import = menu->addAction(QStringLiteral("导入"));
    import->setObjectName(QStringLiteral("importAction"));
    // A reload under a running or parked refresh would move its rows.
    import->setEnabled(!m_context.jobStatus().isBusy() && m_refresh->job().state() == JobStatus::Idle
                       && !m_database->isLoading() && !m_import->isRunning());
    connect(import, &QAction::triggered, this, &KeywordDbTab::importKeywords);
    return menu;
}

void KeywordDbTab::showContextMenu(const QPoint &pos)
{
    QMenu *menu = createContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(m_view->viewport()->mapToGlobal(pos));
}

void KeywordDbTab::importKeywords()
{
    if (m_import->isRunning())
        return;
    const QString path = m_context.prompter().openFileName(
        QStringLiteral("导入关键词"), QStringLiteral("关键词文件 (*.csv *.txt *.tsv);;所有文件 (*)"));
    if (path.isEmpty())
        return;
    m_importPath = path;
    m_importClock.start();
    m_import->start(m_context.keywords().scanSource(), path, m_context.clock().today());
    showRefreshState();
}

void KeywordDbTab::showImportProgress(qsizetype done, qsizetype total)
{
    // An import quicker than a second leaves the status bar alone.
    if (m_importClock.elapsed() < kQuietImportMs)
        return;
    m_context.jobStatus().setCurrent(QStringLiteral("正在导入关键词：%1/%2").arg(done).arg(total));
    m_importShown = true;
}

void KeywordDbTab::importFinished(const KeywordImport::Outcome &outcome)
{
    if (std::exchange(m_importShown, false))
        m_context.jobStatus().setCurrent(QString());
    showRefreshState();
    if (outcome.status != KeywordImport::Outcome::Added) {
        m_context.prompter().message(QStringLiteral("提示"),
                                     KeywordImport::failureMessage(outcome, m_importPath, m_context.keywords()),
                                     Prompter::Icon::Warning);
        return;
    }
    reload();
    m_context.prompter().notice(KeywordImport::addedMessage(outcome.added, outcome.skipped));
}

void KeywordDbTab::activated()
{
    // Rows the other tabs stored since the last load show up without a click
    // on "刷新数据库"; a refresh run (running or parked) keeps its list.
    if (m_refresh->job().state() != JobStatus::Idle || m_database->isLoading() || m_import->isRunning())
        return;
    if (m_database->list().isEmpty() || m_database->isStale())
        reload();
}

void KeywordDbTab::reload()
{
    if (m_context.keywords().holdsMoreThan(m_backgroundAbove)) {
        m_database->reloadInBackground();
        showRefreshState();
        return;
    }
    m_database->reload();
    if (std::exchange(m_loadShown, false))
        m_context.jobStatus().setCurrent(QString());
}

void KeywordDbTab::showLoadProgress(int rows)
{
    m_context.jobStatus().setCurrent(QStringLiteral("正在读取关键词数据库：%1").arg(rows));
    m_loadShown = true;
}

void KeywordDbTab::loadFinished(bool ok, const QString &error)
{
    if (std::exchange(m_loadShown, false))
        m_context.jobStatus().setCurrent(QString());
    showRefreshState();
    if (!ok)
        m_context.prompter().message(
            QStringLiteral("提示"),
            QStringLiteral("无法读取关键词数据库 %1：%2").arg(m_context.keywords().fileName(), error),
            Prompter::Icon::Warning);
}

void KeywordDbTab::onUpdateClicked()
{
    if (m_refresh->isRunning()) {
        m_refresh->requestPause();
        return;
    }
    if (!m_refresh->anyEngineTicked()) {
        m_context.prompter().notice(QStringLiteral("请至少选择一个要更新的项目"));
        return;
    }
    // Blocks until the run ends or parks; fetches and waits keep the window live.
    afterWaits(this, [this] { m_refresh->start(); });
}

void KeywordDbTab::showRefreshState()
{
    // Anything that reorders or removes rows would move them under the run,
    // which writes by row position: the list is locked until it parks.
    const bool idle = !m_refresh->isRunning();
    // A background load replaces both lists when it ends, and so does the
    // reload after an import: nothing works on them before that.
    const bool ready = !m_database->isLoading() && !m_import->isRunning();
    m_filter->setEnabled(idle && ready);
    m_delete->setEnabled(idle && ready);
    m_reload->setEnabled(idle && ready);
    m_refreshFrame->setEnabled(ready);
    m_export->setEnabled(ready);
    m_view->setEnabled(ready);
}
