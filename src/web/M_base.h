#pragma once

#include <QString>

class PageReader;
class ResultList;

// Shared text helpers of the scrapers.
namespace M_base {

// The text strictly between the first `startMarker` and the next `endMarker`
// after it; empty when the text or either marker is missing.
QString GetBetween(const QString &text, const QString &startMarker, const QString &endMarker);

// Whether a row of the list has `text` (trimmed) as its text; case-sensitive.
bool IsInList(const QString &text, const ResultList &list);

// Percent-encodes the ANSI (GBK/GB18030) bytes of `text`; "+" for a space;
// digits, ASCII letters and "*-.@_" stay as they are.
QString UrlEncode(const QString &text);

// Loads `address` in the browser page reader, waits `waitMs` (the
// page's scripts get time to run) and returns the whole document's markup.
// Empty when there is no reader (headless runs) or nothing loaded.
QString GetWebHtml(PageReader *reader, const QString &address, int waitMs = 5100);

} // namespace M_base
