#pragma once

#include <QString>
#include <QStringView>

// The one trim rule for keywords, in lists and in the keyword table alike:
// only spaces go. Any other white space is part of the keyword, so "seo\t"
// and "seo" are two keywords everywhere, never two rows here and one there.
namespace KeywordText {

// Without a copy.
inline QStringView trimSpacesView(QStringView text)
{
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && text.at(from) == QLatin1Char(' '))
        ++from;
    while (to > from && text.at(to - 1) == QLatin1Char(' '))
        --to;
    return text.sliced(from, to - from);
}

inline QString trimSpaces(const QString &text)
{
    const QStringView kept = trimSpacesView(text);
    return kept.size() == text.size() ? text : kept.toString();
}

} // namespace KeywordText
