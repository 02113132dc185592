// The catalogue run against the stand-in's list pages: paging, stop and
// resume, empty pages, the filter in the request, and the resource addresses.

#include "common/JobStatus.h"
#include "common/ResultList.h"
#include "context/AppContext.h"
#include "resources/ResourceCatalogue.h"
#include "support/TestEnv.h"

#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace {
constexpr int kBlogs = 0, kBookmarks = 1, kDirectories = 2;
}

class TestCatalogue : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void noCategoryIsSaid();
    void pageRowsNeedTheirClosingBreak();
    void blogCategoryListsEveryResourceAndEndsAfterThreeEmptyPages();
    void stopAtPageFiveRowThreeResumesThere();
    void anotherCategoryClearsAndStartsAtPageOne();
    void emptyPagesAnywhereEndTheRun();
    void filterEntryGoesIntoTheRequestUnchanged();
    void sortsPrAsNumbers();
    void siteAddressHasExactlyOneHttp();
    void refusedWhileAnotherJobRuns();
    void unknownCharsetStillLists();
    void failedPagesAreCountedAsTheyHappen();

private:
    // The page numbers of list requests, in order, one per page fetched (the
    // character-set probe on a run's first page asks twice).
    QList<int> pagesAsked() const;

    std::unique_ptr<TestEnv> m_env;
    AppContext *m_context = nullptr;
    standin::StandIn *m_web = nullptr;
    ScriptedPrompter *m_prompter = nullptr;
    std::unique_ptr<ResourceCatalogue> m_catalogue;
};

void TestCatalogue::init()
{
    m_env = std::make_unique<TestEnv>(TestEnv::OwnWeb);
    QVERIFY(m_env->isValid());
    m_context = m_env->context.get();
    m_web = &m_env->web();
    m_prompter = &m_env->prompter;
    m_catalogue =
        std::make_unique<ResourceCatalogue>(m_context->endpoints(), m_context->jobStatus(), m_context->prompter());
}

void TestCatalogue::cleanup()
{
    m_catalogue.reset();
    m_env.reset();
}

QList<int> TestCatalogue::pagesAsked() const
{
    QList<int> pages;
    for (const standin::LoggedRequest &r : m_web->log(QStringLiteral("maker"))) {
        if (r.path != u"/list.asp")
            continue;
        for (const auto &item : r.items) {
            if (item.first == u"page")
                pages.append(item.second.toInt());
        }
    }
    // The probe and the fetch of the same page come as a pair.
    for (int i = 1; i < pages.size(); ++i) {
        if (pages.at(i) == pages.at(i - 1))
            pages.removeAt(i--);
    }
    return pages;
}

void TestCatalogue::noCategoryIsSaid()
{
    QCOMPARE(m_catalogue->QueryLinkRes(-1, -1, {}), ResourceCatalogue::Outcome::NoCategory);
    QCOMPARE(m_prompter->prompts.size(), 1);
    QCOMPARE(m_prompter->prompts.at(0).title, QStringLiteral("提示"));
    QCOMPARE(m_prompter->prompts.at(0).text, QStringLiteral("请选择一个资源分类"));
    QCOMPARE(m_prompter->prompts.at(0).icon, Prompter::Icon::Information);
    QVERIFY(m_web->log().isEmpty());
    QCOMPARE(m_catalogue->job().state(), JobStatus::Idle);
}

void TestCatalogue::pageRowsNeedTheirClosingBreak()
{
    m_web->setCataloguePage(
        6, 1, QStringLiteral("Blogger~http://www.blogger.com~9~免费<br>Vox~vox.com~7~<br>Third~third.com~3~x"));
    QCOMPARE(m_catalogue->QueryLinkRes(kBlogs, -1, {}), ResourceCatalogue::Outcome::Finished);
    const ResultList &list = m_catalogue->list();
    // Pages 2-4 of the stand-in follow; the first two rows are page 1's.
    QCOMPARE(list.cell(0, 0), QStringLiteral("Blogger"));
    QCOMPARE(list.cell(0, ResourceCatalogue::Note), QStringLiteral("免费"));
    QCOMPARE(list.cell(1, 0), QStringLiteral("Vox"));
    QVERIFY(!list.columnTexts(0).contains(QStringLiteral("Third")));

    QCOMPARE(ResourceCatalogue::pageRows(QStringLiteral("a~b<br>c<br>tail")),
             (QList<QStringList>{{QStringLiteral("a"), QStringLiteral("b")}, {QStringLiteral("c")}}));
    QVERIFY(ResourceCatalogue::pageRows(QStringLiteral("no break at all")).isEmpty());
    QCOMPARE(ResourceCatalogue::pageRows(QStringLiteral("a~b<br>\r\n c ~ d<br>\r\n")).at(1),
             (QStringList{QStringLiteral("c"), QStringLiteral("d")}));
}

void TestCatalogue::blogCategoryListsEveryResourceAndEndsAfterThreeEmptyPages()
{
    QSignalSpy states(m_catalogue.get(), &ResourceCatalogue::stateChanged);
    QCOMPARE(m_catalogue->QueryLinkRes(kBlogs, -1, {}), ResourceCatalogue::Outcome::Finished);
    const ResultList &list = m_catalogue->list();
    QCOMPARE(list.count(), 38);
    QCOMPARE(pagesAsked(), (QList<int>{1, 2, 3, 4, 5, 6, 7}));
    QCOMPARE(m_context->jobStatus().stateText(), QStringLiteral("就绪"));
    QCOMPARE(m_catalogue->resumePage(), 1);
    QCOMPARE(m_catalogue->resumeRow(), 0);
    QVERIFY(states.size() >= 2);
    // Lines short of fields fill what they have.
    bool sawShort = false;
    for (int r = 0; r < list.count(); ++r) {
        QVERIFY(!list.cell(r, ResourceCatalogue::Url).isEmpty());
        QCOMPARE(list.cell(r, 0), list.cell(r, 0).trimmed());
        sawShort = sawShort || list.cell(r, ResourceCatalogue::Note).isEmpty();
    }
    QVERIFY(sawShort);
    // The Chinese notes survive the gb2312 page.
    QVERIFY(list.columnTexts(ResourceCatalogue::Note).contains(QStringLiteral("免费注册，可带链接")));
}

void TestCatalogue::stopAtPageFiveRowThreeResumesThere()
{
    auto connection = connect(m_catalogue.get(), &ResourceCatalogue::rowAdded, this, [this](int page, int line) {
        if (page == 5 && line == 2)
            m_catalogue->requestStop();
    });
    QCOMPARE(m_catalogue->QueryLinkRes(kBookmarks, -1, {}), ResourceCatalogue::Outcome::Paused);
    disconnect(connection);
    QCOMPARE(m_catalogue->list().count(), 43);
    QCOMPARE(m_catalogue->resumePage(), 5);
    QCOMPARE(m_catalogue->resumeRow(), 3);
    QCOMPARE(m_context->jobStatus().stateText(), QStringLiteral("已暂停"));
    const QString lastBefore = m_catalogue->list().cell(42, 0);

    m_web->clearLog();
    auto stopAgain = connect(m_catalogue.get(), &ResourceCatalogue::rowAdded, this, [this](int page, int) {
        if (page == 6)
            m_catalogue->requestStop();
    });
    QCOMPARE(m_catalogue->QueryLinkRes(kBookmarks, -1, {}), ResourceCatalogue::Outcome::Paused);
    disconnect(stopAgain);
    QCOMPARE(pagesAsked().first(), 5);
    // Not cleared, and row 3 of page 5 follows row 2 without a gap or a repeat.
    QCOMPARE(m_catalogue->list().cell(42, 0), lastBefore);
    QCOMPARE(m_catalogue->list().count(), 51);
    QSet<QString> names;
    for (const QString &n : m_catalogue->list().columnTexts(0))
        names.insert(n);
    QCOMPARE(names.size(), 51);

    // A stop after a page's last row resumes at the next page's first row,
    // never repeating the row before it.
    auto atPageEnd = connect(m_catalogue.get(), &ResourceCatalogue::rowAdded, this, [this](int page, int line) {
        if (page == 7 && line == 9)
            m_catalogue->requestStop();
    });
    QCOMPARE(m_catalogue->QueryLinkRes(kBookmarks, -1, {}), ResourceCatalogue::Outcome::Paused);
    disconnect(atPageEnd);
    QCOMPARE(m_catalogue->resumePage(), 8);
    QCOMPARE(m_catalogue->resumeRow(), 0);
    QCOMPARE(m_catalogue->list().count(), 70);
    m_web->clearLog();
    QCOMPARE(m_catalogue->QueryLinkRes(kBookmarks, -1, {}), ResourceCatalogue::Outcome::Finished);
    QCOMPARE(pagesAsked().first(), 8);
    QCOMPARE(m_catalogue->list().count(), 155);
}

void TestCatalogue::anotherCategoryClearsAndStartsAtPageOne()
{
    auto connection = connect(m_catalogue.get(), &ResourceCatalogue::rowAdded, this, [this](int page, int line) {
        if (page == 2 && line == 4)
            m_catalogue->requestStop();
    });
    QCOMPARE(m_catalogue->QueryLinkRes(kDirectories, 0, QStringLiteral("选择二级类别")),
             ResourceCatalogue::Outcome::Paused);
    disconnect(connection);
    QCOMPARE(m_catalogue->previousCategory(), 8);

    m_web->clearLog();
    QCOMPARE(m_catalogue->QueryLinkRes(kBookmarks, -1, {}), ResourceCatalogue::Outcome::Finished);
    QCOMPARE(pagesAsked().first(), 1);
    QCOMPARE(m_catalogue->list().count(), 155);
    QCOMPARE(m_catalogue->previousCategory(), 7);
    QVERIFY(m_catalogue->list().cell(0, 0) != QStringLiteral("DMOZ"));
}

void TestCatalogue::emptyPagesAnywhereEndTheRun()
{
    // Pages 2, 4 and 6 come back empty: the third one ends the run after page 6.
    m_web->setEmptyCataloguePages({2, 4, 6});
    QCOMPARE(m_catalogue->QueryLinkRes(kBookmarks, -1, {}), ResourceCatalogue::Outcome::Finished);
    QCOMPARE(pagesAsked(), (QList<int>{1, 2, 3, 4, 5, 6}));
    QCOMPARE(m_catalogue->list().count(), 30);
    QCOMPARE(m_context->jobStatus().stateText(), QStringLiteral("就绪"));
    QCOMPARE(m_catalogue->resumePage(), 1);
    QCOMPARE(m_catalogue->resumeRow(), 0);

    // A refused connection or an error status counts the same way.
    m_web->clearLog();
    m_web->setEmptyCataloguePages({});
    standin::Behaviour error;
    error.status = 500;
    m_web->setBehaviour(QStringLiteral("/maker/list.asp"), error);
    QCOMPARE(m_catalogue->QueryLinkRes(kBookmarks, -1, {}), ResourceCatalogue::Outcome::Finished);
    QVERIFY(m_catalogue->list().isEmpty());
    QCOMPARE(pagesAsked(), (QList<int>{1, 2, 3}));
    // Failed pages are said as such, not passed off as an empty category.
    QCOMPARE(m_context->jobStatus().current(), QStringLiteral("外链资源库：3页读取失败"));
}

void TestCatalogue::filterEntryGoesIntoTheRequestUnchanged()
{
    QCOMPARE(ResourceCatalogue::buildQuery(8, 0, QStringLiteral("选择二级类别")), QStringLiteral("cid=8&page={xxx}"));
    QCOMPARE(ResourceCatalogue::buildQuery(8, 1, QStringLiteral("免费")),
             QStringLiteral("cid=8&dirtype=免费&page={xxx}"));
    QCOMPARE(ResourceCatalogue::filterEntries(kDirectories).size(), 8);
    QVERIFY(ResourceCatalogue::filterEntries(kBlogs).isEmpty());

    auto stopSoon = connect(m_catalogue.get(), &ResourceCatalogue::rowAdded, this, [this](int page, int) {
        if (page == 2)
            m_catalogue->requestStop();
    });
    QCOMPARE(m_catalogue->QueryLinkRes(kDirectories, 1, QStringLiteral("免费")), ResourceCatalogue::Outcome::Paused);
    const standin::LoggedRequest first = m_web->log(QStringLiteral("maker")).first();
    QCOMPARE(first.items,
             (QList<QPair<QString, QString>>{{QStringLiteral("cid"), QStringLiteral("8")},
                                             {QStringLiteral("dirtype"), QStringLiteral("免费")},
                                             {QStringLiteral("page"), QStringLiteral("1")}}));
    // The stand-in keeps free directories only.
    for (const QString &note : m_catalogue->list().columnTexts(ResourceCatalogue::Note))
        QVERIFY2(note.isEmpty() || note.startsWith(QStringLiteral("免费目录")), qPrintable(note));

    // "免费&付费" goes out as it is: its "&" splits it on the way.
    m_web->clearLog();
    m_catalogue->job().finish();
    QCOMPARE(m_catalogue->QueryLinkRes(kDirectories, 4, QStringLiteral("免费&付费")),
             ResourceCatalogue::Outcome::Paused);
    disconnect(stopSoon);
    const standin::LoggedRequest second = m_web->log(QStringLiteral("maker")).first();
    QCOMPARE(second.items.at(1), (QPair<QString, QString>{QStringLiteral("dirtype"), QStringLiteral("免费")}));
    QCOMPARE(second.items.at(2).first, QStringLiteral("付费"));
    QVERIFY(!m_catalogue->list().isEmpty());
}

void TestCatalogue::sortsPrAsNumbers()
{
    ResultList &list = m_catalogue->list();
    for (const char *pr : {"9", "10", "2", "-"})
        list.addRow(QStringLiteral("site %1").arg(QLatin1String(pr)), {QStringLiteral("x"), QLatin1String(pr)});
    list.sortByColumnClick(ResourceCatalogue::Pr);
    QStringList order = list.columnTexts(ResourceCatalogue::Pr);
    QVERIFY(order.indexOf(QStringLiteral("10")) < order.indexOf(QStringLiteral("9")));
    list.sortByColumnClick(ResourceCatalogue::Pr);
    order = list.columnTexts(ResourceCatalogue::Pr);
    QCOMPARE(order, (QStringList{QStringLiteral("-"), QStringLiteral("2"), QStringLiteral("9"), QStringLiteral("10")}));
    // The names sort as text.
    list.sortByColumnClick(ResourceCatalogue::Name);
    list.sortByColumnClick(ResourceCatalogue::Name);
    QCOMPARE(list.cell(0, 0), QStringLiteral("site -"));
    QCOMPARE(list.cell(1, 0), QStringLiteral("site 10"));
}

void TestCatalogue::siteAddressHasExactlyOneHttp()
{
    using RC = ResourceCatalogue;
    QCOMPARE(RC::siteAddress(QStringLiteral("www.blogger.com")), QUrl(QStringLiteral("http://www.blogger.com")));
    QCOMPARE(RC::siteAddress(QStringLiteral("http://www.blogger.com/")),
             QUrl(QStringLiteral("http://www.blogger.com/")));
    QCOMPARE(RC::siteAddress(QStringLiteral("http://http://x.com")), QUrl(QStringLiteral("http://x.com")));
    QCOMPARE(RC::siteAddress(QStringLiteral("https://x.com/signup")), QUrl(QStringLiteral("https://x.com/signup")));
    QCOMPARE(RC::siteAddress(QStringLiteral("x.com:8080/a")), QUrl(QStringLiteral("http://x.com:8080/a")));
    QVERIFY(!RC::siteAddress(QStringLiteral("javascript:alert(1)")).isValid());
    QVERIFY(!RC::siteAddress(QStringLiteral("file:///etc/passwd")).isValid());
    QVERIFY(!RC::siteAddress(QStringLiteral("JavaScript:alert(1)")).isValid());
    QVERIFY(!RC::siteAddress(QString()).isValid());
}

void TestCatalogue::refusedWhileAnotherJobRuns()
{
    Job other(m_context->jobStatus(), Job::Resume::Resumable);
    QVERIFY(other.start());
    QCOMPARE(m_catalogue->QueryLinkRes(kBlogs, -1, {}), ResourceCatalogue::Outcome::OtherJobBusy);
    QVERIFY(m_web->log().isEmpty());
    other.finish();
}

void TestCatalogue::unknownCharsetStillLists()
{
    // The first page names a character set nobody knows: the run's pages
    // are read as GB18030 (the bytes are not UTF-8) instead of as nothing.
    m_web->setCataloguePage(6, 1,
                            QStringLiteral("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=x-klingon\">"
                                           "博客园~www.cnblogs.com~6~免费<br>\r\n"));
    QCOMPARE(m_catalogue->QueryLinkRes(kBlogs, -1, {}), ResourceCatalogue::Outcome::Finished);
    const ResultList &list = m_catalogue->list();
    QVERIFY(list.count() > 1);
    QVERIFY2(list.cell(0, 0).endsWith(QStringLiteral("博客园")), qPrintable(list.cell(0, 0)));
    QCOMPARE(list.cell(0, ResourceCatalogue::Note), QStringLiteral("免费"));
    QCOMPARE(list.count(), 1 + 28); // the stand-in's pages 2-4 follow

    // The same with UTF-8 bytes.
    m_web->clearLog();
    standin::Behaviour utf8;
    utf8.replacesBody = true;
    utf8.times = 2; // the character-set probe and the page itself
    utf8.body = QStringLiteral("<meta charset=x-klingon>书签~www.example.com~5~付费<br>\r\n").toUtf8();
    m_web->setBehaviour(QStringLiteral("/maker/list.asp"), utf8);
    QCOMPARE(m_catalogue->QueryLinkRes(kBookmarks, -1, {}), ResourceCatalogue::Outcome::Finished);
    QVERIFY2(m_catalogue->list().cell(0, 0).endsWith(QStringLiteral("书签")),
             qPrintable(m_catalogue->list().cell(0, 0)));
    QCOMPARE(m_catalogue->list().cell(0, ResourceCatalogue::Note), QStringLiteral("付费"));
}

void TestCatalogue::failedPagesAreCountedAsTheyHappen()
{
    // Page 2 fails, then the run is stopped on page 3: the count is in view.
    standin::Behaviour error;
    error.status = 503;
    error.times = 1;
    auto stop = connect(m_catalogue.get(), &ResourceCatalogue::rowAdded, this, [this, error](int page, int) {
        if (page == 1)
            m_web->setBehaviour(QStringLiteral("/maker/list.asp"), error);
        if (page == 3)
            m_catalogue->requestStop();
    });
    QCOMPARE(m_catalogue->QueryLinkRes(kBookmarks, -1, {}), ResourceCatalogue::Outcome::Paused);
    disconnect(stop);
    const QString shown = m_context->jobStatus().current();
    QVERIFY2(shown.startsWith(QStringLiteral("外链资源库：1页读取失败")), qPrintable(shown));
    QVERIFY2(shown.contains(QStringLiteral("第2页")) && shown.contains(QStringLiteral("503")), qPrintable(shown));
}

QTEST_GUILESS_MAIN(TestCatalogue)
#include "test_catalogue.moc"
