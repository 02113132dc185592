#pragma once

#include <QString>

// The engine rank scanners (Google, Yahoo, Bing result pages read for a
// site's position) live in this class; for now it carries the keyword
// encoder their request addresses use.
class cKeyrank
{
public:
    // Percent-encodes the UTF-8 bytes of every non-ASCII 16-bit unit; ASCII
    // (spaces and punctuation included) is copied unchanged. Each unit is
    // encoded by itself, so the halves of a surrogate pair are not combined.
    static QString GBtoUTF8(const QString &szInput);
};
