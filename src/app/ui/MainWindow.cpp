#include "app/ui/MainWindow.h"

#include "app/MakerLinks.h"
#include "app/ui/AppIcon.h"
#include "app/ui/BrowserPageReader.h"
#include "app/ui/ExportProgressDialog.h"
#include "app/ui/IntervalDialog.h"
#include "app/ui/SilentPage.h"
#include "app/ui/SuggestDialog.h"
#include "common/JobStatus.h"
#include "common/Prompter.h"
#include "common/SettingsStore.h"
#include "context/AppContext.h"
#include "keyworddb/ui/KeywordDbTab.h"
#include "rank/ui/RankTab.h"
#include "reports/ReportExport.h"
#include "research/ui/MiningTab.h"
#include "resources/ui/ResourceTab.h"
#include "volume/ui/VolumeTab.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QWebEngineProfile>
#include <QWebEngineView>

namespace {
const char *const kTabCaptions[] = {"相关关键词查询", "Adwords关键词查询", "外链资源库", "关键词排名查询",
                                    "关键词数据库"};
constexpr int kTabCount = 5;
// Long enough to read an address; the status panels come back after it.
constexpr int kLinkMessageMs = 15000;
} // namespace

MainWindow::MainWindow(AppContext &context, QWidget *parent)
    : QMainWindow(parent),
      m_context(context),
      m_startup(context),
      m_openUrl(&QDesktopServices::openUrl)
{
    setObjectName(QStringLiteral("frm_Main"));
    setWindowTitle(QStringLiteral("Veltrana"));
    setMinimumSize(867, 722);
    setWindowIcon(appIcon());

    // Pages keep no cookies or cache on disk: they must not touch the user's files.
    m_profile = new QWebEngineProfile(this);

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    m_tabs = new QTabWidget(central);
    m_tabs->setObjectName(QStringLiteral("mainTabs"));
    layout->addWidget(m_tabs, 1);
    m_info = new QWebEngineView(central);
    m_info->setObjectName(QStringLiteral("infoStrip"));
    auto *infoPage = new SilentPage(m_profile, m_info);
    infoPage->setLinkHandler([this](const QUrl &url) {
        const QString scheme = url.scheme().toLower();
        if (scheme == u"http" || scheme == u"https")
            openLink(url);
    });
    m_info->setPage(infoPage);
    m_info->setFixedHeight(48);
    m_info->setContextMenuPolicy(Qt::NoContextMenu);
    m_info->hide();
    layout->addWidget(m_info);
    setCentralWidget(central);

    for (int i = 0; i < 3; ++i) {
        m_panels[i] = new QLabel(this);
        m_panels[i]->setObjectName(QStringLiteral("statusPanel%1").arg(i + 1));
        statusBar()->addWidget(m_panels[i], i == 0 ? 0 : 1);
    }
    m_panels[0]->setMinimumWidth(120);
    connect(&m_context.jobStatus(), &JobStatus::changed, this, &MainWindow::refreshStatus);
    refreshStatus();

    buildMenus();
    // Every tab's links leave through the window, so a failed open is said
    // in its status bar whichever tab asked.
    m_context.setUrlOpener([this](const QUrl &url) { return openLink(url); });
}

MainWindow::~MainWindow()
{
    if (m_context.pageReader() == m_reader)
        m_context.setPageReader(nullptr);
    if (m_context.exporter() == m_exporter.get())
        m_context.setExporter(nullptr);
    m_context.setUrlOpener({});
    // Every page must go before the profile it was made with.
    delete m_info;
    delete m_browser1;
    delete m_browser2;
    delete m_profile;
    if (m_tray)
        m_tray->hide();
}

bool MainWindow::start()
{
    const Startup::Outcome outcome = m_startup.run();
    if (outcome != Startup::Outcome::Continue)
        return false;

    // Every tab's report buttons end here; finished reports open through the
    // same door as the maker's pages. Made now, not with the window: the
    // prompter it asks with is installed after the window exists.
    if (!m_exporter) {
        m_exporter = std::make_unique<ReportExport>(m_context.jobStatus(), m_context.prompter(),
                                                    [this](const QUrl &file) { return openLink(file); });
        m_exporter->setProgressMaker([this] { return std::make_unique<ExportProgressDialog>(this); });
        m_context.setExporter(m_exporter.get());
    }
    // The tabs are handed the browser page reader as they are made.
    buildBrowsers();
    m_context.settings().setLoaded(false);
    buildTabs();
    refreshLinks();
    m_functions->actions().at(0)->setChecked(true);

    const QUrl info = MakerLinks::pageUrl(m_context.endpoints(), QStringLiteral("/veltrana/info.htm"));
    if (info.isValid()) {
        m_info->load(info);
        m_info->show();
    }
    m_context.settings().setLoaded(true);
    buildTray();
    // The first browser goes to the Baidu home page last: a read that starts
    // while that load runs sees it end as failed, and the tabs are built by now.
    const QString home = m_context.endpoints().url(Endpoints::Service::Baidu, QStringLiteral("/"));
    if (!home.isEmpty())
        m_browser1->load(QUrl(home));
    return true;
}

void MainWindow::buildMenus()
{
    QMenu *system = menuBar()->addMenu(QStringLiteral("软件系统(&S)"));
    system->setObjectName(QStringLiteral("systemMenu"));
    connect(system->addAction(QStringLiteral("在线升级")), &QAction::triggered, this, &MainWindow::onlineUpdate);
    connect(system->addAction(QStringLiteral("搜索引擎屏蔽设置")), &QAction::triggered, this,
            &MainWindow::openIntervals);
    connect(system->addAction(QStringLiteral("退出系统")), &QAction::triggered, this, &QWidget::close);

    QMenu *functions = menuBar()->addMenu(QStringLiteral("软件功能(&F)"));
    functions->setObjectName(QStringLiteral("functionMenu"));
    m_functions = new QActionGroup(this);
    m_functions->setExclusive(true);
    for (int i = 0; i < kTabCount; ++i) {
        QAction *action = functions->addAction(QString::fromUtf8(kTabCaptions[i]));
        action->setCheckable(true);
        m_functions->addAction(action);
        connect(action, &QAction::triggered, this, [this, i] {
            if (m_tabs->count() > i)
                m_tabs->setCurrentIndex(i);
        });
    }

    QMenu *about = menuBar()->addMenu(QStringLiteral("关于软件(&A)"));
    about->setObjectName(QStringLiteral("aboutMenu"));
    connect(about->addAction(QStringLiteral("软件说明")), &QAction::triggered, this, &MainWindow::showAbout);
    for (const MakerLinks::Link &link : MakerLinks::aboutLinks()) {
        QAction *action = about->addAction(link.caption);
        action->setData(link.path);
        connect(action, &QAction::triggered, this, [this, path = link.path] { openMakerPage(path); });
        m_makerActions.append(action);
    }

    QMenu *help = menuBar()->addMenu(QStringLiteral("软件帮助(&H)"));
    help->setObjectName(QStringLiteral("helpMenu"));
    const MakerLinks::Link helpLink = MakerLinks::helpLink();
    QAction *online = help->addAction(helpLink.caption);
    online->setData(helpLink.path);
    connect(online, &QAction::triggered, this, [this, path = helpLink.path] { openMakerPage(path); });
    m_makerActions.append(online);
    connect(help->addAction(QStringLiteral("意见和建议")), &QAction::triggered, this, &MainWindow::openSuggest);
    refreshLinks();

    m_trayMenu = new QMenu(this);
    m_trayMenu->setObjectName(QStringLiteral("trayMenu"));
    connect(m_trayMenu->addAction(QStringLiteral("恢复")), &QAction::triggered, this, [this] {
        showNormal();
        raise();
        activateWindow();
    });
    connect(m_trayMenu->addAction(QStringLiteral("最小化")), &QAction::triggered, this, &QWidget::showMinimized);
    connect(m_trayMenu->addAction(QStringLiteral("关于软件")), &QAction::triggered, this, &MainWindow::showAbout);
    m_trayMenu->addSeparator();
    connect(m_trayMenu->addAction(QStringLiteral("退出")), &QAction::triggered, this, &QWidget::close);
}

void MainWindow::buildTabs()
{
    if (m_tabs->count() > 0)
        return;
    m_tabs->addTab(new MiningTab(m_context, m_tabs), QString::fromUtf8(kTabCaptions[0]));
    m_tabs->addTab(new VolumeTab(m_context, m_tabs), QString::fromUtf8(kTabCaptions[1]));
    m_tabs->addTab(new ResourceTab(m_context, m_tabs), QString::fromUtf8(kTabCaptions[2]));
    m_tabs->addTab(new RankTab(m_context, m_tabs), QString::fromUtf8(kTabCaptions[3]));
    m_tabs->addTab(new KeywordDbTab(m_context, m_tabs), QString::fromUtf8(kTabCaptions[4]));
    connect(m_tabs, &QTabWidget::currentChanged, this, &MainWindow::tabChanged);
    for (int i = 0; i < m_tabs->count(); ++i) {
        if (auto *tab = qobject_cast<FeatureTab *>(m_tabs->widget(i))) {
            connect(tab, &FeatureTab::trayMessage, this, [this](const QString &title, const QString &text) {
                if (m_tray)
                    m_tray->showMessage(title, text, QSystemTrayIcon::Information);
            });
        }
    }
}

void MainWindow::tabChanged(int index)
{
    if (index >= 0 && index < m_functions->actions().size())
        m_functions->actions().at(index)->setChecked(true);
    // Each tab hides what other tabs showed and shows its own parts here.
    if (auto *tab = qobject_cast<FeatureTab *>(m_tabs->widget(index)))
        tab->activated();
}

void MainWindow::buildTray()
{
    if (m_tray || !QSystemTrayIcon::isSystemTrayAvailable())
        return;
    m_tray = new QSystemTrayIcon(windowIcon(), this);
    m_tray->setToolTip(QStringLiteral("Veltrana"));
    // Left and right clicks both open the menu, as the tray callback did.
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::Context)
            m_trayMenu->popup(QCursor::pos());
    });
    m_tray->show();
}

void MainWindow::buildBrowsers()
{
    if (m_browser1)
        return;
    m_browser1 = new SilentPage(m_profile, this);
    m_browser1->setObjectName(QStringLiteral("firstBrowser"));
    m_browser2 = new SilentPage(m_profile, this);
    m_browser2->setObjectName(QStringLiteral("secondBrowser"));
    m_browser1->setNewWindowTarget(m_browser2);
    m_reader = new BrowserPageReader(m_browser1, this);
    m_context.setPageReader(m_reader);
}

void MainWindow::refreshLinks()
{
    for (QAction *action : std::as_const(m_makerActions))
        action->setEnabled(MakerLinks::pageUrl(m_context.endpoints(), action->data().toString()).isValid());
}

void MainWindow::openMakerPage(const QString &path)
{
    const QUrl url = MakerLinks::pageUrl(m_context.endpoints(), path);
    if (url.isValid())
        openLink(url);
}

bool MainWindow::openLink(const QUrl &url)
{
    if (m_openUrl && m_openUrl(url))
        return true;
    const QString where = url.isLocalFile() ? QDir::toNativeSeparators(url.toLocalFile()) : url.toString();
    statusBar()->showMessage((url.isLocalFile() ? QStringLiteral("无法打开文件：") : QStringLiteral("无法打开链接："))
                                 + where,
                             kLinkMessageMs);
    return false;
}

void MainWindow::showAbout()
{
    m_context.prompter().message(
        QStringLiteral("关于软件"),
        QStringLiteral("Veltrana %1\n\n关键词挖掘、收录量查询、关键词数据库与排名跟踪。").arg(Startup::version()),
        Prompter::Icon::Information);
}

void MainWindow::openIntervals()
{
    IntervalDialog dialog(m_context, m_profile, this);
    dialog.exec();
}

void MainWindow::openSuggest()
{
    SuggestDialog dialog(m_context, this);
    dialog.exec();
}

void MainWindow::onlineUpdate()
{
    // Updating ends the program: a job cut off in the middle of its wait
    // would go on writing empty counts while the updater replaces us.
    if (m_context.jobStatus().isBusy()) {
        m_context.prompter().notice(QStringLiteral("程序正在运行中，请停止后推出。"));
        return;
    }
    if (!m_startup.updateStarted()) {
        if (m_context.prompter().askYesNo(QStringLiteral("提示"), QStringLiteral("未发现可用的更新，确实要更新吗？"))
            != Prompter::Answer::Yes)
            return;
        m_startup.setUpdateStarted(true);
    }
    if (!m_startup.startUpdater(true)) {
        // Nothing took over: ending would leave the user without the program.
        m_startup.setUpdateStarted(false);
        return;
    }
    close();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (!m_startup.updateStarted()) {
        if (m_context.jobStatus().isBusy()) {
            m_context.prompter().notice(QStringLiteral("程序正在运行中，请停止后推出。"));
            event->ignore();
            return;
        }
        if (m_context.prompter().askYesNo(QStringLiteral("Veltrana"), QStringLiteral("是否真的要退出软件？"))
            != Prompter::Answer::Yes) {
            event->ignore();
            return;
        }
    }
    unload();
    event->accept();
}

void MainWindow::unload()
{
    if (m_tray) {
        m_tray->hide();
        m_tray->deleteLater();
        m_tray = nullptr;
    }
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows) {
        if (w != this && w->isVisible() && !w->inherits("QMenu"))
            w->close();
    }
}

void MainWindow::refreshStatus()
{
    const JobStatus &s = m_context.jobStatus();
    m_panels[0]->setText(s.stateText());
    m_panels[1]->setText(s.total());
    m_panels[2]->setText(s.current());
}
