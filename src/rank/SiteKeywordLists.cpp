#include "rank/SiteKeywordLists.h"

#include "common/FieldText.h"
#include "common/Prompter.h"
#include "common/SettingNames.h"
#include "common/SettingsStore.h"
#include "context/AppContext.h"
#include "store/TextFiles.h"

#include <QFileInfo>

namespace {
const QString kSitesSetting = SettingNames::kRankSites;
const QString kSep = QStringLiteral("$");

// Rows for each text, ticked, as the stored lists come back.
QVector<ResultList::Row> tickedRows(const QStringList &texts)
{
    QVector<ResultList::Row> rows;
    rows.reserve(texts.size());
    for (const QString &text : texts) {
        ResultList::Row r;
        r.text = text;
        r.checked = true;
        rows.append(r);
    }
    return rows;
}

void addTicked(RankList &list, const QString &text)
{
    const int r = list.addRow(text);
    list.setChecked(r, true);
}
} // namespace

SiteKeywordLists::SiteKeywordLists(AppContext &context, QObject *parent)
    : QObject(parent),
      m_context(context),
      m_sites({QStringLiteral("单击修改网站")}, true),
      m_keywords({QStringLiteral("单击修改关键词")}, true)
{
    connect(&m_sites, &RankList::userTicked, this, &SiteKeywordLists::onSiteTicked);
    connect(&m_sites, &RankList::userEdited, this, &SiteKeywordLists::onSiteEdited);
    connect(&m_keywords, &RankList::userEdited, this, &SiteKeywordLists::onKeywordEdited);
}

QString SiteKeywordLists::keywordFile() const { return m_context.dataFile(QStringLiteral("mykw.txt")); }

QString SiteKeywordLists::modeTooltip() const
{
    return m_mode == OneToMany ? QStringLiteral("一个网站对应多个关键词！")
                               : QStringLiteral("多个网站对应多个关键词！");
}

bool SiteKeywordLists::keyrank_CheckExit1(const ResultList &list, const QString &text)
{
    return list.containsText(text);
}

QString SiteKeywordLists::tickAll(RankList &list, const QString &caption)
{
    const bool all = caption == QStringLiteral("全选");
    list.setAllChecked(all);
    return all ? QStringLiteral("全不") : QStringLiteral("全选");
}

// The rows' texts as a list file holds them: a pasted line break or control
// character must not split one row into two lines.
QStringList SiteKeywordLists::oneLineTexts(const RankList &list)
{
    QStringList out = list.texts();
    for (QString &text : out)
        text = FieldText::oneLine(text);
    return out;
}

void SiteKeywordLists::saveSites() { m_context.settings().WriteValue(kSitesSetting, m_sites.texts().join(kSep)); }

void SiteKeywordLists::saveKeywords()
{
    // The list on screen is still there; the user must know it is not on disk.
    QString failure;
    if (!TextFiles::writeLines(keywordFile(), {oneLineTexts(m_keywords).join(kSep)}, &failure))
        m_context.prompter().message(QStringLiteral("提示"),
                                     QStringLiteral("关键词列表无法保存到 %1（%2）").arg(keywordFile(), failure),
                                     Prompter::Icon::Warning);
}

void SiteKeywordLists::storeCurrentSiteTag()
{
    if (m_mode == OneToMany && m_curSite >= 1 && m_curSite <= m_sites.count())
        m_sites.setTag(m_curSite - 1, m_keywords.texts().join(kSep));
}

void SiteKeywordLists::addSite()
{
    QString answer;
    if (m_context.prompter().askText(QStringLiteral("提示"), QStringLiteral("请输入网址"), answer)) {
        answer = answer.trimmed();
        if (!answer.isEmpty() && !keyrank_CheckExit1(m_sites, answer))
            addTicked(m_sites, answer);
    }
    saveSites();
}

void SiteKeywordLists::addKeyword()
{
    if (m_mode == OneToMany && m_curSite == 0) {
        m_context.prompter().notice(QStringLiteral("必须选定一个网站后再添加关键词！"));
        return;
    }
    QString answer;
    if (m_context.prompter().askText(QStringLiteral("提示"), QStringLiteral("请输入关键字"), answer)) {
        answer = answer.trimmed();
        if (!answer.isEmpty() && !keyrank_CheckExit1(m_keywords, answer))
            addTicked(m_keywords, answer);
    }
    saveKeywords();
    storeCurrentSiteTag();
}

bool SiteKeywordLists::deleteTicked(RankList &list, const QString &question)
{
    if (m_context.prompter().askYesNo(QStringLiteral("提示"), question) != Prompter::Answer::Yes)
        return false;
    list.removeChecked();
    return true;
}

void SiteKeywordLists::deleteSites()
{
    if (!deleteTicked(m_sites, QStringLiteral("确实要删除选中的网站吗？")))
        return;
    // The current site may have gone or moved.
    if (m_curSite > m_sites.count())
        m_curSite = 0;
    saveSites();
}

void SiteKeywordLists::deleteKeywords()
{
    if (!deleteTicked(m_keywords, QStringLiteral("确实要删除选中的关键词吗？")))
        return;
    saveKeywords();
    storeCurrentSiteTag();
}

void SiteKeywordLists::onSiteEdited(int, const QString &) { saveSites(); }

void SiteKeywordLists::onKeywordEdited(int, const QString &)
{
    saveKeywords();
    storeCurrentSiteTag();
}

QString SiteKeywordLists::fileFilter()
{
    // Qt's own form: the pattern inside the parentheses. The Windows
    // "description|pattern" form reads as one pattern that no file matches.
    return QStringLiteral("Txt   (*.txt)");
}

void SiteKeywordLists::importInto(RankList &list, const QString &title)
{
    const QString path = m_context.prompter().openFileName(title, fileFilter());
    if (path.isEmpty())
        return;
    bool ok = false;
    const QStringList lines = TextFiles::readImport(path, &ok);
    if (!ok)
        return;
    QVector<ResultList::Row> rows;
    for (const QString &line : lines) {
        if (line.isEmpty())
            continue;
        ResultList::Row r;
        r.text = line;
        rows.append(r);
    }
    list.appendRows(rows);
}

void SiteKeywordLists::importSites()
{
    importInto(m_sites, QStringLiteral("导入网站列表"));
    // Saved at once, so an import survives the next start.
    saveSites();
}

void SiteKeywordLists::importKeywords()
{
    importInto(m_keywords, QStringLiteral("导入关键词列表"));
    saveKeywords();
    storeCurrentSiteTag();
}

void SiteKeywordLists::exportFrom(RankList &list, const QString &title, const QString &done)
{
    Prompter &p = m_context.prompter();
    if (list.isEmpty()) {
        p.message(QStringLiteral("导出数据"), QStringLiteral("没有数据需要导出！"), Prompter::Icon::Information);
        return;
    }
    const QString path = p.saveFileName(title, fileFilter(), QStringLiteral("*.txt"));
    if (path.isEmpty())
        return;
    if (QFileInfo::exists(path)
        && p.askOkCancel(QStringLiteral("提示"), QStringLiteral("该文件已经存在，是否覆盖?")) != Prompter::Answer::Ok)
        return;
    QStringList lines;
    for (const QString &text : oneLineTexts(list)) {
        const QString t = text.trimmed();
        if (!t.isEmpty())
            lines.append(t);
    }
    QString failure;
    if (!TextFiles::writeLines(path, lines, &failure)) {
        p.message(QStringLiteral("导出数据"), QStringLiteral("无法写入文件：%1（%2）").arg(path, failure),
                  Prompter::Icon::Critical);
        return;
    }
    p.notice(done);
}

void SiteKeywordLists::exportSites()
{
    exportFrom(m_sites, QStringLiteral("导出网站列表"), QStringLiteral("网站列表导出成功！"));
}

void SiteKeywordLists::exportKeywords()
{
    exportFrom(m_keywords, QStringLiteral("导出关键词列表"), QStringLiteral("关键词列表导出成功！"));
}

void SiteKeywordLists::setMode(int mode)
{
    m_mode = mode == OneToMany ? OneToMany : ManyToMany;
    if (m_mode == OneToMany) {
        const int k = m_sites.firstChecked() + 1; // 0 when none is ticked
        m_sites.setAllChecked(false);
        if (k > 0) {
            m_sites.setChecked(k - 1, true);
            if (!m_sites.row(k - 1).tag.isEmpty())
                chgkws(k - 1);
            else
                m_sites.setTag(k - 1, m_keywords.texts().join(kSep));
            m_curSite = k;
        }
    }
    Q_EMIT modeChanged(m_mode);
}

void SiteKeywordLists::chgkws(int row)
{
    m_keywords.clear();
    const QString tag = m_sites.row(row).tag;
    if (tag.isEmpty())
        return;
    m_keywords.appendRows(tickedRows(tag.split(kSep)));
}

void SiteKeywordLists::clickSite(int row)
{
    if (m_mode != OneToMany || row < 0 || row >= m_sites.count())
        return;
    m_sites.setAllChecked(false);
    m_sites.setChecked(row, true);
    m_curSite = row + 1;
    chgkws(row);
}

void SiteKeywordLists::onSiteTicked(int row, bool)
{
    if (m_mode != OneToMany || row < 0 || row >= m_sites.count())
        return;
    for (int r = 0; r < m_sites.count(); ++r) {
        if (r != row)
            m_sites.setChecked(r, false);
    }
    m_curSite = row + 1;
    chgkws(row);
    if (m_sites.checkedCount() == 0)
        m_keywords.clear();
}

void SiteKeywordLists::loadSites()
{
    const QString sites = m_context.settings().ReadValue(kSitesSetting);
    if (!sites.isEmpty()) {
        m_sites.clear();
        m_sites.appendRows(tickedRows(sites.split(kSep)));
        if (m_curSite > m_sites.count())
            m_curSite = 0;
    }
}

void SiteKeywordLists::loadKeywords()
{
    bool exists = false;
    QString text = TextFiles::readAll(keywordFile(), &exists);
    if (exists && !text.isEmpty()) {
        m_keywords.clear();
        text.remove(QStringLiteral("\r\n"));
        text.remove(QLatin1Char('\n'));
        if (!text.isEmpty()) {
            m_keywords.appendRows(tickedRows(text.split(kSep)));
        }
    }
    storeCurrentSiteTag();
}

void SiteKeywordLists::focusPair(const QString &site, const QString &keyword)
{
    m_sites.setAllChecked(false);
    int s = m_sites.findText(site);
    if (s < 0)
        s = m_sites.addRow(site);
    m_sites.setChecked(s, true);
    if (m_mode == OneToMany)
        m_curSite = s + 1;
    m_keywords.setAllChecked(false);
    int k = m_keywords.findText(keyword);
    if (k < 0)
        k = m_keywords.addRow(keyword);
    m_keywords.setChecked(k, true);
}
