#include "AppHelpers.h"
#include "app/ui/MainWindow.h"
#include "common/JobStatus.h"
#include "common/PageReader.h"
#include "common/ResultList.h"
#include "common/ui/ResultListView.h"
#include "research/ui/MiningTab.h"
#include "resources/ResourceCatalogue.h"
#include "resources/ui/ResourceTab.h"
#include "support/TestEnv.h"
#include "support/TinyHttpServer.h"
#include "volume/ui/VolumeTab.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QUrl>
#include <QWebEngineView>

namespace {

QStringList captions(const QMenu *menu)
{
    QStringList out;
    for (const QAction *a : menu->actions())
        out.append(a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}

QTabWidget *tabs(const QMainWindow &window) { return window.findChild<QTabWidget *>(QStringLiteral("mainTabs")); }

QMenu *trayMenu(const QMainWindow &window) { return window.findChild<QMenu *>(QStringLiteral("trayMenu")); }

QMenu *menuTitled(QMainWindow &window, const QString &title)
{
    for (QAction *a : window.menuBar()->actions()) {
        if (a->text() == title)
            return a->menu();
    }
    return nullptr;
}

QList<int> checkedFunctions(QMainWindow &window)
{
    QList<int> out;
    const QList<QAction *> actions = menuTitled(window, QStringLiteral("软件功能(&F)"))->actions();
    for (int i = 0; i < actions.size(); ++i) {
        if (actions.at(i)->isChecked())
            out.append(i);
    }
    return out;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_standIn = std::make_unique<standin::StandIn>();
        QVERIFY(m_standIn->listen(0));
    }
    void cleanup() { m_standIn.reset(); }

    void menusAndTray()
    {
        TestEnv env(m_standIn.get(), TestEnv::BeforeStartUp);
        MainWindow window(*env.context);
        QVERIFY(window.start());

        QStringList titles;
        for (QAction *a : window.menuBar()->actions())
            titles.append(a->text());
        QCOMPARE(titles,
                 (QStringList{QStringLiteral("软件系统(&S)"), QStringLiteral("软件功能(&F)"),
                              QStringLiteral("关于软件(&A)"), QStringLiteral("软件帮助(&H)")}));
        QCOMPARE(
            captions(menuTitled(window, QStringLiteral("软件系统(&S)"))),
            (QStringList{QStringLiteral("在线升级"), QStringLiteral("搜索引擎屏蔽设置"), QStringLiteral("退出系统")}));
        const QStringList tabCaptions{QStringLiteral("相关关键词查询"), QStringLiteral("Adwords关键词查询"),
                                      QStringLiteral("外链资源库"), QStringLiteral("关键词排名查询"),
                                      QStringLiteral("关键词数据库")};
        QCOMPARE(captions(menuTitled(window, QStringLiteral("软件功能(&F)"))), tabCaptions);
        QStringList tabTexts;
        for (int i = 0; i < tabs(window)->count(); ++i)
            tabTexts.append(tabs(window)->tabText(i));
        QCOMPARE(tabTexts, tabCaptions);
        const QStringList about = captions(menuTitled(window, QStringLiteral("关于软件(&A)")));
        QCOMPARE(about.size(), 6);
        QCOMPARE(about.first(), QStringLiteral("软件说明"));
        QCOMPARE(captions(menuTitled(window, QStringLiteral("软件帮助(&H)"))),
                 (QStringList{QStringLiteral("在线帮助"), QStringLiteral("意见和建议")}));
        QCOMPARE(captions(trayMenu(window)),
                 (QStringList{QStringLiteral("恢复"), QStringLiteral("最小化"), QStringLiteral("关于软件"),
                              QStringLiteral("-"), QStringLiteral("退出")}));
        QVERIFY(window.minimumWidth() >= 867 && window.minimumHeight() >= 722);
        QVERIFY(env.context->settings().isLoaded());
        QVERIFY(env.context->pageReader() != nullptr);

        // The information strip and the first silent browser load their pages.
        QTRY_COMPARE_WITH_TIMEOUT(
            countRequests(*m_standIn, QStringLiteral("maker"), QStringLiteral("/veltrana/info.htm")), 1, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(countRequests(*m_standIn, QStringLiteral("baidu"), QStringLiteral("/")), 1, 5000);
    }

    void infoStripLinksOpenInTheDefaultBrowser()
    {
        TestEnv env(m_standIn.get(), TestEnv::BeforeStartUp);
        MainWindow window(*env.context);
        QList<QUrl> opened;
        window.setUrlOpener([&](const QUrl &url) {
            opened.append(url);
            return true;
        });
        QVERIFY(window.start());
        auto *strip = window.findChild<QWebEngineView *>(QStringLiteral("infoStrip"));
        QVERIFY(strip);
        QSignalSpy loaded(strip, &QWebEngineView::loadFinished);
        QVERIFY(loaded.wait(5000));
        strip->page()->runJavaScript(QStringLiteral("document.querySelector('a').click();"));
        QTRY_COMPARE_WITH_TIMEOUT(opened.size(), 1, 5000);
        QCOMPARE(opened.first().scheme(), QStringLiteral("http"));
        QVERIFY(opened.first().path().endsWith(QStringLiteral(".htm")));
        // The strip itself stays on the information page.
        QCOMPARE(strip->url().path(), QStringLiteral("/maker/veltrana/info.htm"));
    }

    void makerPagesOpenOnlyWithAnEndpoint()
    {
        TestEnv env(m_standIn.get(), TestEnv::BeforeStartUp);
        MainWindow window(*env.context);
        QList<QUrl> opened;
        window.setUrlOpener([&](const QUrl &url) {
            opened.append(url);
            return true;
        });
        QVERIFY(window.start());
        QMenu *about = menuTitled(window, QStringLiteral("关于软件(&A)"));
        const QList<QAction *> links = about->actions().mid(1);
        for (QAction *a : links) {
            QVERIFY2(a->isEnabled(), qPrintable(a->text()));
            a->trigger();
        }
        menuTitled(window, QStringLiteral("软件帮助(&H)"))->actions().at(0)->trigger();
        QCOMPARE(opened.size(), 6);
        for (const QUrl &u : opened) {
            QCOMPARE(u.scheme(), QStringLiteral("http"));
            QVERIFY2(u.toString().startsWith(m_standIn->serviceBase(QStringLiteral("maker"))),
                     qPrintable(u.toString()));
        }
        QCOMPARE(opened.last().path(), QStringLiteral("/maker/help.htm"));

        TestEnv bare(nullptr, TestEnv::BeforeStartUp);
        bare.context->endpoints().setBase(Endpoints::Service::Maker, QString());
        bare.context->endpoints().setBase(Endpoints::Service::Baidu, QString());
        MainWindow offline(*bare.context);
        opened.clear();
        offline.setUrlOpener([&](const QUrl &url) {
            opened.append(url);
            return true;
        });
        QVERIFY(offline.start());
        for (QAction *a : menuTitled(offline, QStringLiteral("关于软件(&A)"))->actions().mid(1)) {
            QVERIFY(!a->isEnabled());
            a->trigger();
        }
        QVERIFY(!menuTitled(offline, QStringLiteral("软件帮助(&H)"))->actions().at(0)->isEnabled());
        QVERIFY(opened.isEmpty());
    }

    void linksNothingOpensAreSaidWithTheirAddress()
    {
        TestEnv env(m_standIn.get(), TestEnv::BeforeStartUp);
        MainWindow window(*env.context);
        QList<QUrl> tried;
        window.setUrlOpener([&](const QUrl &url) {
            tried << url;
            return false; // no browser, no handler
        });
        QVERIFY(window.start());
        menuTitled(window, QStringLiteral("软件帮助(&H)"))->actions().at(0)->trigger();
        QCOMPARE(tried.size(), 1);
        QCOMPARE(window.statusBar()->currentMessage(), QStringLiteral("无法打开链接：") + tried.last().toString());

        // The tabs' links leave through the same door: 查看百度指数 here.
        auto *mining = qobject_cast<MiningTab *>(window.findChild<QTabWidget *>(QStringLiteral("mainTabs"))->widget(0));
        QVERIFY(mining);
        mining->miner().lists().addRow(QStringLiteral("seo"));
        mining->findChild<ResultListView *>(QStringLiteral("resultView"))
            ->setCurrentIndex(mining->miner().result().index(0, 0));
        mining->openBaiduIndex();
        QCOMPARE(tried.size(), 2);
        QVERIFY(tried.last().toString().contains(QStringLiteral("word.php")));
        QCOMPARE(window.statusBar()->currentMessage(), QStringLiteral("无法打开链接：") + tried.last().toString());

        // And the resource tab's sites (a double click on a resource).
        window.statusBar()->clearMessage();
        auto *resources =
            qobject_cast<ResourceTab *>(window.findChild<QTabWidget *>(QStringLiteral("mainTabs"))->widget(2));
        QVERIFY(resources);
        ResultList &sites = resources->catalogue().list();
        sites.addRow(QStringLiteral("Bare"), {QStringLiteral("www.bare.com/x")});
        auto *view = resources->findChild<ResultListView *>(QStringLiteral("resourceView"));
        QVERIFY(view);
        view->setCurrentIndex(sites.index(0, 1));
        Q_EMIT view->doubleClicked(sites.index(0, 1));
        QCOMPARE(tried.size(), 3);
        QCOMPARE(tried.last(), QUrl(QStringLiteral("http://www.bare.com/x")));
        QCOMPARE(window.statusBar()->currentMessage(), QStringLiteral("无法打开链接：http://www.bare.com/x"));
    }

    void functionMarkFollowsTab()
    {
        TestEnv env(m_standIn.get(), TestEnv::BeforeStartUp);
        MainWindow window(*env.context);
        QVERIFY(window.start());
        QCOMPARE(checkedFunctions(window), QList<int>{0});
        QCOMPARE(tabs(window)->currentIndex(), 0);

        menuTitled(window, QStringLiteral("软件功能(&F)"))->actions().at(3)->trigger();
        QCOMPARE(tabs(window)->currentIndex(), 3);
        QCOMPARE(checkedFunctions(window), QList<int>{3});

        tabs(window)->setCurrentIndex(4);
        QCOMPARE(checkedFunctions(window), QList<int>{4});
        // Choosing the current entry again keeps it marked.
        menuTitled(window, QStringLiteral("软件功能(&F)"))->actions().at(4)->trigger();
        QCOMPARE(checkedFunctions(window), QList<int>{4});
    }

    void closeRules()
    {
        TestEnv env(m_standIn.get(), TestEnv::BeforeStartUp);
        MainWindow window(*env.context);
        QVERIFY(window.start());
        window.show();

        env.context->jobStatus().setState(JobStatus::Running);
        QVERIFY(!window.close());
        QCOMPARE(env.prompter.prompts.size(), 1);
        QCOMPARE(env.prompter.prompts.at(0).title, QStringLiteral("提示"));
        QCOMPARE(env.prompter.lastText(), QStringLiteral("程序正在运行中，请停止后推出。"));
        env.context->jobStatus().setState(JobStatus::Stopping);
        QVERIFY(!window.close());
        QCOMPARE(env.prompter.lastText(), QStringLiteral("程序正在运行中，请停止后推出。"));

        env.context->jobStatus().setState(JobStatus::Idle);
        env.prompter.prompts.clear();
        env.prompter.answers.enqueue(Prompter::Answer::No);
        QVERIFY(!window.close());
        QCOMPARE(env.prompter.prompts.size(), 1);
        QCOMPARE(env.prompter.prompts.at(0).kind, QStringLiteral("yesno"));
        QCOMPARE(env.prompter.prompts.at(0).title, QStringLiteral("Veltrana"));
        QCOMPARE(env.prompter.prompts.at(0).text, QStringLiteral("是否真的要退出软件？"));
        QVERIFY(window.isVisible());

        env.prompter.answers.enqueue(Prompter::Answer::Yes);
        QVERIFY(window.close());
        QVERIFY(!window.isVisible());
    }

    void handOverAtStartEndsWithoutQuestion()
    {
        TestEnv env(m_standIn.get(), TestEnv::BeforeStartUp);
        installFakeUpdater(env.programDir);
        m_standIn->setPublishedVersion(QStringLiteral("0.9"));
        MainWindow window(*env.context);
        QVERIFY(!window.start());
        QVERIFY(window.startup().updateStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(updaterRecord(env.programDir)), 5000);
        QVERIFY(window.close());
        QVERIFY(env.prompter.prompts.isEmpty());
        QVERIFY(!env.context->settings().isLoaded());
    }

    void noUpdaterKeepsTheWindow()
    {
        TestEnv env(m_standIn.get(), TestEnv::BeforeStartUp);
        m_standIn->setPublishedVersion(QStringLiteral("0.9"));
        MainWindow window(*env.context);
        QVERIFY(window.start());
        QVERIFY(!window.startup().updateStarted());
        QCOMPARE(tabs(window)->count(), 5);
    }

    void onlineUpdateMenu()
    {
        TestEnv env(m_standIn.get(), TestEnv::BeforeStartUp);
        MainWindow window(*env.context);
        QVERIFY(window.start());
        window.show();
        QAction *update = menuTitled(window, QStringLiteral("软件系统(&S)"))->actions().at(0);

        // No: nothing happens.
        env.prompter.answers.enqueue(Prompter::Answer::No);
        update->trigger();
        QCOMPARE(env.prompter.prompts.size(), 1);
        QCOMPARE(env.prompter.prompts.at(0).kind, QStringLiteral("yesno"));
        QCOMPARE(env.prompter.prompts.at(0).title, QStringLiteral("提示"));
        QCOMPARE(env.prompter.lastText(), QStringLiteral("未发现可用的更新，确实要更新吗？"));
        QVERIFY(window.isVisible());
        QVERIFY(!window.startup().updateStarted());

        // Yes without an updater beside the program: it stays.
        env.prompter.answers.enqueue(Prompter::Answer::Yes);
        update->trigger();
        QVERIFY(window.isVisible());
        QVERIFY(!window.startup().updateStarted());

        // While a job runs, updating (which ends the program) is refused.
        installFakeUpdater(env.programDir);
        env.prompter.prompts.clear();
        env.context->jobStatus().setState(JobStatus::Running);
        update->trigger();
        QCOMPARE(env.prompter.prompts.size(), 1);
        QCOMPARE(env.prompter.lastText(), QStringLiteral("程序正在运行中，请停止后推出。"));
        QVERIFY(window.isVisible());
        QVERIFY(!QFile::exists(updaterRecord(env.programDir)));
        env.context->jobStatus().setState(JobStatus::Idle);

        // Yes with one: it starts and the window goes without the exit question.
        env.prompter.prompts.clear();
        env.prompter.answers.enqueue(Prompter::Answer::Yes);
        update->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(updaterRecord(env.programDir)), 5000);
        QVERIFY(!window.isVisible());
        QCOMPARE(env.prompter.prompts.size(), 1);
    }

    void pageReaderReadsTheScriptedDocument()
    {
        TestEnv env(m_standIn.get(), TestEnv::BeforeStartUp);
        MainWindow window(*env.context);
        QVERIFY(window.start());
        PageReader *reader = env.context->pageReader();
        QVERIFY(reader);
        // The whole wait passes before the markup is read: 2 s leaves a first
        // WebEngine load room on a busy machine (1 s failed now and then under ctest -j4).
        const QString html =
            reader->readPage(m_standIn->serviceBase(QStringLiteral("maker")) + QStringLiteral("/help.htm"), 2000);
        QVERIFY2(html.contains(QStringLiteral("Veltrana help")), qPrintable(html.left(300)));
        QVERIFY(html.contains(QStringLiteral("<body")));
        QVERIFY(!html.contains(QStringLiteral("<html"))); // the root element's inner markup

        // Nothing listening there: nothing loaded, nothing returned.
        QCOMPARE(reader->readPage(QStringLiteral("ftp://127.0.0.1/x"), 100), QString());
        QCOMPARE(reader->readPage(QStringLiteral("http://127.0.0.1:1/none"), 1000), QString());
    }

    void pageReaderGivesThePartlyLoadedDocument()
    {
        // A picture that never arrives keeps the page loading past the wait:
        // the count already on the page is what the Baidu fall-back needs.
        TinyHttpServer server;
        QVERIFY(server.listen());
        server.setPage(
            QStringLiteral("/partial.htm"),
            QStringLiteral("<html><body><p>找到相关网页约1,234篇</p><img src=\"/hang.png\"></body></html>").toUtf8(),
            "text/html; charset=utf-8");
        server.setSilent(QStringLiteral("/hang.png"));
        TestEnv env(m_standIn.get(), TestEnv::BeforeStartUp);
        MainWindow window(*env.context);
        QVERIFY(window.start());
        const QString html =
            env.context->pageReader()->readPage(server.baseUrl() + QStringLiteral("/partial.htm"), 1500);
        QVERIFY2(html.contains(QStringLiteral("找到相关网页约1,234篇")), qPrintable(html.left(300)));
    }

    void volumeTabAndBaiduPagesInTheDesktopBrowser()
    {
        TestEnv env(m_standIn.get(), TestEnv::BeforeStartUp);
        MainWindow window(*env.context);
        QList<QUrl> opened;
        window.setUrlOpener([&](const QUrl &url) {
            opened << url;
            return true;
        });
        QVERIFY(window.start());
        auto *tabs = window.findChild<QTabWidget *>(QStringLiteral("mainTabs"));
        QVERIFY(tabs);
        QVERIFY(qobject_cast<VolumeTab *>(tabs->widget(1)));
        QCOMPARE(tabs->tabText(1), QStringLiteral("Adwords关键词查询"));

        auto *mining = qobject_cast<MiningTab *>(tabs->widget(0));
        QVERIFY(mining);
        mining->miner().lists().addRow(QStringLiteral("a&b c#d"));
        auto *view = mining->findChild<ResultListView *>(QStringLiteral("resultView"));
        QVERIFY(view);
        view->setCurrentIndex(mining->miner().result().index(0, 0));
        mining->openBaiduIndex();
        mining->openBaiduSearch();
        QCOMPARE(opened.size(), 2);
        QCOMPARE(QString::fromUtf8(opened.at(0).toEncoded()),
                 m_standIn->serviceBase(QStringLiteral("baiduindex"))
                     + QStringLiteral("/main/word.php?word=a%26b+c%23d"));
        QCOMPARE(QString::fromUtf8(opened.at(1).toEncoded()),
                 m_standIn->serviceBase(QStringLiteral("baidu")) + QStringLiteral("/s?wd=a%26b+c%23d"));
    }

private:
    std::unique_ptr<standin::StandIn> m_standIn;
};

int main(int argc, char *argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TestMainWindow test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_mainwindow.moc"
