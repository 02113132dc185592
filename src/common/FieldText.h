#pragma once

#include <QString>

// Values that come from pages (links, titles) are data: written into a line
// of a file or of standard output they must not end the line or add one.
namespace FieldText {

// A character that must not reach a one-line field: C0 and C1 controls
// (NUL, tab, CR, LF, NEL ...), DEL, and the Unicode line and paragraph
// separators.
inline bool breaksLine(QChar c)
{
    return c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
}

// `text` with every such character removed.
inline QString oneLine(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (!breaksLine(c))
            out.append(c);
    }
    return out;
}

} // namespace FieldText
