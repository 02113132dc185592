#include "store/TickedRowsToStore.h"

#include "common/Prompter.h"
#include "store/KeywordStore.h"
#include "store/RecordRows.h"

namespace TickedRowsToStore {

int addAndReport(KeywordStore &store, Prompter &prompter, const ResultList &list, const QString &keywordBox,
                 bool withCounts, const QDate &day)
{
    const int added = store.insertMissing(RecordRows::ticked(list, keywordBox.trimmed(), withCounts), day);
    if (added < 0) {
        prompter.message(QStringLiteral("提示"),
                         QStringLiteral("无法写入关键词数据库 %1：%2").arg(store.fileName(), store.lastError()),
                         Prompter::Icon::Warning);
        return -1;
    }
    prompter.notice(QStringLiteral("成功提交了") + QString::number(added) + QStringLiteral("条数据至数据库！"));
    return added;
}

} // namespace TickedRowsToStore
