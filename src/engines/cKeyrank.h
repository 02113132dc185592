#pragma once

#include "common/Engine.h"

#include <QString>
#include <QStringList>

class Endpoints;

// The rank scanners: at which position does an engine list `url` for
// `Keyword` within the first `maxnum` result pages? Each scanner fetches the
// engine's result pages one after another, cuts each page into pieces at the
// engine's result marker and looks for the site in them. Positions count
// pieces, not what a reader would call ranks: every piece counts, and a page
// always advances the count by ten.
class cKeyrank
{
public:
    explicit cKeyrank(const Endpoints &endpoints);

    // Inputs, set before each scanner call.
    QString url;        // the site, matched case-sensitively as a plain substring
    QString Keyword;
    qint16 maxnum = 0;  // result pages to scan, ten results each
    int TryTime = 15;   // time limit of one page, seconds

    // Outputs: the address of the page the position was found on, the
    // matched link (normalised) and the 0-based page index of that page,
    // or maxnum as text when nothing was found.
    QString GooglePageUrl, GoogleFoundUrl, GooglePageIndex;
    QString YahooPageUrl, YahooFoundUrl, YahooPageIndex;
    QString BingPageUrl, BingFoundUrl, BingPageIndex;
    // True when every page the last call of that scanner asked for failed
    // to load (time-out, error status, refused, cut off, no host set): its
    // 0 is then no answer. A page that loaded empty still counts as read.
    bool GoogleFailed = false, YahooFailed = false, BingFailed = false;

    // First position greater than `rank` on pages s..maxnum-1, or 0.
    qint16 GetGoogleRank(qint16 s, qint16 rank);
    qint16 GetYahooRank(qint16 s, qint16 rank);
    qint16 GetBingRank(qint16 s, qint16 rank);
    qint16 GetRank(Engine e, qint16 s, qint16 rank);

    struct Output {
        QString pageUrl;
        QString foundUrl;
        QString pageIndex;
        bool failed = false;
    };
    Output output(Engine e) const;

    // How many page requests the scanners made (benchmarks, tests).
    int pageRequests() const { return m_pageRequests; }

    // The request address of result page `page` (0-based).
    QString pageAddress(Engine e, int page) const;

    // One page: the first piece whose position exceeds `rank` and holds the
    // site; its position (0 when none) and its link, normalised.
    static int scanPage(Engine e, const QString &page, int pageIndex, const QString &site, int rank,
                        QString *link);
    // "HTTP://Site/" -> "site"; a link without scheme or final slash keeps its case.
    static QString normaliseLink(const QString &link);

    // Percent-encodes the UTF-8 bytes of every non-ASCII 16-bit unit; ASCII
    // (spaces and punctuation included) is copied unchanged. Each unit is
    // encoded by itself, so the halves of a surrogate pair are not combined.
    static QString GBtoUTF8(const QString &szInput);

private:
    qint16 scan(Engine e, qint16 s, qint16 rank);
    void setOutput(Engine e, const Output &o);

    const Endpoints &m_endpoints;
    int m_pageRequests = 0;
};
