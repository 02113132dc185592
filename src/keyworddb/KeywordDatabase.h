#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "common/ListPair.h"

class KeywordStore;
class Prompter;
class QThread;
class ResultList;
struct FilterConditions;

// The two in-memory copies of the keyword table behind the keyword-database
// tab: the database list the user works in and its hidden reserve list, from
// which the filter and "还原" rebuild the shown rows. No widgets: the tab and
// the headless commands share it.
class KeywordDatabase : public QObject
{
    Q_OBJECT
public:
    // Sub-columns of both lists.
    enum Column { Keyword = 0, Parent = 1, Google = 2, Yahoo = 3, Bing = 4, Date = 5 };
    static constexpr int kLastSubColumn = Date;

    KeywordDatabase(KeywordStore &store, QObject *parent = nullptr);
    ~KeywordDatabase() override;

    ListPair &lists() { return m_lists; }
    ResultList &list() { return m_lists.shown(); }
    ResultList &reserve() { return m_lists.reserve(); }
    KeywordStore &store() { return m_store; }

    static QStringList listHeaders();
    static QStringList reserveHeaders();

    // Appends every stored row (newest first) to the database list and
    // replaces the reserve list with them. The database list is not emptied:
    // callers that want a fresh list use reload().
    void GetDb();
    // "刷新数据库": empty the database list, then GetDb.
    void reload();
    // reload() read on a thread of its own, over a connection of its own:
    // empties both lists and returns at once; they get the rows when the
    // whole table has been read (loadFinished). A load still running is
    // dropped first.
    void reloadInBackground();
    bool isLoading() const { return m_loader != nullptr; }
    // How long a load goes quietly before it reports progress.
    void setQuietLoadMs(int ms) { m_quietLoadMs = ms; }
    // True when the store was written (by any tab) since the last GetDb.
    bool isStale() const;
    // "还原": the database list becomes a copy of the reserve list.
    void restore();
    // "开始过滤" of the database filter frame.
    void filter(const FilterConditions &conditions);
    // "删除关键词": removes every ticked row from the table, the database list
    // and the reserve list (so a restore cannot bring a deleted keyword back).
    // Returns how many ticked rows went; 0 when none was ticked; -1 when the
    // table could not be written (then nothing changed).
    int deleteTicked();
    // The same with its messages: the notice when nothing is ticked, the
    // count when something went.
    void deleteTickedWithMessages(Prompter &prompter);

signals:
    // Now and then while a load that has taken a while goes on, with the
    // rows read so far.
    void loadProgress(int rows);
    // A background load ended and the lists hold what it read; `ok` is false
    // when the table could not be read to its end (`error` says why).
    void loadFinished(bool ok, const QString &error);

private:
    struct Load;

    void takeRows(const Load &load);
    void dropLoad();

    KeywordStore &m_store;
    ListPair m_lists;
    quint64 m_loadedAt = 0;
    int m_quietLoadMs = 1000;
    QThread *m_loader = nullptr;
    std::shared_ptr<Load> m_load;
};
