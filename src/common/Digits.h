#pragma once

#include <QString>

#include <algorithm>

// Counts read from pages and shown in lists are plain ASCII digits: QChar's
// isDigit() would also take Arabic-Indic or full-width digits, which no count
// we read or write ever holds.
namespace Digits {

inline bool onlyAscii(const QString &text)
{
    return !text.isEmpty() && std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

} // namespace Digits
