// The keyword-volume tab in an offscreen browser against the stand-in's
// keyword tool page: the captcha round, the listed rows, the bounded poll
// and the add to the keyword database.

#include "common/JobStatus.h"
#include "common/ResultList.h"
#include "engines/KeywordToolPage.h"
#include "store/KeywordStore.h"
#include "support/TestEnv.h"
#include "support/TinyHttpServer.h"
#include "volume/ui/VolumeTab.h"
#include "volume/ui/WebToolPage.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QtTest>

// Tabs show their widgets to tests by object name only.
template <typename T> T *widget(QObject &parent, const char *name)
{
    return parent.findChild<T *>(QString::fromLatin1(name));
}

namespace {

// Waits with a real event loop: the page answers scripts run from its
// load handler only there, not inside QTest::qWait's event processing.
bool waitUntil(const std::function<bool()> &done, int ms)
{
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done()) {
        if (elapsed.elapsed() > ms)
            return false;
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

using ToolRow = standin::StandIn::ToolRow;

const QList<ToolRow> kRows = {
    {QStringLiteral("SEO Tools"), QStringLiteral("1-3"), QStringLiteral("US$2.35"), 45, 5, QStringLiteral("12,100")},
    {QStringLiteral("Seo Software"), QStringLiteral("2-4"), QStringLiteral("US$1.10"), 46, 4, QStringLiteral("9,900")},
    {QStringLiteral("free seo"), QStringLiteral("1-2"), QStringLiteral("US$0.50"), 30, 70, QStringLiteral("6,600")},
    {QStringLiteral("seo tips"), QStringLiteral("3-5"), QStringLiteral("US$0.20"), 50, -1, QStringLiteral("3,300")},
};

} // namespace

class TestVolumeTab : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<TestEnv> f;
    std::unique_ptr<VolumeTab> tab;

    // Opens the tab and waits for the tool page's finished load.
    void openTab()
    {
        tab->activated();
        QVERIFY(waitUntil([this] { return widget<QPushButton>(*tab, "refetchButton")->isEnabled(); }, 10000));
    }
    QStringList prompts() const
    {
        QStringList out;
        for (const auto &p : f->prompter.prompts)
            out << p.text;
        return out;
    }
    void expectIdle()
    {
        QCOMPARE(widget<QPushButton>(*tab, "volumeStartButton")->text(), QStringLiteral("开始查询"));
        QVERIFY(widget<QPushButton>(*tab, "volumeStartButton")->isEnabled());
        QVERIFY(widget<QGroupBox>(*tab, "captchaFrame")->isEnabled());
        QCOMPARE(f->context->jobStatus().state(), JobStatus::Idle);
    }

private Q_SLOTS:
    void init()
    {
        f = std::make_unique<TestEnv>(TestEnv::OwnWeb);
        QVERIFY(f->isValid());
        f->web().setToolDelay(150);
        tab = std::make_unique<VolumeTab>(*f->context);
        tab->volume().setTimings(100, 2000, 300);
    }
    void cleanup()
    {
        tab.reset();
        f.reset();
    }

    void captchaRoundThenTheRows()
    {
        f->web().plantToolRows(kRows);
        openTab();
        QVERIFY(widget<QGroupBox>(*tab, "captchaFrame")->isVisibleTo(tab.get()));
        QVERIFY(widget<QLabel>(*tab, "coverPicture")->isHidden()); // the captcha picture shows through

        QTest::mouseClick(widget<QPushButton>(*tab, "volumeStartButton"), Qt::LeftButton);
        widget<QLineEdit>(*tab, "volumeKeywordEdit")->setText(QStringLiteral("seo"));
        QTest::mouseClick(widget<QPushButton>(*tab, "volumeStartButton"), Qt::LeftButton);
        QCOMPARE(prompts(), QStringList({"请输入要查询的关键词！", "请输入验证码！"}));

        // A wrong answer: the message, a new captcha, the tab idle again.
        QStringList captions;
        widget<QLineEdit>(*tab, "captchaAnswerEdit")->setText(QStringLiteral("WRONG"));
        QTimer::singleShot(50, this, [&] {
            captions << widget<QPushButton>(*tab, "volumeStartButton")->text();
            captions << (widget<QPushButton>(*tab, "volumeStartButton")->isEnabled() ? "enabled" : "disabled");
        });
        QTest::mouseClick(widget<QPushButton>(*tab, "volumeStartButton"), Qt::LeftButton);
        QCOMPARE(captions, QStringList({VolumeTab::busyCaption(), "disabled"}));
        QCOMPARE(prompts().last(), QStringLiteral("验证码失败"));
        // The new captcha page may take a moment on a busy machine.
        QVERIFY(waitUntil([&] { return widget<QGroupBox>(*tab, "captchaFrame")->isVisibleTo(tab.get()); }, 5000));
        QVERIFY(widget<QLineEdit>(*tab, "captchaAnswerEdit")->text().isEmpty()); // every reload empties it now
        QVERIFY(widget<QLabel>(*tab, "coverPicture")->isHidden());
        QVERIFY(tab->volume().result().isEmpty());
        expectIdle();

        // The right answer: the captcha goes and the rows come.
        widget<QLineEdit>(*tab, "captchaAnswerEdit")->setText(standin::StandIn::captchaAnswer());
        QTest::mouseClick(widget<QPushButton>(*tab, "volumeStartButton"), Qt::LeftButton);
        const ResultList &list = tab->volume().result();
        QCOMPARE(prompts().size(), 3);
        QCOMPARE(list.columnTexts(), QStringList({"seo tools", "seo software", "free seo", "seo tips"}));
        QCOMPARE(list.row(0).sub, QStringList({"1-3", "us$2.35", "90%(激烈)", "12,100"}));
        QCOMPARE(list.row(1).sub, QStringList({"2-4", "us$1.10", "92%(非常激烈)", "9,900"}));
        QCOMPARE(list.cell(2, 3), QStringLiteral("30%(缓和)"));
        QCOMPARE(list.cell(3, 3), QStringLiteral("100%(非常激烈)"));
        QCOMPARE(list.headers(),
                 QStringList({"相关关键词", "估计广告排名", "估计每次点击费用", "广告客户竞争度", "全球每月搜索量"}));
        expectIdle();
        QVERIFY(waitUntil([this] { return widget<QPushButton>(*tab, "refetchButton")->isEnabled(); }, 5000));
        QVERIFY(!widget<QGroupBox>(*tab, "captchaFrame")->isVisibleTo(tab.get()));
        QVERIFY(!widget<QLabel>(*tab, "coverPicture")->isHidden());

        // Ticked rows reach the database once; a stored keyword in other
        // letter case is the same keyword and keeps its text.
        QVERIFY(f->context->keywords().insert(QStringLiteral("Free SEO"), QStringLiteral("x"), {}, f->clock.today()));
        tab->volume().result().setChecked(0, true);
        tab->volume().result().setChecked(2, true);
        QTest::mouseClick(widget<QPushButton>(*tab, "volumeAddToDatabaseButton"), Qt::LeftButton);
        QCOMPARE(prompts().last(), QStringLiteral("成功提交了1条数据至数据库！"));
        const auto stored = f->context->keywords().loadAll();
        QCOMPARE(stored.size(), 2);
        QCOMPARE(stored.at(0).keys, QStringLiteral("seo tools"));
        QCOMPARE(stored.at(0).parentkeys, QStringLiteral("seo"));
        QCOMPARE(stored.at(0).counts.google, QStringLiteral("-"));
        QCOMPARE(stored.at(1).keys, QStringLiteral("Free SEO"));
    }

    void repeatedQueryReplacesTheRowsAndKeepsToTwoHundred()
    {
        f->web().setToolCaptcha(false);
        f->web().plantToolRows(kRows);
        openTab();
        QVERIFY(!widget<QGroupBox>(*tab, "captchaFrame")->isVisibleTo(tab.get()));
        widget<QLineEdit>(*tab, "volumeKeywordEdit")->setText(QStringLiteral("seo"));
        QTest::mouseClick(widget<QPushButton>(*tab, "volumeStartButton"), Qt::LeftButton);
        QCOMPARE(tab->volume().result().count(), 4);

        f->web().plantToolRows({});
        f->web().setToolRowCount(250);
        QVERIFY(waitUntil([this] { return widget<QPushButton>(*tab, "refetchButton")->isEnabled(); }, 5000));
        widget<QLineEdit>(*tab, "volumeKeywordEdit")->setText(QStringLiteral("web hosting"));
        QTest::mouseClick(widget<QPushButton>(*tab, "volumeStartButton"), Qt::LeftButton);
        const ResultList &list = tab->volume().result();
        QCOMPARE(list.count(), 200);
        QCOMPARE(list.cell(0, 0), QStringLiteral("web hosting"));
        QVERIFY(!list.columnTexts().contains(QStringLiteral("seo tools")));
        expectIdle();
    }

    void aResultsAreaThatNeverFillsEndsWithinTheBound()
    {
        f->web().setToolCaptcha(false);
        f->web().setToolNeverFills(true);
        tab->volume().setTimings(100, 1000, 300);
        openTab();
        widget<QLineEdit>(*tab, "volumeKeywordEdit")->setText(QStringLiteral("seo"));
        QTest::mouseClick(widget<QPushButton>(*tab, "volumeStartButton"), Qt::LeftButton);
        QCOMPARE(prompts(), QStringList({KeywordVolume::timedOutText()}));
        QVERIFY(tab->volume().result().isEmpty());
        expectIdle();
        QVERIFY(waitUntil([this] { return widget<QPushButton>(*tab, "refetchButton")->isEnabled(); }, 5000));
    }

    void aPageWithoutResultsAreaRestoresAtOnce()
    {
        TinyHttpServer tool;
        QVERIFY(tool.listen());
        tool.setPage(QStringLiteral("/select/KeywordToolExternal"),
                     "<html><body><input id=kpVariationsTool-keyword>"
                     "<button id=kpKeywordPlanner-getKeywordsButton>Go</button></body></html>");
        f->context->endpoints().setBase(Endpoints::Service::KeywordTool, tool.baseUrl());
        openTab();
        widget<QLineEdit>(*tab, "volumeKeywordEdit")->setText(QStringLiteral("seo"));
        QCOMPARE(tab->volume().query(QStringLiteral("seo"), {}, false), KeywordVolume::Outcome::NoResultsArea);
        // Changed on purpose: a query that ends without rows says why.
        QCOMPARE(prompts(), QStringList({KeywordVolume::noResultsAreaText()}));
        expectIdle();
    }

    void repeatingAQueryWithTheSameFirstResultListsAtOnce()
    {
        f->web().setToolCaptcha(false);
        f->web().plantToolRows(kRows);
        tab->volume().setTimings(100, 3000, 300);
        openTab();
        widget<QLineEdit>(*tab, "volumeKeywordEdit")->setText(QStringLiteral("seo"));
        QTest::mouseClick(widget<QPushButton>(*tab, "volumeStartButton"), Qt::LeftButton);
        QCOMPARE(tab->volume().result().count(), 4);

        // The same query again, twice: the same first keyword is a new answer.
        for (int round = 0; round < 2; ++round) {
            QVERIFY(waitUntil([this] { return widget<QPushButton>(*tab, "refetchButton")->isEnabled(); }, 5000));
            tab->volume().result().setChecked(1, true);
            QElapsedTimer took;
            took.start();
            QCOMPARE(tab->volume().query(QStringLiteral("seo"), {}, false), KeywordVolume::Outcome::Listed);
            QVERIFY2(took.elapsed() < 2500, qPrintable(QString::number(took.elapsed())));
            QCOMPARE(tab->volume().result().count(), 4);
            QCOMPARE(tab->volume().result().cell(0, 0), QStringLiteral("seo tools"));
            QVERIFY(!tab->volume().result().row(1).checked); // the list was filled again
        }
        QVERIFY(prompts().isEmpty());
        expectIdle();
    }

    void aBusyPageIsPolledUntilItAnswers()
    {
        f->web().setToolCaptcha(false);
        f->web().plantToolRows(kRows);
        f->web().setToolBusy(900);
        auto *page = dynamic_cast<WebToolPage *>(&tab->volume().page());
        QVERIFY(page);
        page->setScriptTimeout(150);
        tab->volume().setTimings(100, 5000, 300);
        openTab();
        QCOMPARE(tab->volume().query(QStringLiteral("seo"), {}, false), KeywordVolume::Outcome::Listed);
        QCOMPARE(tab->volume().result().count(), 4);
        QVERIFY(prompts().isEmpty());
        expectIdle();
    }

    void aFailedAddIsSaidNotCounted()
    {
        f->web().setToolCaptcha(false);
        f->web().plantToolRows(kRows);
        openTab();
        QCOMPARE(tab->volume().query(QStringLiteral("seo"), {}, false), KeywordVolume::Outcome::Listed);
        tab->volume().result().setChecked(0, true);
        const QString file = f->context->keywords().fileName();
        f->context->keywords().close();
        QTest::mouseClick(widget<QPushButton>(*tab, "volumeAddToDatabaseButton"), Qt::LeftButton);
        QCOMPARE(f->prompter.prompts.size(), 1);
        const auto &said = f->prompter.prompts.last();
        QVERIFY2(said.text.startsWith(QStringLiteral("无法写入关键词数据库 ") + file), qPrintable(said.text));
        QCOMPARE(said.icon, Prompter::Icon::Warning);
        QVERIFY(!said.text.contains(QStringLiteral("成功提交了")));
    }

    void onlyTheToolPageDrivesTheControls()
    {
        openTab();
        QVERIFY(tab->volume().isToolPage(tab->volume().toolUrl()));
        QVERIFY(!tab->volume().isToolPage(QUrl(QStringLiteral("http://www.google.com/select/KeywordToolExternal"))));
        QVERIFY(
            !tab->volume().isToolPage(QUrl(f->web().serviceBase(QStringLiteral("keywordtool")) + QStringLiteral("/"))));

        // Another page in the browser leaves the controls alone.
        widget<QPushButton>(*tab, "refetchButton")->setEnabled(false);
        QSignalSpy loaded(widget<QWebEngineView>(*tab, "volumeBrowser")->page(), &QWebEnginePage::loadFinished);
        widget<QWebEngineView>(*tab, "volumeBrowser")
            ->load(QUrl(f->web().serviceBase(QStringLiteral("keywordtool")) + QStringLiteral("/")));
        QVERIFY(loaded.wait(5000));
        waitUntil([] { return false; }, 200);
        QVERIFY(!widget<QPushButton>(*tab, "refetchButton")->isEnabled());

        // While another job holds the program no query can start.
        f->context->jobStatus().setState(JobStatus::Running);
        QVERIFY(!widget<QPushButton>(*tab, "volumeStartButton")->isEnabled());
        f->context->jobStatus().setState(JobStatus::Idle);
        QVERIFY(widget<QPushButton>(*tab, "volumeStartButton")->isEnabled());
    }
};

QTEST_MAIN(TestVolumeTab)
#include "test_volume_tab.moc"
