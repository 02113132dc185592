#include "keyworddb/KeywordDatabase.h"

#include "common/Engine.h"
#include "common/Prompter.h"
#include "common/ResultFilter.h"
#include "common/ResultList.h"
#include "store/KeywordStore.h"

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
    const QVector<KeywordStore::Record> records = m_store.loadAll();
    QVector<ResultList::Row> rows;
    rows.reserve(records.size());
    for (const KeywordStore::Record &rec : records) {
        ResultList::Row row;
        row.text = rec.keys;
        row.sub = QStringList{rec.parentkeys, rec.counts.google, rec.counts.yahoo, rec.counts.bing, rec.adddate};
        rows.append(std::move(row));
    }
    // Both lists take the rows in one go each: one model reset or insert
    // notice instead of one per row keeps a large table quick to load.
    reserve().clear();
    reserve().appendRows(rows);
    list().appendRows(rows);
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
    const int ticked = list().checkedCount();
    if (ticked == 0)
        return 0;
    const bool wasCurrent = !isStale();
    // Top to bottom, one delete per ticked row (a keyword ticked twice is
    // deleted and counted twice), in one transaction so that thousands of
    // ticked rows do not cost one disk sync each.
    if (!m_store.beginBatch())
        return -1;
    for (const ResultList::Row &row : list().rows()) {
        if (row.checked && m_store.remove(row.text) < 0) {
            m_store.rollbackBatch();
            return -1;
        }
    }
    if (!m_store.commitBatch())
        return -1;
    // The table no longer holds any row with these keywords.
    m_lists.removeCheckedFromBoth();
    // The lists went the same way as the table: still current, no reload.
    if (wasCurrent)
        m_loadedAt = m_store.writeCount();
    return ticked;
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
