#include "rank/ui/RankTab.h"

#include "common/JobStatus.h"
#include "common/Wait.h"
#include "common/ui/ExportButtons.h"
#include "common/ui/JobButton.h"
#include "context/AppContext.h"
#include "rank/HistorySeries.h"
#include "rank/ui/HistoryChart.h"
#include "rank/ui/RankViews.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {
QPushButton *button(const QString &caption, const QString &name, QWidget *parent)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    return b;
}
} // namespace

RankTab::RankTab(AppContext &context, QWidget *parent)
    : FeatureTab(parent),
      m_context(context),
      m_tracker(new RankTracker(context, this))
{
    setObjectName(QStringLiteral("rankTab"));
    SiteKeywordLists &lists = m_tracker->lists();

    m_siteView = new RankListView(true, this);
    m_siteView->setObjectName(QStringLiteral("siteView"));
    m_siteView->setResultList(&lists.sites());
    m_keywordView = new RankListView(true, this);
    m_keywordView->setObjectName(QStringLiteral("keywordView"));
    m_keywordView->setResultList(&lists.keywords());
    m_engineView = new RankListView(false, this);
    m_engineView->setObjectName(QStringLiteral("engineView"));
    m_engineView->setResultList(&m_tracker->engines());
    m_engineView->setHeaderHidden(true);
    m_engineView->setFixedHeight(3 * m_engineView->fontMetrics().height() * 3 / 2 + 12);

    m_mode = new QComboBox(this);
    m_mode->setObjectName(QStringLiteral("modeBox"));
    m_mode->addItems({QStringLiteral("多对多模式"), QStringLiteral("一对多模式")});
    m_depth = new QComboBox(this);
    m_depth->setObjectName(QStringLiteral("depthBox"));
    m_depth->addItems(RankFormats::depthTexts());
    m_all = new QCheckBox(QStringLiteral("查询所有符合条件的记录（效率低）"), this);
    m_all->setObjectName(QStringLiteral("allMatchesBox"));
    m_start = button(QStringLiteral("开始查询"), QStringLiteral("startButton"), this);

    auto *options = new QGroupBox(QStringLiteral("查询选项"), this);
    auto *optionsLayout = new QVBoxLayout(options);
    optionsLayout->addWidget(m_engineView);
    auto *modeRow = new QHBoxLayout;
    modeRow->addWidget(new QLabel(QStringLiteral("网站关键词关联模式："), options));
    modeRow->addWidget(m_mode, 1);
    optionsLayout->addLayout(modeRow);
    auto *depthRow = new QHBoxLayout;
    depthRow->addWidget(new QLabel(QStringLiteral("在前"), options));
    depthRow->addWidget(m_depth);
    depthRow->addWidget(new QLabel(QStringLiteral("条记录中查询"), options));
    depthRow->addStretch();
    optionsLayout->addLayout(depthRow);
    optionsLayout->addWidget(m_all);
    optionsLayout->addWidget(m_start);
    optionsLayout->addStretch();

    auto *inputs = new QHBoxLayout;
    inputs->addWidget(buildListBox(QStringLiteral("site"), m_siteView, true), 1);
    inputs->addWidget(buildListBox(QStringLiteral("keyword"), m_keywordView, false), 1);
    inputs->addWidget(options);

    m_resultView = new RankListView(false, this);
    m_resultView->setObjectName(QStringLiteral("resultView"));
    m_resultView->setResultList(&m_tracker->result());
    m_resultView->setJobStatus(&context.jobStatus());
    m_resultView->setSortable(true);
    m_resultView->header()->setSectionResizeMode(0, QHeaderView::Interactive);
    m_resultView->header()->resizeSection(0, 170);
    m_resultView->header()->resizeSection(1, 120);
    m_resultView->header()->setStretchLastSection(true);
    auto *explain = new QLabel(QStringLiteral("排名为0表示在指定记录中未找到符合的结果。"), this);
    explain->setObjectName(QStringLiteral("explainLabel"));
    // The report export buttons of the rank list.
    auto *exportRow = new QWidget(this);
    exportRow->setObjectName(QStringLiteral("exportRow"));
    auto *exportLayout = new QHBoxLayout(exportRow);
    exportLayout->setContentsMargins(0, 0, 0, 0);
    exportLayout->addWidget(new ExportButtons(
        *m_resultView, ReportKind::Ranks, [&c = m_context] { return c.exporter(); }, ExportButtons::Verb::Export,
        exportRow));
    auto *resultFoot = new QHBoxLayout;
    resultFoot->addWidget(explain);
    resultFoot->addStretch();
    resultFoot->addWidget(exportRow);
    auto *resultBox = new QWidget(this);
    auto *resultLayout = new QVBoxLayout(resultBox);
    resultLayout->setContentsMargins(0, 0, 0, 0);
    resultLayout->addWidget(m_resultView, 1);
    resultLayout->addLayout(resultFoot);

    m_secondary = new QTabWidget(this);
    m_secondary->setObjectName(QStringLiteral("rankSecondaryTabs"));
    m_secondary->addTab(buildRecentPage(), QStringLiteral("最近查询"));
    m_secondary->addTab(buildFavouritePage(), QStringLiteral("我的收藏"));

    auto *lower = new QSplitter(Qt::Horizontal, this);
    lower->addWidget(resultBox);
    lower->addWidget(m_secondary);
    lower->setStretchFactor(0, 3);
    lower->setStretchFactor(1, 2);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(inputs);
    layout->addWidget(lower, 1);

    syncOptions();
    new JobButton(m_start, m_tracker->run().job(),
                  {QStringLiteral("开始查询"), QStringLiteral("停止查询"), QStringLiteral("正在停止")}, this);
    connect(m_start, &QPushButton::clicked, this, &RankTab::onStart);
    connect(m_depth, &QComboBox::currentIndexChanged, m_tracker, &RankTracker::setDepthIndex);
    connect(m_all, &QCheckBox::toggled, m_tracker, &RankTracker::setAllMatches);
    connect(m_mode, &QComboBox::currentIndexChanged, m_tracker, &RankTracker::setMode);
    connect(&lists, &SiteKeywordLists::modeChanged, this, &RankTab::syncOptions);
    connect(m_tracker, &RankTracker::optionsChanged, this, &RankTab::syncOptions);
    connect(m_tracker, &RankTracker::changesFound, this, [this](const QList<RankChanges::Change> &changes) {
        Q_EMIT trayMessage(QStringLiteral("关键词排名变化"), RankChanges::summary(changes));
    });

    connect(&lists.sites(), &RankList::userTicked, this, [this] { m_siteJustTicked = true; });
    connect(m_siteView, &QAbstractItemView::clicked, this, [this](const QModelIndex &index) {
        // A click on the tick box was the tick; the click itself is no second event.
        if (std::exchange(m_siteJustTicked, false))
            return;
        m_tracker->lists().clickSite(index.row());
    });
    connect(m_resultView, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex &index) { openResultRow(index.row()); });
    connect(m_recentView, &QAbstractItemView::clicked, this,
            [this](const QModelIndex &index) { m_tracker->showRecent(index.row()); });
    connect(m_favouriteView, &QAbstractItemView::clicked, this,
            [this](const QModelIndex &index) { onFavouriteClicked(index.row()); });
}

QWidget *RankTab::buildListBox(const QString &name, RankListView *view, bool sites)
{
    auto *box = new QWidget(this);
    auto *layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view, 1);
    auto *row = new QHBoxLayout;
    QPushButton *add = button(QStringLiteral("添加"), name + QStringLiteral("AddButton"), box);
    QPushButton *remove = button(QStringLiteral("删除"), name + QStringLiteral("DeleteButton"), box);
    QPushButton *import = button(QStringLiteral("导入"), name + QStringLiteral("ImportButton"), box);
    QPushButton *exportButton = button(QStringLiteral("导出"), name + QStringLiteral("ExportButton"), box);
    QPushButton *all = button(QStringLiteral("全选"), name + QStringLiteral("TickAllButton"), box);
    for (QPushButton *b : {add, remove, import, exportButton, all}) {
        b->setMinimumWidth(40);
        row->addWidget(b);
    }
    layout->addLayout(row);
    SiteKeywordLists &lists = m_tracker->lists();
    if (sites) {
        connect(add, &QPushButton::clicked, &lists, &SiteKeywordLists::addSite);
        connect(remove, &QPushButton::clicked, &lists, &SiteKeywordLists::deleteSites);
        connect(import, &QPushButton::clicked, &lists, &SiteKeywordLists::importSites);
        connect(exportButton, &QPushButton::clicked, &lists, &SiteKeywordLists::exportSites);
    } else {
        connect(add, &QPushButton::clicked, &lists, &SiteKeywordLists::addKeyword);
        connect(remove, &QPushButton::clicked, &lists, &SiteKeywordLists::deleteKeywords);
        connect(import, &QPushButton::clicked, &lists, &SiteKeywordLists::importKeywords);
        connect(exportButton, &QPushButton::clicked, &lists, &SiteKeywordLists::exportKeywords);
    }
    RankList *list = sites ? &lists.sites() : &lists.keywords();
    connect(all, &QPushButton::clicked, this,
            [all, list] { all->setText(SiteKeywordLists::tickAll(*list, all->text())); });
    return box;
}

QWidget *RankTab::buildRecentPage()
{
    auto *page = new QWidget(this);
    m_recentView = new RankListView(false, page);
    m_recentView->setObjectName(QStringLiteral("recentView"));
    m_recentView->setResultList(&m_tracker->recent());
    m_recentView->setJobStatus(&m_context.jobStatus());
    m_recentView->setSortable(true);
    QPushButton *favourite = button(QStringLiteral("加入我的收藏"), QStringLiteral("addFavouriteButton"), page);
    QPushButton *remove = button(QStringLiteral("删除查询记录"), QStringLiteral("deleteRecentButton"), page);
    connect(favourite, &QPushButton::clicked, this,
            [this] { m_tracker->favourites().addFromRecent(m_tracker->recent(), m_tracker->run().dateText()); });
    connect(remove, &QPushButton::clicked, this, [this] { m_tracker->favourites().deleteRecent(m_tracker->recent()); });
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(m_recentView, 1);
    for (const char *line : {"最近查询记录只保留本次软件打开后所有的", "查询记录，如需长期保留关键词排名记录，请",
                             "将关键词组合加入“我的收藏”。"})
        layout->addWidget(new QLabel(QString::fromUtf8(line), page));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(favourite);
    buttons->addWidget(remove);
    buttons->addStretch();
    layout->addLayout(buttons);
    return page;
}

QWidget *RankTab::buildFavouritePage()
{
    auto *page = new QWidget(this);
    m_favouriteView = new RankListView(false, page);
    m_favouriteView->setObjectName(QStringLiteral("favouriteView"));
    m_favouriteView->setResultList(&m_tracker->favourites().list());
    m_favouriteView->setJobStatus(&m_context.jobStatus());
    m_favouriteView->setSortable(true);
    m_chart = new HistoryChart(page);
    m_chart->setObjectName(QStringLiteral("historyChart"));
    m_competitors = new QListWidget(page);
    m_competitors->setObjectName(QStringLiteral("competitorList"));
    m_competitors->setToolTip(QStringLiteral("最近一天排在该网站前面的网站，勾选后在走势图中显示其排名"));
    connect(m_competitors, &QListWidget::itemChanged, this, [this] { drawHistory(); });
    auto *competitorBox = new QWidget(page);
    auto *competitorLayout = new QVBoxLayout(competitorBox);
    competitorLayout->setContentsMargins(0, 0, 0, 0);
    competitorLayout->addWidget(new QLabel(QStringLiteral("竞争对手"), competitorBox));
    competitorLayout->addWidget(m_competitors, 1);
    auto *chartSplit = new QSplitter(Qt::Horizontal, page);
    chartSplit->addWidget(m_chart);
    chartSplit->addWidget(competitorBox);
    chartSplit->setStretchFactor(0, 4);
    chartSplit->setStretchFactor(1, 1);
    QPushButton *remove = button(QStringLiteral("删除选中收藏"), QStringLiteral("deleteFavouriteButton"), page);
    connect(remove, &QPushButton::clicked, this, [this] {
        m_tracker->favourites().deleteTicked();
        m_chart->clearHistory();
        m_competitors->clear();
    });
    auto *split = new QSplitter(Qt::Vertical, page);
    split->addWidget(m_favouriteView);
    split->addWidget(chartSplit);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 3);
    split->setSizes({70, 260});
    auto *layout = new QVBoxLayout(page);
    layout->setSpacing(2);
    layout->addWidget(split, 1);
    for (const char *line :
         {"软件保留收藏关键词组合每天查询的排名信息，", "点击每条收藏，可浏览该组合的历史查询数据。"})
        layout->addWidget(new QLabel(QString::fromUtf8(line), page));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(remove);
    buttons->addStretch();
    layout->addLayout(buttons);
    return page;
}

void RankTab::activated()
{
    m_secondary->show();
    m_tracker->load();
    syncOptions();
}

void RankTab::syncOptions()
{
    const QSignalBlocker b1(m_depth), b2(m_all), b3(m_mode);
    m_depth->setCurrentIndex(m_tracker->depthIndex());
    m_all->setChecked(m_tracker->allMatches());
    m_mode->setCurrentIndex(m_tracker->lists().mode());
    m_mode->setToolTip(m_tracker->lists().modeTooltip());
}

void RankTab::onStart()
{
    RankRun &run = m_tracker->run();
    if (run.job().isActive()) {
        run.requestStop();
        return;
    }
    afterWaits(this, [this] { m_tracker->start(); });
}

void RankTab::onFavouriteClicked(int row)
{
    const QVector<FavouriteStore::DayFile> days = m_tracker->showHistory(row);
    if (row < 0 || row >= m_tracker->favourites().list().count())
        return;
    const ResultList::Row fav = m_tracker->favourites().list().row(row);
    const RankFormats::FavouriteParts parts = RankFormats::parseFavouriteKey(fav.tag);
    const ResultsHistory kept(m_tracker->favourites().store().folder());
    m_shown = {parts.site + QStringLiteral(" · ") + parts.keyword, HistorySeries::build(days),
               kept.days(parts.site, parts.keyword), RankFormats::pagesFor(parts.depthIndex) * 10};
    {
        const QSignalBlocker quiet(m_competitors);
        m_competitors->clear();
        for (const QString &host : kept.hostsAboveLately(parts.site, parts.keyword)) {
            auto *item = new QListWidgetItem(host, m_competitors);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(Qt::Unchecked);
        }
    }
    drawHistory();
}

void RankTab::drawHistory()
{
    QStringList ticked;
    for (int i = 0; i < m_competitors->count(); ++i) {
        if (m_competitors->item(i)->checkState() == Qt::Checked)
            ticked.append(m_competitors->item(i)->text());
    }
    m_chart->showHistory(m_shown.title, m_shown.series, m_shown.depth,
                         HistorySeries::competitors(m_shown.days, ticked));
}

void RankTab::openResultRow(int row)
{
    const QUrl url(m_tracker->resultAddress(row));
    // Only web addresses: the tag comes from an engine's page.
    if (url.isValid() && (url.scheme() == u"http" || url.scheme() == u"https"))
        m_context.openUrl(url);
}
