#pragma once

#include <QList>
#include <QString>

class ResultList;

// Which result list a report is made of. The number is the report code the
// export buttons pass; it picks the header line and cells of text and HTML
// reports. History is the favourites' history of the command line, whose
// headers come from the list itself.
enum class ReportKind {
    History = 0,
    RelatedKeywords = 5,
    KeywordVolume = 6,
    Resources = 7,
    Ranks = 8,
    KeywordDatabase = 9,
};

enum class ReportFormat { Text, Html, Workbook, Csv };

// Saves a result list as a report file: the busy test, the empty-list
// notice, the save dialog, the overwrite question, the writing and the
// completion question. Tabs reach it through AppContext::exporter() and know
// nothing of the writers behind it.
class ListExporter
{
public:
    virtual ~ListExporter() = default;
    // `columns`: the list's columns workbooks and CSV files keep, in order
    // (the ones its view shows).
    virtual void exportList(const ResultList &list, const QList<int> &columns, ReportKind kind,
                            ReportFormat format) = 0;
};
