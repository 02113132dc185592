#include "resources/ui/ResourceTab.h"

#include "common/JobStatus.h"
#include "common/ResultList.h"
#include "common/Wait.h"
#include "common/ui/ExportButtons.h"
#include "common/ui/JobButton.h"
#include "common/ui/ResultListView.h"
#include "context/AppContext.h"
#include "resources/ResourceCatalogue.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
const QString kStartCaption = QStringLiteral("开始搜索");
const QString kStopCaption = QStringLiteral("停止搜索");
const QString kStoppingCaption = QStringLiteral("正在停止");
} // namespace

ResourceTab::ResourceTab(AppContext &context, QWidget *parent)
    : FeatureTab(parent),
      m_context(context),
      m_catalogue(new ResourceCatalogue(context.endpoints(), context.jobStatus(), context.prompter(), this))
{
    setObjectName(QStringLiteral("resourceTab"));

    m_categories = new QTreeWidget(this);
    m_categories->setObjectName(QStringLiteral("categoryList"));
    m_categories->setHeaderLabels({QStringLiteral("分类名称"), QStringLiteral("语言"), QStringLiteral("资源数量")});
    m_categories->setRootIsDecorated(false);
    m_categories->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_categories->setFixedHeight(84);
    m_categories->header()->setSectionResizeMode(0, QHeaderView::Stretch);

    m_filter = new QComboBox(this);
    m_filter->setObjectName(QStringLiteral("filterBox"));
    m_filter->setMinimumWidth(140);
    m_search = new QPushButton(kStartCaption, this);
    m_search->setObjectName(QStringLiteral("searchButton"));

    m_view = new ResultListView(this);
    m_view->setObjectName(QStringLiteral("resourceView"));
    m_view->setResultList(&m_catalogue->list());
    m_view->setJobStatus(&context.jobStatus());
    // The address column shares the spare width with the names.
    m_view->header()->setSectionResizeMode(ResourceCatalogue::Url, QHeaderView::Stretch);
    m_view->header()->setSectionResizeMode(ResourceCatalogue::Note, QHeaderView::Stretch);

    auto *reports = new ExportButtons(
        *m_view, ReportKind::Resources, [&c = m_context] { return c.exporter(); }, ExportButtons::Verb::Save, this);

    auto *controls = new QHBoxLayout;
    controls->addWidget(new QLabel(QStringLiteral("分类过滤："), this));
    controls->addWidget(m_filter);
    controls->addStretch();
    controls->addWidget(m_search);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_categories);
    layout->addLayout(controls);
    layout->addWidget(m_view, 1);
    layout->addWidget(reports);

    new JobButton(m_search, m_catalogue->job(), {kStartCaption, kStopCaption, kStoppingCaption}, this);
    connect(m_search, &QPushButton::clicked, this, &ResourceTab::onSearchClicked);
    connect(m_categories, &QTreeWidget::itemClicked, this, &ResourceTab::onItemClicked);
    connect(m_categories, &QTreeWidget::itemChanged, this, &ResourceTab::onItemChanged);
    connect(m_view, &QAbstractItemView::doubleClicked, this, &ResourceTab::openSelected);
}

void ResourceTab::activated()
{
    if (m_categories->topLevelItemCount() > 0)
        return;
    m_syncing = true;
    for (const ResourceCategory &c : ResourceCatalogue::categories()) {
        auto *item = new QTreeWidgetItem(m_categories, {c.name, c.language, c.count});
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Unchecked);
        for (int col = 0; col < 3; ++col)
            item->setToolTip(col, c.tooltip);
    }
    m_syncing = false;
}

void ResourceTab::chgcmb(int row)
{
    m_filter->clear();
    const QStringList entries = ResourceCatalogue::filterEntries(row);
    if (!entries.isEmpty()) {
        m_filter->addItems(entries);
        m_filter->setCurrentIndex(0);
    }
}

int ResourceTab::checkedCategory() const
{
    for (int i = 0; i < m_categories->topLevelItemCount(); ++i) {
        if (m_categories->topLevelItem(i)->checkState(0) == Qt::Checked)
            return i;
    }
    return -1;
}

void ResourceTab::tickOnly(QTreeWidgetItem *item, bool tickIt)
{
    m_syncing = true;
    for (int i = 0; i < m_categories->topLevelItemCount(); ++i) {
        QTreeWidgetItem *other = m_categories->topLevelItem(i);
        if (other != item)
            other->setCheckState(0, Qt::Unchecked);
    }
    if (tickIt)
        item->setCheckState(0, Qt::Checked);
    m_syncing = false;
}

void ResourceTab::onItemClicked(QTreeWidgetItem *item)
{
    // A click on the tick box itself was handled as a tick change.
    if (!item || item == m_justToggled)
        return;
    tickOnly(item, true);
    chgcmb(m_categories->indexOfTopLevelItem(item));
}

void ResourceTab::onItemChanged(QTreeWidgetItem *item, int column)
{
    if (m_syncing || column != 0)
        return;
    m_justToggled = item;
    QTimer::singleShot(0, this, [this] { m_justToggled = nullptr; });
    tickOnly(item, false);
    m_categories->setCurrentItem(item);
    chgcmb(m_categories->indexOfTopLevelItem(item));
    if (checkedCategory() < 0)
        m_filter->clear();
}

void ResourceTab::onSearchClicked()
{
    if (m_catalogue->job().isActive()) {
        m_catalogue->requestStop();
        return;
    }
    // Blocks until the run parks or finishes; fetches keep the window live.
    afterWaits(this, [this] {
        m_catalogue->QueryLinkRes(checkedCategory(), m_filter->currentIndex(), m_filter->currentText());
    });
}

void ResourceTab::openSelected()
{
    const QModelIndex current = m_view->currentIndex();
    if (!current.isValid())
        return;
    const QUrl address =
        ResourceCatalogue::siteAddress(m_catalogue->list().cell(current.row(), ResourceCatalogue::Url));
    if (address.isValid())
        m_context.openUrl(address);
}
