#pragma once

#include <QChar>
#include <QString>
#include <QStringList>
#include <QVector>

// Delimited text (CSV, tab-separated) as RFC 4180 has it, for the imports
// that read back what a spreadsheet or our own reports wrote.
namespace DelimitedText {

struct Row {
    QStringList fields;
    int line = 0; // where the row starts, counted from the caller's first line
};

// A field that opens with a quote runs to the next lone quote, "" inside it
// is one quote, and line breaks inside it belong to the field; rows end at
// LF, and a CR before it is dropped. Blank lines are rows of one empty
// field. False when a quoted field never ends; `badLine` then holds the line
// it began on.
bool splitRows(const QString &text, QChar separator, int firstLine, QVector<Row> &rows, int &badLine);

} // namespace DelimitedText
