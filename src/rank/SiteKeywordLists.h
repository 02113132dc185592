#pragma once

#include "rank/RankList.h"

#include <QObject>

class AppContext;

// The site list and the keyword list of the rank tab: adding, deleting,
// in-place edits, import and export, tick-all, the two association modes
// and their storage (`settingurl` for the sites, "mykw.txt" for the
// keywords). In one-to-many mode one site is ticked and the keyword list
// shows that site's own keywords (its row tag).
class SiteKeywordLists : public QObject
{
    Q_OBJECT
public:
    enum Mode { ManyToMany = 0, OneToMany = 1 };

    explicit SiteKeywordLists(AppContext &context, QObject *parent = nullptr);

    RankList &sites() { return m_sites; }
    RankList &keywords() { return m_keywords; }
    int curSite() const { return m_curSite; }
    int mode() const { return m_mode; }
    QString modeTooltip() const;
    QString keywordFile() const;

    // keyrank_CheckExit1: a row whose text, trimmed of spaces, equals `text` trimmed.
    static bool keyrank_CheckExit1(const ResultList &list, const QString &text);
    // "全选" ticks every row and gives "全不"; otherwise unticks and gives "全选".
    static QString tickAll(RankList &list, const QString &caption);
    // The import and export dialogs' filter.
    static QString fileFilter();

    void addSite();
    void deleteSites();
    void importSites();
    void exportSites();
    void addKeyword();
    void deleteKeywords();
    void importKeywords();
    void exportKeywords();

    // Mode drop-down; also what restoring the rank options does.
    void setMode(int mode);
    // A click on site row `row` (0-based).
    void clickSite(int row);
    // chgkws: the keyword list becomes the keywords of site row `row` (0-based).
    void chgkws(int row);

    // Reload the lists from storage (the tab is shown; the rank options are
    // restored between the two). The keyword step also refreshes the
    // current site's keyword tag in one-to-many mode.
    void loadSites();
    void loadKeywords();
    // After a history or record view: nothing but the pair is ticked (each
    // added when missing), and nothing stored is touched.
    void focusPair(const QString &site, const QString &keyword);

    void saveSites();
    void saveKeywords();

Q_SIGNALS:
    void modeChanged(int mode);

private:
    void onSiteTicked(int row, bool checked);
    static QStringList oneLineTexts(const RankList &list);
    void onSiteEdited(int row, const QString &text);
    void onKeywordEdited(int row, const QString &text);
    void storeCurrentSiteTag();
    void importInto(RankList &list, const QString &title);
    void exportFrom(RankList &list, const QString &title, const QString &done);
    bool deleteTicked(RankList &list, const QString &question);

    AppContext &m_context;
    RankList m_sites;
    RankList m_keywords;
    int m_curSite = 0; // 1-based, 0 = none
    int m_mode = ManyToMany;
};
