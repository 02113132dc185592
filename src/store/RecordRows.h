#pragma once

#include "store/KeywordStore.h"

class ResultList;

// Turns rows of a keyword list (keyword, then the Google, Yahoo and Bing
// counts in sub-columns 1-3) into keyword records for the store.
namespace RecordRows {

// Row `row` with `parent` as its parent keyword.
KeywordStore::Record record(const ResultList &list, int row, const QString &parent);
// Every ticked row; with `withCounts` false the counts stay "-". With
// `withCounts`, a row whose count cell says its page could not be read
// ("页面无法识别", "被搜索引擎拦截") is left out: it has no counts to store.
QVector<KeywordStore::Record> ticked(const ResultList &list, const QString &parent, bool withCounts);

} // namespace RecordRows
