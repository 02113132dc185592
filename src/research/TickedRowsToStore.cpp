#include "research/TickedRowsToStore.h"

#include "common/Prompter.h"
#include "context/AppContext.h"
#include "store/KeywordStore.h"
#include "store/RecordRows.h"

namespace TickedRowsToStore {

int addAndReport(AppContext &context, const ResultList &list, const QString &keywordBox, bool withCounts)
{
    KeywordStore &store = context.keywords();
    const int added = store.insertMissing(RecordRows::ticked(list, keywordBox.trimmed(), withCounts));
    if (added < 0) {
        context.prompter().message(QStringLiteral("提示"),
                                   QStringLiteral("无法写入关键词数据库 %1：%2").arg(store.fileName(), store.lastError()),
                                   Prompter::Icon::Warning);
        return -1;
    }
    context.prompter().notice(QStringLiteral("成功提交了") + QString::number(added) + QStringLiteral("条数据至数据库！"));
    return added;
}

} // namespace TickedRowsToStore
