// The rank tab offscreen: what showing it loads, the options it saves, the
// run from its button, double clicks on results, and the history chart.

#include "RankFixture.h"
#include "common/SettingsStore.h"
#include "rank/FavouriteList.h"
#include "rank/ui/HistoryChart.h"
#include "rank/ui/RankTab.h"
#include "rank/ui/RankViews.h"
#include "store/DayResults.h"
#include "store/FavouriteStore.h"
#include "store/TextFiles.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QtCharts/QChart>
#include <QtCharts/QLineSeries>
#include <QtCharts/QScatterSeries>

// Tabs show their widgets to tests by object name only.
template <typename T> T *widget(QObject &parent, const char *name)
{
    return parent.findChild<T *>(QString::fromLatin1(name));
}

// A real click on the header of `view`'s column.
void clickHeader(QTreeView *view, int column)
{
    QHeaderView *h = view->header();
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                      QPoint(h->sectionViewportPosition(column) + h->sectionSize(column) / 2, h->height() / 2));
}

QStringList firstColumn(const ResultList &list)
{
    QStringList out;
    for (int r = 0; r < list.count(); ++r)
        out << list.cell(r, 0);
    return out;
}

class TestRankTab : public QObject
{
    Q_OBJECT

    std::unique_ptr<RankFixture> f;
    std::unique_ptr<RankTab> tab;

private Q_SLOTS:
    void init()
    {
        f = std::make_unique<RankFixture>();
        QVERIFY(f->start());
        tab = std::make_unique<RankTab>(*f->context);
    }
    void cleanup()
    {
        tab.reset();
        f.reset();
    }

    void showingTheTabLoadsEverythingOnce()
    {
        f->context->settings().WriteValue("settingurl", "www.trailgear-shop.com$b.com");
        TextFiles::writeLines(f->dataFile("mykw.txt"), {"hiking boots$k2"});
        FavouriteStore(f->dataFile("myfav")).create("Bing#b.com#k2#1#0");
        tab->activated();
        tab->activated();
        QCOMPARE(tab->tracker().lists().sites().count(), 2);
        QCOMPARE(tab->tracker().lists().keywords().count(), 2);
        QCOMPARE(tab->tracker().favourites().list().count(), 1);
        // A first opening: no engine, depth "20", many-to-many.
        QCOMPARE(widget<QComboBox>(*tab, "depthBox")->currentText(), QString("20"));
        QCOMPARE(tab->tracker().engines().checkedCount(), 0);
        QCOMPARE(widget<QComboBox>(*tab, "modeBox")->currentText(), QString("多对多模式"));
        QCOMPARE(widget<QComboBox>(*tab, "modeBox")->toolTip(), QString("多个网站对应多个关键词！"));
        QCOMPARE(widget<QTabWidget>(*tab, "rankSecondaryTabs")->count(), 2);
        QCOMPARE(widget<QTabWidget>(*tab, "rankSecondaryTabs")->tabText(0), QString("最近查询"));
        QCOMPARE(widget<QTabWidget>(*tab, "rankSecondaryTabs")->tabText(1), QString("我的收藏"));
        QVERIFY(tab->findChild<QLabel *>("explainLabel"));
        QCOMPARE(tab->findChild<QLabel *>("explainLabel")->text(),
                 QString("排名为0表示在指定记录中未找到符合的结果。"));
    }

    void controlsSaveTheOptionsAndTheRunFillsTheList()
    {
        f->context->settings().WriteValue("settingurl", "www.trailgear-shop.com");
        TextFiles::writeLines(f->dataFile("mykw.txt"), {"hiking boots"});
        tab->activated();
        widget<QComboBox>(*tab, "depthBox")->setCurrentIndex(0);
        widget<QCheckBox>(*tab, "allMatchesBox")->setChecked(true);
        tab->tracker().engines().setData(tab->tracker().engines().index(0, 0), Qt::Checked, Qt::CheckStateRole);
        QCOMPARE(f->context->settings().ReadValue("setting3"), QString("Google#0#1#0"));
        widget<QComboBox>(*tab, "modeBox")->setCurrentIndex(1);
        QCOMPARE(f->context->settings().ReadValue("setting3"), QString("Google#0#1#1"));
        QCOMPARE(widget<QComboBox>(*tab, "modeBox")->toolTip(), QString("一个网站对应多个关键词！"));
        widget<QComboBox>(*tab, "modeBox")->setCurrentIndex(0);

        QTest::mouseClick(widget<QPushButton>(*tab, "startButton"), Qt::LeftButton);
        const ResultList &result = tab->tracker().result();
        QCOMPARE(result.count(), 3);
        QCOMPARE(result.cell(1, 1), QString("1"));
        QCOMPARE(result.cell(2, 1), QString("5"));
        QCOMPARE(widget<QPushButton>(*tab, "startButton")->text(), QString("开始查询"));
        QVERIFY(widget<QPushButton>(*tab, "startButton")->isEnabled());
        QCOMPARE(f->prompter.lastText(), QString("查询完毕"));

        QList<QUrl> opened;
        f->context->setUrlOpener([&](const QUrl &u) {
            opened << u;
            return true;
        });
        tab->openResultRow(0); // a pair header has no address
        tab->openResultRow(2);
        QCOMPARE(opened.size(), 1);
        QVERIFY(opened.first().toString().contains("/google/search?q=hiking"));

        // A favourite's history draws one line per engine.
        tab->tracker().recent().setChecked(0, true);
        tab->tracker().favourites().addFromRecent(tab->tracker().recent(), "2024-01-02");
        FavouriteStore(f->dataFile("myfav"))
            .writeDay("Google#www.trailgear-shop.com#hiking boots#0#1", "2024-01-01", {"Google|0|"});
        widget<RankListView>(*tab, "favouriteView")->setCurrentIndex(tab->tracker().favourites().list().index(0, 0));
        Q_EMIT widget<RankListView>(*tab, "favouriteView")->clicked(tab->tracker().favourites().list().index(0, 0));
        QCOMPARE(tab->tracker().result().count(), 5);
        int notFound = 0, found = 0;
        for (QAbstractSeries *s : widget<HistoryChart>(*tab, "historyChart")->chart()->series()) {
            if (auto *scatter = qobject_cast<QScatterSeries *>(s)) {
                for (const QPointF &p : scatter->points()) {
                    if (p.y() == HistoryChart::notFoundLevel(10))
                        ++notFound;
                    else
                        ++found;
                }
            }
        }
        QCOMPARE(notFound, 1);
        QCOMPARE(found, 1); // the best of the day: 1, not also 5
        QCOMPARE(widget<QCheckBox>(*tab, "allMatchesBox")->isChecked(), true);
        QCOMPARE(widget<QComboBox>(*tab, "depthBox")->currentIndex(), 0);
    }

    void competitorsAboveTheSiteBecomeChartLines()
    {
        FavouriteStore store(f->dataFile("myfav"));
        const QString key = "Google#me.com#kw#0#0";
        QVERIFY(store.create(key));
        const auto row = [](int position, const QString &host) {
            return DayResults::Row{"me.com", "kw", "Google", position, host, "http://" + host + "/"};
        };
        QVERIFY(store.writeDay(key, "2024-01-01", {"Google|1|me.com"}));
        QVERIFY(DayResults::write(store.resultsPath(key, "2024-01-01"),
                                  {row(1, "me.com"), row(2, "rival.com"), row(3, "other.net")}));
        QVERIFY(store.writeDay(key, "2024-01-02", {"Google|3|me.com"}));
        QVERIFY(DayResults::write(store.resultsPath(key, "2024-01-02"),
                                  {row(1, "rival.com"), row(2, "newcomer.org"), row(3, "me.com")}));
        tab->activated();
        auto *favourites = widget<RankListView>(*tab, "favouriteView");
        favourites->setCurrentIndex(tab->tracker().favourites().list().index(0, 0));
        Q_EMIT favourites->clicked(tab->tracker().favourites().list().index(0, 0));

        // Offered: who stood above the site on the latest day.
        auto *list = widget<QListWidget>(*tab, "competitorList");
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->item(0)->text(), QString("rival.com"));
        QCOMPARE(list->item(1)->text(), QString("newcomer.org"));
        const auto competitorLines = [&] {
            QMap<QString, QList<QPointF>> lines;
            for (QAbstractSeries *s : widget<HistoryChart>(*tab, "historyChart")->chart()->series()) {
                auto *line = qobject_cast<QLineSeries *>(s);
                if (line && !qobject_cast<QScatterSeries *>(s) && !line->name().isEmpty())
                    lines[line->name()] += line->points();
            }
            return lines;
        };
        QVERIFY(competitorLines().isEmpty());
        list->item(0)->setCheckState(Qt::Checked);
        const auto lines = competitorLines();
        QCOMPARE(lines.keys(), QStringList{"rival.com (Google)"});
        const QList<QPointF> points = lines.value("rival.com (Google)");
        QCOMPARE(points.size(), 2);
        QCOMPARE(points[0].y(), 2.0);
        QCOMPARE(points[1].y(), 1.0);
        list->item(0)->setCheckState(Qt::Unchecked);
        QVERIFY(competitorLines().isEmpty());
    }

    void resultRecentAndFavouriteListsSortByColumnClick()
    {
        tab->activated();
        tab->show();
        QVERIFY(QTest::qWaitForWindowExposed(tab.get()));
        ResultList *lists[] = {&tab->tracker().result(), &tab->tracker().recent(), &tab->tracker().favourites().list()};
        for (const char *name : {"resultView", "recentView", "favouriteView"}) {
            auto *view = widget<RankListView>(*tab, name);
            ResultList &list = *view->resultList();
            QVERIFY(std::find(std::begin(lists), std::end(lists), &list) != std::end(lists));
            list.clear();
            for (const char *text : {"b.com", "c.com", "a.com"})
                list.addRow(QString::fromLatin1(text), {});
            // The recent and favourite lists share a strip: bring each to the front.
            auto *strip = widget<QTabWidget>(*tab, "rankSecondaryTabs");
            if (strip->indexOf(view->parentWidget()) >= 0)
                strip->setCurrentWidget(view->parentWidget());
            clickHeader(view, 0);
            const QStringList once = firstColumn(list);
            QVERIFY2(once == QStringList({"a.com", "b.com", "c.com"})
                         || once == QStringList({"c.com", "b.com", "a.com"}),
                     name);
            clickHeader(view, 0);
            QStringList reversed = once;
            std::reverse(reversed.begin(), reversed.end());
            QCOMPARE(firstColumn(list), reversed);
        }
        // The site list keeps the order it is stored and run in.
        auto *sites = widget<RankListView>(*tab, "siteView");
        tab->tracker().lists().sites().clear();
        for (const char *text : {"b.com", "a.com"})
            tab->tracker().lists().sites().addRow(QString::fromLatin1(text), {});
        clickHeader(sites, 0);
        QCOMPARE(firstColumn(tab->tracker().lists().sites()), QStringList({"b.com", "a.com"}));
    }

    void aRunThatMovedFavouritesSaysSoInTheTray()
    {
        f->context->settings().WriteValue("settingurl", "www.trailgear-shop.com");
        TextFiles::writeLines(f->dataFile("mykw.txt"), {"hiking boots"});
        tab->activated();
        widget<QComboBox>(*tab, "depthBox")->setCurrentIndex(0);
        tab->tracker().engines().setData(tab->tracker().engines().index(0, 0), Qt::Checked, Qt::CheckStateRole);
        QSignalSpy tray(tab.get(), &FeatureTab::trayMessage);
        QTest::mouseClick(widget<QPushButton>(*tab, "startButton"), Qt::LeftButton);
        QCOMPARE(tab->tracker().result().cell(1, 1), QString("1"));
        QCOMPARE(tray.size(), 0); // no favourite, nothing to compare

        const QString key = "Google#www.trailgear-shop.com#hiking boots#0#0";
        FavouriteStore store(f->dataFile("myfav"));
        QVERIFY(store.create(key));
        const QString yesterday = f->clock.day.addDays(-1).toString("yyyy-MM-dd");
        QVERIFY(store.writeDay(key, yesterday, {"Google|6|www.trailgear-shop.com"}));
        tab->tracker().favourites().load();
        QTest::mouseClick(widget<QPushButton>(*tab, "startButton"), Qt::LeftButton);
        QCOMPARE(tray.size(), 1);
        QCOMPARE(tray[0][0].toString(), QString("关键词排名变化"));
        QCOMPARE(tray[0][1].toString(),
                 QString("www.trailgear-shop.com  hiking boots  Google：6 → 1 上升\n共1项排名变化"));
        FavouriteList &favs = tab->tracker().favourites().list();
        QCOMPARE(favs.data(favs.index(0, 0), FavouriteList::ChangeMarkRole).toString(), QString("↑5"));
        QCOMPARE(RankChanges::Tone(favs.data(favs.index(0, 0), FavouriteList::ChangeToneRole).toInt()),
                 RankChanges::Tone::Better);

        // The list draws the mark in green, and nothing else is green.
        const auto greenPixels = [&] {
            auto *view = widget<RankListView>(*tab, "favouriteView");
            widget<QTabWidget>(*tab, "rankSecondaryTabs")->setCurrentIndex(1); // "我的收藏"
            view->setCurrentIndex(QModelIndex());
            const QImage image = view->viewport()->grab().toImage();
            int n = 0;
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    const QColor c = image.pixelColor(x, y);
                    n += c.green() > c.red() + 50 && c.green() > c.blue() + 50;
                }
            }
            return n;
        };
        tab->show();
        QVERIFY(QTest::qWaitForWindowExposed(tab.get()));
        QVERIFY(greenPixels() > 0);
        favs.setChanges({});
        QCOMPARE(greenPixels(), 0);
    }
};

QTEST_MAIN(TestRankTab)
#include "test_rank_tab.moc"
