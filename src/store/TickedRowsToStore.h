#pragma once

#include <QDate>
#include <QString>

class KeywordStore;
class Prompter;
class ResultList;

// "加入关键词数据库" of the mining and the keyword-volume tab: the ticked rows
// not stored yet go into the keyword table, and the user is told how many
// or, when the write failed, which database and why (never a count then).
namespace TickedRowsToStore {

// `withCounts`: the rows' count cells go in as they are; else "-".
// New rows are dated `day`. Returns how many rows were stored, or -1 when
// the write failed.
int addAndReport(KeywordStore &store, Prompter &prompter, const ResultList &list, const QString &keywordBox,
                 bool withCounts, const QDate &day);

} // namespace TickedRowsToStore
