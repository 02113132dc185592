// The catalogue tab as a user drives it, and the report buttons every tab
// carries under its list.

#include "common/JobStatus.h"
#include "common/ResultList.h"
#include "common/ui/ExportButtons.h"
#include "common/ui/ResultListView.h"
#include "context/AppContext.h"
#include "keyworddb/KeywordDatabase.h"
#include "keyworddb/ui/KeywordDbTab.h"
#include "rank/RankTracker.h"
#include "rank/ui/RankTab.h"
#include "reports/ReportExport.h"
#include "research/ui/MiningTab.h"
#include "resources/ResourceCatalogue.h"
#include "resources/ui/ResourceTab.h"
#include "support/TestEnv.h"
#include "volume/KeywordVolume.h"
#include "volume/ui/VolumeTab.h"

#include <QComboBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

namespace {

class RecordingExporter : public ListExporter
{
public:
    struct Call {
        const ResultList *list;
        QList<int> columns;
        ReportKind kind;
        ReportFormat format;
    };
    QList<Call> calls;
    void exportList(const ResultList &list, const QList<int> &columns, ReportKind kind, ReportFormat format) override
    {
        calls.append({&list, columns, kind, format});
    }
};

QPoint checkboxPoint(QTreeWidget *tree, int row)
{
    const QRect r = tree->visualItemRect(tree->topLevelItem(row));
    return QPoint(r.left() + 10, r.center().y());
}

} // namespace

class TestResourceTab : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void categoriesFillOnceWithTooltips();
    void oneCategoryTickedAtATimeAndItsFilter();
    void startWithoutCategorySaysSoAndKeepsCaption();
    void searchFillsTheListAndSortIsRefusedWhileRunning();
    void doubleClickOpensOnlyWebAddresses();
    void everyTabHasFourReportButtons();
    void saveButtonWritesTheResourceReport();

private:
    template <typename W> W *widget(const char *name) const
    {
        W *w = m_tab->findChild<W *>(QLatin1String(name));
        if (!w)
            qFatal("no widget %s", name);
        return w;
    }
    QTreeWidget *categories() const { return widget<QTreeWidget>("categoryList"); }
    QComboBox *filterBox() const { return widget<QComboBox>("filterBox"); }
    QPushButton *searchButton() const { return widget<QPushButton>("searchButton"); }
    ResultListView *resourceView() const { return widget<ResultListView>("resourceView"); }
    ExportButtons *exportButtons() const { return widget<ExportButtons>("exportButtons"); }

    std::unique_ptr<TestEnv> m_env;
    AppContext *m_context = nullptr;
    ScriptedPrompter *m_prompter = nullptr;
    std::unique_ptr<ResourceTab> m_tab;
    QList<QUrl> m_opened;
};

void TestResourceTab::init()
{
    m_env = std::make_unique<TestEnv>(TestEnv::OwnWeb);
    QVERIFY(m_env->isValid());
    m_context = m_env->context.get();
    m_prompter = &m_env->prompter;
    m_tab = std::make_unique<ResourceTab>(*m_context);
    m_opened.clear();
    m_context->setUrlOpener([this](const QUrl &u) {
        m_opened.append(u);
        return true;
    });
    m_tab->resize(900, 600);
    m_tab->show();
    m_tab->activated();
    QVERIFY(QTest::qWaitForWindowExposed(m_tab.get()));
}

void TestResourceTab::cleanup()
{
    m_tab.reset();
    m_env.reset();
}

void TestResourceTab::categoriesFillOnceWithTooltips()
{
    QTreeWidget *tree = categories();
    m_tab->activated();
    QCOMPARE(tree->topLevelItemCount(), 3);
    QCOMPARE(tree->headerItem()->text(0), QStringLiteral("分类名称"));
    QCOMPARE(tree->topLevelItem(2)->text(0), QStringLiteral("Web Directory"));
    QCOMPARE(tree->topLevelItem(2)->text(1), QStringLiteral("英文"));
    QCOMPARE(tree->topLevelItem(2)->text(2), QStringLiteral("7300"));
    QCOMPARE(tree->topLevelItem(1)->toolTip(0), QStringLiteral("英文社会化书签"));
    QVERIFY(!(tree->topLevelItem(0)->flags() & Qt::ItemIsEditable));
    QCOMPARE(m_tab->checkedCategory(), -1);
}

void TestResourceTab::oneCategoryTickedAtATimeAndItsFilter()
{
    QTreeWidget *tree = categories();
    QWidget *viewport = tree->viewport();
    // A click on a row's label ticks it alone.
    QTest::mouseClick(viewport, Qt::LeftButton, {}, tree->visualItemRect(tree->topLevelItem(2)).center());
    QCOMPARE(m_tab->checkedCategory(), 2);
    QCOMPARE(filterBox()->count(), 8);
    QCOMPARE(filterBox()->currentText(), QStringLiteral("选择二级类别"));
    QCOMPARE(filterBox()->itemText(7), QStringLiteral("文章目录"));

    // Ticking another row's box unticks the first and empties the filter.
    QTest::mouseClick(viewport, Qt::LeftButton, {}, checkboxPoint(tree, 0));
    QCOMPARE(tree->topLevelItem(0)->checkState(0), Qt::Checked);
    QCOMPARE(tree->topLevelItem(2)->checkState(0), Qt::Unchecked);
    QCOMPARE(filterBox()->count(), 0);
    QCOMPARE(tree->currentItem(), tree->topLevelItem(0));

    // Unticking the last ticked box leaves none ticked and no filter.
    QTest::mouseClick(viewport, Qt::LeftButton, {}, checkboxPoint(tree, 2));
    QCOMPARE(filterBox()->count(), 8);
    QTest::mouseClick(viewport, Qt::LeftButton, {}, checkboxPoint(tree, 2));
    QCOMPARE(m_tab->checkedCategory(), -1);
    QCOMPARE(filterBox()->count(), 0);
}

void TestResourceTab::startWithoutCategorySaysSoAndKeepsCaption()
{
    QTest::mouseClick(searchButton(), Qt::LeftButton);
    QCOMPARE(m_prompter->lastText(), QStringLiteral("请选择一个资源分类"));
    QCOMPARE(searchButton()->text(), QStringLiteral("开始搜索"));
    QVERIFY(searchButton()->isEnabled());
}

void TestResourceTab::searchFillsTheListAndSortIsRefusedWhileRunning()
{
    categories()->topLevelItem(0)->setCheckState(0, Qt::Checked);
    ResourceCatalogue &catalogue = m_tab->catalogue();
    QStringList captions;
    QList<int> sortedWhileRunning;
    connect(&catalogue, &ResourceCatalogue::rowAdded, this, [&](int page, int line) {
        captions.append(searchButton()->text());
        if (page == 2 && line == 0) {
            // A header click during the run changes nothing.
            const QStringList before = catalogue.list().columnTexts(0);
            resourceView()->header()->sectionClicked(ResourceCatalogue::Pr);
            sortedWhileRunning.append(catalogue.list().columnTexts(0) == before ? 0 : 1);
        }
        if (page == 3 && line == 5)
            QTest::mouseClick(searchButton(), Qt::LeftButton); // stop
    });
    QTest::mouseClick(searchButton(), Qt::LeftButton);
    QCOMPARE(captions.first(), QStringLiteral("停止搜索"));
    QCOMPARE(sortedWhileRunning, QList<int>{0});
    QCOMPARE(catalogue.list().count(), 26);
    QCOMPARE(searchButton()->text(), QStringLiteral("开始搜索"));
    QCOMPARE(m_context->jobStatus().stateText(), QStringLiteral("已暂停"));

    // Paused, the header sorts.
    const QString firstBefore = catalogue.list().cell(0, 0);
    resourceView()->header()->sectionClicked(ResourceCatalogue::Pr);
    QVERIFY(catalogue.list().cell(0, 0) != firstBefore || catalogue.list().sortingEnabled());
    QVERIFY(catalogue.list().sortingEnabled());

    // Start again: resumes at page 3, row 6, and runs to the end.
    QTest::mouseClick(searchButton(), Qt::LeftButton);
    QCOMPARE(catalogue.list().count(), 38);
    QCOMPARE(m_context->jobStatus().stateText(), QStringLiteral("就绪"));
}

void TestResourceTab::doubleClickOpensOnlyWebAddresses()
{
    ResultList &list = m_tab->catalogue().list();
    list.addRow(QStringLiteral("Blogger"), {QStringLiteral("http://www.blogger.com"), QStringLiteral("9")});
    list.addRow(QStringLiteral("Bare"), {QStringLiteral("www.bare.com/x")});
    list.addRow(QStringLiteral("Evil"), {QStringLiteral("javascript:alert(document.cookie)")});
    list.addRow(QStringLiteral("Local"), {QStringLiteral("file:///etc/passwd")});
    ResultListView *view = resourceView();
    for (int r = 0; r < list.count(); ++r) {
        const QModelIndex index = list.index(r, 1);
        const QPoint at = view->visualRect(index).center();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
    }
    QCOMPARE(
        m_opened,
        (QList<QUrl>{QUrl(QStringLiteral("http://www.blogger.com")), QUrl(QStringLiteral("http://www.bare.com/x"))}));
}

void TestResourceTab::everyTabHasFourReportButtons()
{
    RecordingExporter exporter;
    m_context->setExporter(&exporter);
    MiningTab mining(*m_context);
    VolumeTab volume(*m_context);
    KeywordDbTab database(*m_context);
    RankTab rank(*m_context);

    struct Case {
        QWidget *tab;
        const ResultList *list;
        ReportKind kind;
        QString verb;
    };
    const QList<Case> cases = {
        {&mining, &mining.miner().result(), ReportKind::RelatedKeywords, QStringLiteral("导出至")},
        {&volume, &volume.volume().result(), ReportKind::KeywordVolume, QStringLiteral("导出至")},
        {&database, &database.database().list(), ReportKind::KeywordDatabase, QStringLiteral("导出至")},
        {m_tab.get(), &m_tab->catalogue().list(), ReportKind::Resources, QStringLiteral("保存至")},
        {&rank, &rank.tracker().result(), ReportKind::Ranks, QStringLiteral("导出至")},
    };
    const QStringList words = {QStringLiteral("Txt"), QStringLiteral("Html"), QStringLiteral("Excel"),
                               QStringLiteral("CSV")};
    const QList<ReportFormat> formats = {ReportFormat::Text, ReportFormat::Html, ReportFormat::Workbook,
                                         ReportFormat::Csv};
    for (const Case &c : cases) {
        auto *buttons = c.tab->findChild<ExportButtons *>(QStringLiteral("exportButtons"));
        QVERIFY(buttons);
        for (int i = 0; i < 4; ++i) {
            QPushButton *b = buttons->button(formats.at(i));
            QCOMPARE(b->text(), c.verb + words.at(i));
            exporter.calls.clear();
            b->click();
            QCOMPARE(exporter.calls.size(), 1);
            QCOMPARE(exporter.calls.at(0).list, c.list);
            QCOMPARE(exporter.calls.at(0).kind, c.kind);
            QCOMPARE(exporter.calls.at(0).format, formats.at(i));
            QCOMPARE(exporter.calls.at(0).columns, c.list->allColumns());
        }
    }

    // Reports keep what the view shows: a hidden column is not handed to
    // the exporter.
    ResultListView *view = resourceView();
    view->setColumnHidden(ResourceCatalogue::Pr, true);
    exporter.calls.clear();
    m_tab->findChild<ExportButtons *>(QStringLiteral("exportButtons"))->button(ReportFormat::Csv)->click();
    QCOMPARE(exporter.calls.size(), 1);
    QCOMPARE(exporter.calls.at(0).columns,
             (QList<int>{ResourceCatalogue::Name, ResourceCatalogue::Url, ResourceCatalogue::Note}));
    view->setColumnHidden(ResourceCatalogue::Pr, false);
    m_context->setExporter(nullptr);
}

void TestResourceTab::saveButtonWritesTheResourceReport()
{
    ReportExport exporter(m_context->jobStatus(), m_context->prompter());
    m_context->setExporter(&exporter);
    m_tab->catalogue().list().addRow(QStringLiteral("<b>Blog & Co</b>"),
                                     {QStringLiteral("x.com"), QStringLiteral("3"), QStringLiteral("免费")});
    const QString path = m_env->dataFile(QStringLiteral("res.htm"));
    m_prompter->texts.enqueue(path);
    exportButtons()->button(ReportFormat::Html)->click();
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray html = file.readAll();
    QVERIFY(html.contains("<title>\xcd\xe2\xc1\xb4\xd7\xca\xd4\xb4\xbf\xe2\xb7\xd6\xce\xf6\xb1\xa8\xb8\xe6</title>"));
    QVERIFY(html.contains("<td>&lt;b&gt;Blog &amp; Co&lt;/b&gt;</td><td>x.com</td><td>3</td>"));
    QCOMPARE(m_prompter->lastText(), QStringLiteral("导出完成，是否打开文件?"));
    m_context->setExporter(nullptr);
}

QTEST_MAIN(TestResourceTab)
#include "test_resource_tab.moc"
