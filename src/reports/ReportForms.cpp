#include "reports/ReportForms.h"

#include "common/Engine.h"

namespace ReportForms {

namespace {

QString blanks(int n) { return QString(n, QLatin1Char(' ')); }

// The related-keyword list's keyword and three engine counts; columns after
// them are the list's own and are named from its headers.
constexpr int kRelatedCountColumns = 4;

QString counted(Engine e) { return engineLabel(e) + QStringLiteral("收录"); }

} // namespace

QString textWarning()
{
    return QStringLiteral(
        "@@@@@@@@@@@@   txt格式的数据导出显示效果较差，如需较好的效果请导出为Excel或Html格式  @@@@@@@@@@@@ ");
}

QString title(ReportKind kind)
{
    switch (kind) {
    case ReportKind::RelatedKeywords: return QStringLiteral("相关关键词分析报告");
    case ReportKind::KeywordVolume: return QStringLiteral("Adwords关键词分析报告");
    case ReportKind::Resources: return QStringLiteral("外链资源库分析报告");
    case ReportKind::Ranks: return QStringLiteral("搜索引擎关键词排名分析报告");
    case ReportKind::KeywordDatabase: return QStringLiteral("关键词数据库分析报告");
    case ReportKind::History: break;
    }
    return QStringLiteral("收藏关键词排名历史报告");
}

QString textHeader(ReportKind kind, const QStringList &headers)
{
    switch (kind) {
    case ReportKind::RelatedKeywords: {
        QString line = QStringLiteral("相关关键词") + blanks(8) + counted(Engine::Google) + blanks(6)
            + counted(Engine::Yahoo) + blanks(5) + counted(Engine::Bing) + blanks(1);
        // The mining list's own columns after the counts (the Baidu figures).
        for (const QString &h : headers.mid(kRelatedCountColumns))
            line += blanks(4) + h + blanks(1);
        return line;
    }
    case ReportKind::KeywordVolume:
        return QStringLiteral("相关关键词    估计广告排名   估计每次点击费用  广告客户竞争度  全球每月搜索量  ");
    case ReportKind::Resources: return QStringLiteral("资源名称         资源URL      PR     备注&说明");
    case ReportKind::Ranks: return QStringLiteral("搜索引擎/网站         关键词/排名      查询日期/收录网址");
    case ReportKind::KeywordDatabase:
        return QStringLiteral("相关关键词") + blanks(8) + QStringLiteral("父关键词") + blanks(8)
            + counted(Engine::Google) + blanks(6) + counted(Engine::Yahoo) + blanks(5) + counted(Engine::Bing)
            + blanks(4) + QStringLiteral("更新日期") + blanks(2);
    case ReportKind::History: break;
    }
    // Laid out like the rows under it: five blanks after each column.
    QString line;
    for (const QString &h : headers)
        line += h + blanks(5);
    return line;
}

QList<HeaderCell> htmlHeader(ReportKind kind, const QStringList &headers)
{
    switch (kind) {
    case ReportKind::RelatedKeywords: {
        const QStringList extra = headers.mid(kRelatedCountColumns);
        if (extra.isEmpty())
            return {{QStringLiteral("相关关键词"), 40, true},
                    {counted(Engine::Google), 20},
                    {counted(Engine::Yahoo), 20},
                    {counted(Engine::Bing), 20}};
        // Every column the rows carry gets its cell; the keyword keeps the widest.
        const int share = 70 / int(3 + extra.size());
        QList<HeaderCell> cells{{QStringLiteral("相关关键词"), 100 - share * int(3 + extra.size()), true},
                                {counted(Engine::Google), share},
                                {counted(Engine::Yahoo), share},
                                {counted(Engine::Bing), share}};
        for (const QString &h : extra)
            cells.append({h, share});
        return cells;
    }
    case ReportKind::KeywordVolume:
        return {{QStringLiteral("相关关键词"), 20, true},
                {QStringLiteral("估计广告排名"), 20},
                {QStringLiteral("估计每次点击费用"), 20, true},
                {QStringLiteral("广告客户竞争度"), 20},
                {QStringLiteral("全球每月搜索量"), 20}};
    case ReportKind::Resources:
        return {{QStringLiteral("资源名称"), 30, true},
                {QStringLiteral("资源URL"), 30},
                {QStringLiteral("PR"), 14},
                {QStringLiteral("备注&说明"), 26}};
    case ReportKind::Ranks:
        return {{QStringLiteral("搜索引擎/网站"), 40, true},
                {QStringLiteral("关键词/排名"), 30},
                {QStringLiteral("查询日期/收录网址"), 30}};
    case ReportKind::KeywordDatabase:
        return {{QStringLiteral("相关关键词"), 20, true},
                {QStringLiteral("父关键词"), 15, true},
                {counted(Engine::Google), 15},
                {counted(Engine::Yahoo), 15},
                {counted(Engine::Bing), 15},
                {QStringLiteral("更新日期"), 20}};
    case ReportKind::History: break;
    }
    QList<HeaderCell> cells;
    const int share = headers.isEmpty() ? 100 : 100 / int(headers.size());
    for (int i = 0; i < headers.size(); ++i)
        cells.append({headers.at(i), share, i == 0});
    return cells;
}

} // namespace ReportForms
