#include "keyworddb/KeywordDatabase.h"

#include "common/Engine.h"
#include "common/Prompter.h"
#include "common/ResultFilter.h"
#include "common/ResultList.h"
#include "store/KeywordStore.h"

#include "common/ResultListStore.h"

#include <QElapsedTimer>
#include <QThread>
#include <atomic>

// One load's rows and outcome, shared by the reading thread and the tab's.
struct KeywordDatabase::Load {
    std::shared_ptr<ResultListStore> cells;
    std::atomic<bool> stop = false;
    bool ok = false;
    QString error;
    quint64 writeCount = 0;

    // Reads every row through `scan` into `cells`; `report` gets the rows
    // read so far now and then once `quietMs` have gone by.
    template <typename Scan> void read(int quietMs, Scan scan, const std::function<void(int)> &report)
    {
        static constexpr int kProgressStep = 1 << 12;
        static constexpr int kProgressGapMs = 200;
        QElapsedTimer clock;
        clock.start();
        qint64 reportedAt = -kProgressGapMs;
        int rows = 0;
        ResultListStore &store = *cells;
        ok = scan([&](const KeywordStore::CellViews &c) {
            if (stop.load(std::memory_order_relaxed))
                return false;
            const int id = store.appendRow();
            for (int column = 0; column < int(c.size()); ++column)
                store.setCell(id, column, c[size_t(column)]);
            if ((++rows & (kProgressStep - 1)) == 0 && report) {
                const qint64 now = clock.elapsed();
                if (now >= quietMs && now - reportedAt >= kProgressGapMs) {
                    reportedAt = now;
                    report(rows);
                }
            }
            return true;
        });
    }
};

KeywordDatabase::KeywordDatabase(KeywordStore &store, QObject *parent)
    : QObject(parent),
      m_store(store),
      m_lists(listHeaders(), reserveHeaders(), kLastSubColumn)
{
    list().setObjectName(QStringLiteral("databaseList"));
    reserve().setObjectName(QStringLiteral("databaseReserve"));
    // The three engine counts.
    list().setCountColumns({2, 3, 4});
}

KeywordDatabase::~KeywordDatabase() { dropLoad(); }

QStringList KeywordDatabase::listHeaders() { return KeywordStore::columnCaptions(); }

QStringList KeywordDatabase::reserveHeaders()
{
    QStringList h = listHeaders();
    h[Bing] = engineLabel(Engine::Bing) + QStringLiteral("收录数");
    return h;
}

void KeywordDatabase::GetDb()
{
    dropLoad();
    Load load;
    load.writeCount = m_store.writeCount();
    load.cells = std::make_shared<ResultListStore>(reserve().columnCount());
    // Straight from the query into the cells: no row objects.
    load.read(
        m_quietLoadMs, [this](const auto &take) { return m_store.scanViews(take); },
        [this](int rows) { emit loadProgress(rows); });
    takeRows(load);
}

void KeywordDatabase::takeRows(const Load &load)
{
    m_loadedAt = load.writeCount;
    reserve().adoptRows(load.cells);
    // The database list shows the same rows without copying them.
    list().appendFrom(reserve());
}

void KeywordDatabase::reloadInBackground()
{
    dropLoad();
    // Emptied first, as reload() does: a large table is never held twice.
    list().clear();
    reserve().clear();
    auto load = std::make_shared<Load>();
    load->writeCount = m_store.writeCount();
    load->cells = std::make_shared<ResultListStore>(reserve().columnCount());
    const KeywordStore::ScanSource source = m_store.scanSource();
    const int quietMs = m_quietLoadMs;
    // The progress goes to this thread by a queued call: one still queued
    // when this object goes is dropped with it.
    QThread *thread = QThread::create([this, load, source, quietMs] {
        load->read(
            quietMs, [&](const auto &take) { return KeywordStore::scanCopy(source, take, &load->error); },
            [this](int rows) {
                QMetaObject::invokeMethod(
                    this,
                    [this, rows] {
                        if (m_loader)
                            emit loadProgress(rows);
                    },
                    Qt::QueuedConnection);
            });
    });
    thread->setParent(this);
    m_loader = thread;
    m_load = load;
    connect(thread, &QThread::finished, this, [this, thread, load] {
        thread->deleteLater();
        if (m_loader != thread)
            return;
        m_loader = nullptr;
        m_load.reset();
        takeRows(*load);
        emit loadFinished(load->ok, load->error);
    });
    thread->start();
}

void KeywordDatabase::dropLoad()
{
    if (!m_loader)
        return;
    m_load->stop = true;
    m_loader->wait();
    // Its finished notice, still queued, finds it is no longer the load.
    m_loader = nullptr;
    m_load.reset();
}

bool KeywordDatabase::isStale() const { return m_loadedAt != m_store.writeCount(); }

void KeywordDatabase::reload()
{
    list().clear();
    GetDb();
}

void KeywordDatabase::restore() { m_lists.restore(); }

void KeywordDatabase::filter(const FilterConditions &conditions)
{
    m_lists.filter(conditions, FilterColumns::keywordDatabase());
}

int KeywordDatabase::deleteTicked()
{
    const int tickedRows = list().checkedCount();
    if (tickedRows == 0)
        return 0;
    const bool wasCurrent = !isStale();
    // Every keyword of a ticked row (a keyword ticked twice is counted twice
    // but deleted once: the second delete would find nothing), in one
    // transaction so that thousands of ticked rows cost one disk sync. They
    // go in the reserve's order, the table's own, which keeps the delete
    // walking the table's pages in turn rather than at random.
    const ListPair::CheckedRemoval plan = m_lists.planCheckedRemoval();
    if (!m_store.removeAll(plan.keywords))
        return -1;
    // The table no longer holds any row with these keywords.
    m_lists.removeChecked(plan);
    // The lists went the same way as the table: still current, no reload.
    if (wasCurrent)
        m_loadedAt = m_store.writeCount();
    return tickedRows;
}

void KeywordDatabase::deleteTickedWithMessages(Prompter &prompter)
{
    if (list().checkedCount() == 0) {
        prompter.notice(QStringLiteral("请选择要删除的关键词！"));
        return;
    }
    const int count = deleteTicked();
    if (count < 0) {
        // Nothing was deleted: the table and both lists stay as they were.
        prompter.message(
            QStringLiteral("提示"),
            QStringLiteral("无法删除：关键词数据库 %1 写入失败：%2").arg(m_store.fileName(), m_store.lastError()),
            Prompter::Icon::Warning);
        return;
    }
    prompter.message(QStringLiteral("Veltrana"),
                     QStringLiteral("成功删除") + QString::number(count) + QStringLiteral("个关键词！"),
                     Prompter::Icon::None);
}
