#include "volume/ui/VolumeTab.h"

#include "store/TickedRowsToStore.h"

#include "common/Clock.h"
#include "common/JobStatus.h"
#include "common/Prompter.h"
#include "common/ResultList.h"
#include "common/Wait.h"
#include "common/ui/ExportButtons.h"
#include "common/ui/ResultListView.h"
#include "context/AppContext.h"
#include "engines/KeywordToolPage.h"
#include "volume/ui/WebToolPage.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace {

const QString kStartCaption = QStringLiteral("开始查询");
constexpr int kBrowserWidth = 262;
constexpr int kBrowserHeight = 96;

// A page that keeps its script dialogs and console to itself.
class QuietPage : public QWebEnginePage
{
public:
    using QWebEnginePage::QWebEnginePage;

protected:
    void javaScriptAlert(const QUrl &, const QString &) override { }
    bool javaScriptConfirm(const QUrl &, const QString &) override { return false; }
    bool javaScriptPrompt(const QUrl &, const QString &, const QString &, QString *) override { return false; }
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &, int, const QString &) override { }
};

QPixmap coverPixmap()
{
    QPixmap pixmap(kBrowserWidth, kBrowserHeight);
    QPainter p(&pixmap);
    QLinearGradient g(0, 0, 0, kBrowserHeight);
    g.setColorAt(0, QColor(0x3b, 0x6e, 0xc4));
    g.setColorAt(1, QColor(0x1f, 0x44, 0x8a));
    p.fillRect(pixmap.rect(), g);
    p.setPen(Qt::white);
    QFont f = p.font();
    f.setPointSize(13);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRect(0, 8, kBrowserWidth, 40), Qt::AlignCenter, QStringLiteral("Adwords 关键词工具"));
    f.setPointSize(9);
    f.setBold(false);
    p.setFont(f);
    p.drawText(QRect(0, 48, kBrowserWidth, 40), Qt::AlignCenter,
               QStringLiteral("输入关键词后点击“开始查询”\n结果显示在下方列表中"));
    return pixmap;
}

QPixmap readyPixmap()
{
    QPixmap pixmap(96, 22);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(0x3a, 0xa8, 0x4f));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(pixmap.rect().adjusted(0, 0, -1, -1), 4, 4);
    p.setPen(Qt::white);
    p.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("页面已就绪"));
    return pixmap;
}

} // namespace

VolumeTab::VolumeTab(AppContext &context, QWidget *parent)
    : FeatureTab(parent),
      m_context(context)
{
    setObjectName(QStringLiteral("volumeTab"));

    m_view = new QWebEngineView(this);
    m_view->setObjectName(QStringLiteral("volumeBrowser"));
    m_view->setPage(new QuietPage(m_view));
    m_view->setContextMenuPolicy(Qt::NoContextMenu);
    m_view->setFixedSize(kBrowserWidth, kBrowserHeight);
    m_toolPage = new WebToolPage(m_view->page(), this);
    m_volume = new KeywordVolume(context.endpoints(), context.jobStatus(), context.prompter(), *m_toolPage, this);

    m_cover = new QLabel(m_view->parentWidget());
    m_cover->setObjectName(QStringLiteral("coverPicture"));
    m_cover->setPixmap(coverPixmap());
    m_cover->setFixedSize(kBrowserWidth, kBrowserHeight);

    m_keyword = new QLineEdit(this);
    m_keyword->setObjectName(QStringLiteral("volumeKeywordEdit"));
    m_start = new QPushButton(kStartCaption, this);
    m_start->setObjectName(QStringLiteral("volumeStartButton"));

    m_captchaFrame = new QGroupBox(this);
    m_captchaFrame->setObjectName(QStringLiteral("captchaFrame"));
    m_answer = new QLineEdit(m_captchaFrame);
    m_answer->setObjectName(QStringLiteral("captchaAnswerEdit"));
    m_answer->setMaximumWidth(90);
    m_refetch = new QPushButton(QStringLiteral("重新获取"), m_captchaFrame);
    m_refetch->setObjectName(QStringLiteral("refetchButton"));
    auto *captchaLayout = new QHBoxLayout(m_captchaFrame);
    captchaLayout->addWidget(new QLabel(QStringLiteral("验证码："), m_captchaFrame));
    captchaLayout->addWidget(m_answer);
    captchaLayout->addWidget(m_refetch);
    m_captchaFrame->hide();

    m_secondCover = new QLabel(this);
    m_secondCover->setObjectName(QStringLiteral("secondCover"));
    m_secondCover->setPixmap(readyPixmap());
    m_secondCover->hide();

    m_list = new ResultListView(this);
    m_list->setObjectName(QStringLiteral("volumeResultView"));
    m_list->setResultList(&m_volume->result());
    m_list->setJobStatus(&context.jobStatus());

    auto *actions = new QGroupBox(QStringLiteral("相关操作"), this);
    actions->setObjectName(QStringLiteral("volumeActions"));
    m_addToDb = new QPushButton(QStringLiteral("加入关键词数据库"), actions);
    m_addToDb->setObjectName(QStringLiteral("volumeAddToDatabaseButton"));
    auto *actionsLayout = new QVBoxLayout(actions);
    actionsLayout->addWidget(m_addToDb);

    auto *help = new QGroupBox(QStringLiteral("使用说明"), this);
    help->setObjectName(QStringLiteral("volumeHelp"));
    auto *helpLayout = new QVBoxLayout(help);
    helpLayout->setSpacing(0);
    for (const char *line :
         {"如需要输入验证码，请输", "入正确的验证码后再查询", "。查询过程可能最多需要", "一分钟左右。"})
        helpLayout->addWidget(new QLabel(QString::fromUtf8(line), help));

    // The browser and its cover share one place; the cover is in front.
    auto *browserBox = new QWidget(this);
    browserBox->setFixedSize(kBrowserWidth, kBrowserHeight);
    m_view->setParent(browserBox);
    m_view->move(0, 0);
    m_cover->setParent(browserBox);
    m_cover->move(0, 0);
    m_cover->raise();

    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("输入关键词："), this));
    top->addWidget(m_keyword, 1);
    top->addWidget(m_start);

    auto *pageColumn = new QVBoxLayout;
    pageColumn->addWidget(browserBox);
    pageColumn->addWidget(m_captchaFrame);
    pageColumn->addWidget(m_secondCover, 0, Qt::AlignLeft);
    pageColumn->addWidget(actions);
    pageColumn->addWidget(help);
    pageColumn->addStretch();

    auto *listColumn = new QVBoxLayout;
    listColumn->addWidget(m_list, 1);
    listColumn->addWidget(new ExportButtons(
        *m_list, ReportKind::KeywordVolume, [&c = m_context] { return c.exporter(); }, ExportButtons::Verb::Export,
        this));
    auto *middle = new QHBoxLayout;
    middle->addLayout(listColumn, 1);
    middle->addLayout(pageColumn);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(middle, 1);

    connect(m_start, &QPushButton::clicked, this, [this] { afterWaits(this, [this] { onStart(); }); });
    connect(m_refetch, &QPushButton::clicked, this, &VolumeTab::onRefetch);
    connect(m_addToDb, &QPushButton::clicked, this, &VolumeTab::onAddToDatabase);
    connect(m_toolPage, &ToolPage::loadFinished, this, [this](const QUrl &address, bool) { onLoadFinished(address); });
    connect(m_volume, &KeywordVolume::queryStarted, this, &VolumeTab::onQueryStarted);
    connect(m_volume, &KeywordVolume::queryEnded, this, &VolumeTab::onQueryEnded);
    connect(m_volume, &KeywordVolume::reloading, this, &VolumeTab::onReloading);
    connect(&context.jobStatus(), &JobStatus::changed, this, &VolumeTab::refreshStart);
}

VolumeTab::~VolumeTab()
{
    // The page's scripts must not call back into a half-destroyed tab.
    m_toolPage->disconnect(this);
}

bool VolumeTab::captchaShown() const { return m_captchaFrame->isVisibleTo(this); }

void VolumeTab::refreshStart()
{
    // Another tab's job holds the program: no query can start meanwhile.
    const bool otherBusy = m_volume->job().otherJobBusy();
    m_start->setEnabled(m_startAllowed && !otherBusy && !m_volume->job().isActive());
}

void VolumeTab::activated()
{
    m_secondCover->hide();
    if (!m_volume->job().isActive())
        m_volume->reload();
}

void VolumeTab::onRefetch() { m_volume->reload(); }

void VolumeTab::onReloading()
{
    m_secondCover->hide();
    m_refetch->setEnabled(false);
    m_cover->hide();
}

void VolumeTab::onLoadFinished(const QUrl &address)
{
    // Only the tool page itself: another page in this browser (an error
    // page, a redirect elsewhere) must not unlock the controls.
    if (!m_volume->isToolPage(address))
        return;
    m_view->page()->runJavaScript(
        QStringLiteral("document.oncontextmenu=function(){return false;};"
                       "document.onmousewheel=function(){return false;};"
                       "document.addEventListener('wheel',function(e){e.preventDefault();},{passive:false});"
                       "document.documentElement.style.overflow='hidden';"
                       "window.scrollBy(868,360);"));
    m_secondCover->show();
    if (!m_volume->holdFlag())
        m_startAllowed = true;
    refreshStart();
    m_refetch->setEnabled(true);
    if (m_toolPage->hasElement(KeywordToolPage::captchaId())) {
        m_cover->hide();
        m_captchaFrame->show();
    } else {
        m_cover->show();
        m_captchaFrame->hide();
    }
    if (m_volume->reloadFlag())
        m_answer->clear();
}

void VolumeTab::onStart() { m_volume->query(m_keyword->text(), m_answer->text(), captchaShown()); }

void VolumeTab::onQueryStarted()
{
    m_cover->show();
    m_start->setText(busyCaption());
    m_startAllowed = false;
    m_start->setEnabled(false);
    m_captchaFrame->setEnabled(false);
}

void VolumeTab::onQueryEnded(KeywordVolume::Outcome outcome)
{
    if (outcome == KeywordVolume::Outcome::CaptchaFailed) {
        // The query saw the new captcha on the reloaded page; show it even
        // when the page's own load notice was handled before its picture was there.
        m_cover->hide();
        m_captchaFrame->show();
        m_answer->clear();
    }
    m_captchaFrame->setEnabled(true);
    m_start->setText(kStartCaption);
    m_startAllowed = true;
    refreshStart();
}

void VolumeTab::onAddToDatabase()
{
    TickedRowsToStore::addAndReport(m_context.keywords(), m_context.prompter(), m_volume->result(), m_keyword->text(),
                                    false, m_context.clock().today());
}
