#pragma once

#include <QString>

// Loads an address in a browser engine that runs the page's scripts and
// returns the markup of the whole document (GetWebHtml). The window provides
// one backed by its first embedded browser.
class PageReader
{
public:
    virtual ~PageReader() = default;
    // Waits `waitMs` after asking for the page, then returns its markup, or
    // an empty text when nothing loaded.
    virtual QString readPage(const QString &address, int waitMs) = 0;
};
