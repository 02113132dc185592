#include "keyworddb/KeywordDatabase.h"

#include "common/Engine.h"
#include "common/Prompter.h"
#include "common/ResultFilter.h"
#include "common/ResultList.h"
#include "store/KeywordStore.h"

#include <QElapsedTimer>

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

QStringList KeywordDatabase::listHeaders() { return KeywordStore::columnCaptions(); }

QStringList KeywordDatabase::reserveHeaders()
{
    QStringList h = listHeaders();
    h[Bing] = engineLabel(Engine::Bing) + QStringLiteral("收录数");
    return h;
}

void KeywordDatabase::GetDb()
{
    m_loadedAt = m_store.writeCount();
    reserve().clear();
    QElapsedTimer clock;
    clock.start();
    int loaded = 0;
    {
        // Straight from the query into the reserve's cells: no row objects.
        ResultList::Appender add(reserve());
        m_store.scanAll([&](const KeywordStore::Cells &c) {
            add.append({c[0], c[1], c[2], c[3], c[4], c[5]});
            if ((++loaded & (kProgressStep - 1)) == 0 && m_progress && clock.elapsed() >= kQuietLoadMs)
                m_progress(loaded);
        });
    }
    // The database list shows the same rows without copying them.
    list().appendFrom(reserve());
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
