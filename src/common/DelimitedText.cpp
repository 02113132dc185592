#include "common/DelimitedText.h"

namespace DelimitedText {

bool splitRows(const QString &text, QChar separator, int firstLine, QVector<Row> &rows, int &badLine)
{
    const qsizetype n = text.size();
    qsizetype i = 0;
    int line = firstLine;
    while (i < n) {
        Row row;
        row.line = line;
        for (;;) {
            QString field;
            if (i < n && text.at(i) == u'"') {
                const int opened = line;
                ++i;
                for (;;) {
                    if (i >= n) {
                        badLine = opened;
                        return false;
                    }
                    const QChar c = text.at(i++);
                    if (c == u'"') {
                        if (i < n && text.at(i) == u'"') {
                            field += u'"';
                            ++i;
                            continue;
                        }
                        break;
                    }
                    if (c == u'\n')
                        ++line;
                    field += c;
                }
            }
            // Unquoted text, or what follows a closing quote, up to the field's end.
            while (i < n && text.at(i) != separator && text.at(i) != u'\n')
                field += text.at(i++);
            if (field.endsWith(u'\r') && (i >= n || text.at(i) == u'\n'))
                field.chop(1);
            row.fields.append(field);
            if (i < n && text.at(i) == separator) {
                ++i;
                continue;
            }
            if (i < n) { // the line break that ends the row
                ++i;
                ++line;
            }
            break;
        }
        rows.append(row);
    }
    return true;
}

} // namespace DelimitedText
