#pragma once

#include "common/Engine.h"
#include "pagerules/PageRules.h"
#include "web/FetchOutcome.h"

#include <QString>
#include <QStringList>

class Endpoints;
class FetchAbort;

// The rank scanners: at which position does an engine list `url` for
// `Keyword` within the first `maxnum` result pages? Each scanner fetches the
// engine's result pages one after another, cuts each page into pieces at the
// engine's result marker and looks for the site in them. Positions count
// pieces, not what a reader would call ranks: every piece counts, and a page
// always advances the count by ten. Positions are plain ints: a page may
// split into tens of thousands of pieces, and a position never wraps.
class cKeyrank
{
public:
    explicit cKeyrank(const Endpoints &endpoints);

    // Inputs, set before each scanner call.
    QString url; // the site, matched case-sensitively as a plain substring
    QString Keyword;
    int maxnum = 0;                // result pages to scan, ten results each
    int TryTime = 15;              // time limit of one page, seconds
    FetchAbort *abortOn = nullptr; // a stop ends the page in flight (not owned)
    // The rule set that reads the pages and may give their addresses (not
    // owned); nullptr: the scanners' own split-and-cut rules.
    const PageRuleSet *rules = nullptr;
    // Also keep every organic result of each page read (Output::pages).
    bool keepResults = false;

    // Outputs: the address of the page the position was found on, the
    // matched link (normalised) and the 0-based page index of that page,
    // or maxnum as text when nothing was found.
    QString GooglePageUrl, GoogleFoundUrl, GooglePageIndex;
    QString YahooPageUrl, YahooFoundUrl, YahooPageIndex;
    QString BingPageUrl, BingFoundUrl, BingPageIndex;
    // True when a page the last call of that scanner needed failed to load
    // (time-out, error status, refused, cut off, no host set, stopped)
    // before the site was found: its 0 is then no answer, and the scan stops
    // at that page. A page that loaded empty still counts as read.
    bool GoogleFailed = false, YahooFailed = false, BingFailed = false;

    // First position greater than `rank` on pages s..maxnum-1, or 0.
    int GetGoogleRank(int s, int rank);
    int GetYahooRank(int s, int rank);
    int GetBingRank(int s, int rank);
    int GetRank(Engine e, int s, int rank);

    // The organic results of one page a scan read.
    struct PageResults {
        int pageIndex = 0;
        QVector<PageRules::Organic> results;
    };
    struct Output {
        QString pageUrl;
        QString foundUrl;
        QString pageIndex;
        bool failed = false;
        FetchOutcome fetch; // the failed page's outcome (why), when failed
        QString unreadable; // "unrecognised page" or "blocked" when the page loaded but could not be read
        QString reason() const { return unreadable.isEmpty() ? fetch.reason() : unreadable; }
        // With keepResults: the pages the call read, in order (none when it failed).
        QVector<PageResults> pages;
    };
    Output output(Engine e) const;

    // How many page requests the scanners made (benchmarks, tests).
    int pageRequests() const { return m_pageRequests; }

    // The request address of result page `page` (0-based).
    QString pageAddress(Engine e, int page) const;

    // One page: the first piece whose position exceeds `rank` and holds the
    // site; its position (0 when none) and its link, normalised.
    static int scanPage(Engine e, const QString &page, int pageIndex, const QString &site, int rank, QString *link);
    // Every piece of one page that holds a result link, with its position and
    // the link as the page gives it: what scanPageRaw would find for any site.
    static QVector<PageRules::Organic> organicOnPage(Engine e, const QString &page, int pageIndex);
    // The same with the link as the page gives it.
    static int scanPageRaw(Engine e, const QString &page, int pageIndex, const QString &site, int rank, QString *link);
    // "HTTP://Site/" -> "site"; a link without scheme or final slash keeps its case.
    static QString normaliseLink(const QString &link);

    // Percent-encodes the UTF-8 bytes of every non-ASCII 16-bit unit; ASCII
    // (spaces and punctuation included) is copied unchanged. Each unit is
    // encoded by itself, so the halves of a surrogate pair are not combined.
    static QString GBtoUTF8(const QString &szInput);

private:
    int scan(Engine e, int s, int rank);
    void setOutput(Engine e, const Output &o);

    FetchOutcome m_lastFailure[3];
    QString m_lastUnreadable[3];
    QVector<PageResults> m_lastPages[3];

    const Endpoints &m_endpoints;
    int m_pageRequests = 0;
};
