#include "research/ui/MiningTab.h"

#include "common/Clock.h"
#include "common/JobStatus.h"
#include "common/Prompter.h"
#include "common/ResultFilter.h"
#include "common/ResultList.h"
#include "common/SettingNames.h"
#include "common/SettingsStore.h"
#include "common/Wait.h"
#include "common/ui/ExportButtons.h"
#include "common/ui/FilterFrame.h"
#include "common/ui/JobButton.h"
#include "common/ui/ResultListView.h"
#include "context/AppContext.h"
#include "research/MiningSettings.h"
#include "store/KeywordStore.h"
#include "store/RecordRows.h"
#include "store/TickedRowsToStore.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const QString kStartCaption = QStringLiteral("开始查询");
const QString kPauseCaption = QStringLiteral("暂停查询");
const QString kStoppingCaption = QStringLiteral("正在停止");
} // namespace

MiningTab::MiningTab(AppContext &context, QWidget *parent)
    : FeatureTab(parent),
      m_context(context),
      m_miner(new RelatedMiner(context, this)),
      m_baidu(new BaiduTools(context.endpoints(), context.pageReader(), context.jobStatus(), context.clock(),
                             context.pageRules(), this))
{
    setObjectName(QStringLiteral("miningTab"));

    m_seed = new QLineEdit(this);
    m_seed->setObjectName(QStringLiteral("seedEdit"));
    m_start = new QPushButton(kStartCaption, this);
    m_start->setObjectName(QStringLiteral("startButton"));
    m_mustContain = new QCheckBox(QStringLiteral("相关关键词中必须包含关键词"), this);
    m_mustContain->setObjectName(QStringLiteral("mustContainBox"));
    m_exclude = new QCheckBox(QStringLiteral("相关关键词中不包含以下关键词："), this);
    m_exclude->setObjectName(QStringLiteral("excludeBox"));
    m_excludeWords = new QLineEdit(this);
    m_excludeWords->setObjectName(QStringLiteral("excludeEdit"));
    for (Engine e : kEngines) {
        auto *box = new QCheckBox(QStringLiteral("同时查询") + engineLabel(e) + QStringLiteral("收录量"), this);
        box->setObjectName(QStringLiteral("countBox_") + engineKey(e));
        m_engineBoxes[engineIndex(e)] = box;
    }
    m_store = new QCheckBox(QStringLiteral("查询数据即时加入关键词数据库"), this);
    m_store->setObjectName(QStringLiteral("storeBox"));

    m_view = new ResultListView(this);
    m_view->setObjectName(QStringLiteral("resultView"));
    m_view->setResultList(&m_miner->result());
    m_view->setJobStatus(&context.jobStatus());
    m_view->setContextMenuPolicy(Qt::CustomContextMenu);

    m_filter = new FilterFrame(QStringLiteral("相关关键词中："), this);
    m_delete = new QPushButton(QStringLiteral("删除关键词"), this);
    m_delete->setObjectName(QStringLiteral("deleteButton"));
    m_addToDb = new QPushButton(QStringLiteral("加入关键词数据库"), this);
    m_addToDb->setObjectName(QStringLiteral("addToDatabaseButton"));

    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("输入关键词："), this));
    top->addWidget(m_seed, 1);
    top->addWidget(m_start);

    auto *opts = new QGridLayout;
    opts->addWidget(m_mustContain, 0, 0, 1, 3);
    opts->addWidget(m_exclude, 1, 0);
    opts->addWidget(m_excludeWords, 1, 1);
    opts->addWidget(new QLabel(QStringLiteral("（多个词间用|分开）"), this), 1, 2);
    auto *engines = new QHBoxLayout;
    for (QCheckBox *box : m_engineBoxes)
        engines->addWidget(box);
    engines->addStretch();
    opts->addLayout(engines, 2, 0, 1, 3);
    opts->addWidget(m_store, 3, 0, 1, 3);
    opts->setColumnStretch(1, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_delete);
    buttons->addWidget(m_addToDb);
    buttons->addStretch();

    auto *side = new QVBoxLayout;
    side->addWidget(m_filter);
    side->addStretch();

    auto *middle = new QHBoxLayout;
    middle->addWidget(m_view, 1);
    middle->addLayout(side);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(opts);
    layout->addLayout(middle, 1);
    layout->addLayout(buttons);
    layout->addWidget(new ExportButtons(
        *m_view, ReportKind::RelatedKeywords, [&c = m_context] { return c.exporter(); }, ExportButtons::Verb::Export,
        this));
    for (const char *line :
         {"“优化指数”是指关键词的搜索量x10000/关键词的百度收录网页量，“优化指数”从一定意义上反应了一组相关",
          "关键词之间的优化难易程度的对比（越大越易）。需要更精确的分析，请使用软件的“关键词竞争度分析”功能。"})
        layout->addWidget(new QLabel(QString::fromUtf8(line), this));

    // Restore the last seed and the boxes before any handler is connected,
    // so restoring never writes back.
    m_seed->setText(MiningSettings::readSeed(context.dataFile(QStringLiteral("kws.txt"))));
    const MiningSettings::Boxes boxes = MiningSettings::loadBoxes(context);
    m_mustContain->setChecked(boxes[0]);
    for (int i = 0; i < 3; ++i)
        m_engineBoxes[i]->setChecked(boxes[i + 1]);
    m_store->setChecked(boxes[4]);

    m_miner->setOptionsSource([this] { return currentOptions(); });
    new JobButton(m_start, m_miner->job(), {kStartCaption, kPauseCaption, kStoppingCaption}, this);
    connect(m_miner, &RelatedMiner::stateChanged, this, &MiningTab::onStateChanged);
    connect(m_start, &QPushButton::clicked, this, &MiningTab::onStart);
    connect(m_seed, &QLineEdit::textChanged, this, &MiningTab::onSeedEdited);
    for (QCheckBox *box : {m_mustContain, m_engineBoxes[0], m_engineBoxes[1], m_engineBoxes[2], m_store})
        connect(box, &QCheckBox::toggled, this, &MiningTab::onBoxToggled);
    connect(m_delete, &QPushButton::clicked, this, &MiningTab::onDelete);
    connect(m_addToDb, &QPushButton::clicked, this, &MiningTab::onAddToDatabase);
    connect(m_filter, &FilterFrame::filterRequested, this, &MiningTab::onFilter);
    connect(m_filter, &FilterFrame::restoreRequested, this, &MiningTab::onRestore);
    connect(m_view, &QWidget::customContextMenuRequested, this, &MiningTab::showContextMenu);
}

void MiningTab::onSeedEdited(const QString &text)
{
    // Saved as it is typed: a failure is said once, not at every key.
    const QString file = m_context.dataFile(QStringLiteral("kws.txt"));
    QString failure;
    const bool failed = !MiningSettings::saveSeed(file, text, &failure) && !failure.isEmpty();
    if (failed && !m_seedFailureSaid)
        m_context.prompter().message(QStringLiteral("提示"),
                                     QStringLiteral("查询关键词无法保存到 %1（%2）").arg(file, failure),
                                     Prompter::Icon::Warning);
    m_seedFailureSaid = failed;
}

MiningOptions MiningTab::currentOptions() const
{
    MiningOptions o;
    o.mustContain = m_mustContain->isChecked();
    o.exclude = m_exclude->isChecked();
    o.excludeWords = m_excludeWords->text();
    for (int i = 0; i < 3; ++i)
        o.counts.engines[i] = m_engineBoxes[i]->isChecked();
    o.counts.store = m_store->isChecked();
    o.counts.parentBox = m_seed->text();
    return o;
}

void MiningTab::onStart()
{
    // A pause acts at once; a start waits until no wait is running.
    if (m_miner->job().isActive())
        m_miner->click(m_seed->text());
    else
        afterWaits(this, [this] { m_miner->click(m_seed->text()); });
}

void MiningTab::onStateChanged(RelatedMiner::State state)
{
    // The filter rebuilds the list the run is adding to: locked until it parks.
    m_filter->setEnabled(state == RelatedMiner::State::Idle || state == RelatedMiner::State::Paused);
}

void MiningTab::onBoxToggled()
{
    if (!m_context.settings().isLoaded())
        return;
    const MiningSettings::Boxes boxes{m_mustContain->isChecked(), m_engineBoxes[0]->isChecked(),
                                      m_engineBoxes[1]->isChecked(), m_engineBoxes[2]->isChecked(),
                                      m_store->isChecked()};
    m_context.settings().WriteValue(SettingNames::kMiningOptions, MiningSettings::formatSetting1(boxes));
}

void MiningTab::onDelete()
{
    ResultList &list = m_miner->result();
    if (list.checkedCount() == 0) {
        m_context.prompter().notice(QStringLiteral("请选择你要删除的关键词"));
        return;
    }
    // The reserve copy keeps the rows: "还原" brings them back.
    m_miner->lists().removeCheckedShown();
}

void MiningTab::onRestore() { m_miner->lists().restore(); }

void MiningTab::onFilter() { m_miner->lists().filter(m_filter->conditions(), FilterColumns::relatedKeywords()); }

void MiningTab::onAddToDatabase()
{
    TickedRowsToStore::addAndReport(m_context.keywords(), m_context.prompter(), m_miner->result(), m_seed->text(), true,
                                    m_context.clock().today());
}

QMenu *MiningTab::createContextMenu()
{
    if (m_context.jobStatus().isBusy() || m_miner->result().isEmpty())
        return nullptr;
    auto *menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("keywordMenu"));
    connect(menu->addAction(QStringLiteral("重查当前项")), &QAction::triggered, this,
            [this] { afterWaits(this, [this] { requerySelected(); }); });
    menu->addSeparator();
    connect(menu->addAction(QStringLiteral("查看百度指数")), &QAction::triggered, this, &MiningTab::openBaiduIndex);
    connect(menu->addAction(QStringLiteral("查看百度收录")), &QAction::triggered, this, &MiningTab::openBaiduSearch);
    menu->addSeparator();
    menu->addAction(QStringLiteral("关键词对比")); // offered, and does nothing
    QAction *remove = menu->addAction(QStringLiteral("删除选中项"));
    connect(remove, &QAction::triggered, this, [this] {
        // Silent, and only the shown list: the reserve copy keeps the rows.
        m_miner->lists().removeCheckedShown();
    });
    return menu;
}

QString MiningTab::selectedKeyword() const
{
    const QModelIndex current = m_view->currentIndex();
    if (!current.isValid())
        return {};
    return m_miner->result().cell(current.row(), 0);
}

BaiduTools::Outcome MiningTab::requerySelected()
{
    BaiduTools::Options options;
    options.volume = m_engineBoxes[engineIndex(Engine::Google)]->isChecked();
    options.pages = m_engineBoxes[engineIndex(Engine::Yahoo)]->isChecked();
    options.parent = m_seed->text().trimmed();
    const BaiduTools::Columns columns{RelatedMiner::kBaiduVolumeColumn, RelatedMiner::kBaiduLatestColumn,
                                      RelatedMiner::kBaiduPagesColumn, RelatedMiner::kBaiduIndexColumn};
    return m_baidu->requery(m_miner->lists(), columns, selectedKeyword(), options);
}

void MiningTab::openAddress(const QString &address)
{
    const QUrl url(address);
    const QString scheme = url.scheme().toLower();
    if (!address.isEmpty() && url.isValid() && (scheme == u"http" || scheme == u"https"))
        m_context.openUrl(url);
}

void MiningTab::openBaiduIndex()
{
    const QString keyword = selectedKeyword().trimmed();
    if (!keyword.isEmpty())
        openAddress(m_baidu->indexPageUrl(keyword));
}

void MiningTab::openBaiduSearch()
{
    const QString keyword = selectedKeyword().trimmed();
    if (!keyword.isEmpty())
        openAddress(m_baidu->searchPageUrl(keyword));
}

void MiningTab::showContextMenu(const QPoint &pos)
{
    QMenu *menu = createContextMenu();
    if (!menu)
        return;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(m_view->viewport()->mapToGlobal(pos));
}
