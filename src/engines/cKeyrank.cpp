#include "engines/cKeyrank.h"

#include "common/Endpoints.h"
#include "pagerules/PageRules.h"
#include "web/CXHtml.h"
#include "web/M_base.h"

namespace {

void appendByte(QString &out, unsigned value)
{
    static const char hex[] = "0123456789ABCDEF";
    out.append(QLatin1Char('%'));
    out.append(QLatin1Char(hex[(value >> 4) & 0xF]));
    out.append(QLatin1Char(hex[value & 0xF]));
}

// What each engine's result pages look like to the scanner.
struct PieceRules {
    QString marker;    // splits the page into result pieces
    int firstPiece;    // piece 0 is the text before the first marker
    int positionShift; // position of piece k on page i: i * 10 + k + shift
};

PieceRules rulesFor(Engine e)
{
    switch (e) {
    case Engine::Google: return {QStringLiteral("<h3 class=r>"), 1, 0};
    case Engine::Yahoo: return {QStringLiteral("<div><h3><a"), 0, 1};
    case Engine::Bing: break;
    }
    return {QStringLiteral("<div class=\"sb_tsuf\">"), 1, 0};
}

bool pieceMatches(Engine e, const QString &piece, const QString &site)
{
    switch (e) {
    case Engine::Google: return piece.contains(site);
    case Engine::Yahoo: return piece.contains(QStringLiteral("http%3a//") + site);
    case Engine::Bing: break;
    }
    return M_base::GetBetween(piece, QStringLiteral("<a"), QStringLiteral("</a>")).contains(site);
}

QString pieceLink(Engine e, const QString &piece)
{
    switch (e) {
    case Engine::Google: return CXHtml::GetMemo(piece, QStringLiteral("href=\""), QStringLiteral("\""));
    case Engine::Yahoo:
        return QStringLiteral("http://") + CXHtml::GetMemo(piece, QStringLiteral("http%3a//"), QStringLiteral("\">"));
    case Engine::Bing: break;
    }
    // Only the lower-case escape: that is how the engine writes its links.
    return CXHtml::GetMemo(piece, QStringLiteral("a=http%3a%2f%2f"), QStringLiteral("\""))
        .replace(QStringLiteral("%2f"), QStringLiteral("/"));
}

} // namespace

cKeyrank::cKeyrank(const Endpoints &endpoints)
    : m_endpoints(endpoints)
{
}

int cKeyrank::GetGoogleRank(int s, int rank) { return scan(Engine::Google, s, rank); }
int cKeyrank::GetYahooRank(int s, int rank) { return scan(Engine::Yahoo, s, rank); }
int cKeyrank::GetBingRank(int s, int rank) { return scan(Engine::Bing, s, rank); }

int cKeyrank::GetRank(Engine e, int s, int rank)
{
    switch (e) {
    case Engine::Google: return GetGoogleRank(s, rank);
    case Engine::Yahoo: return GetYahooRank(s, rank);
    case Engine::Bing: break;
    }
    return GetBingRank(s, rank);
}

QString cKeyrank::pageAddress(Engine e, int page) const
{
    // A raw "#" would end the query there ("c# tutorial" asked as "c").
    const QString kw = GBtoUTF8(Keyword).replace(QLatin1Char('#'), QStringLiteral("%23"));
    QString pathAndQuery = rules ? rules->requestPath(engineKey(e), PageRules::Purpose::Results, kw, page) : QString();
    if (!pathAndQuery.isEmpty())
        return m_endpoints.url(Endpoints::serviceOf(e), pathAndQuery);
    switch (e) {
    case Engine::Google:
        pathAndQuery = QStringLiteral("/search?q=") + kw + QStringLiteral("&hl=en&newwindow=1&start=")
            + QString::number(page * 10) + QStringLiteral("&sa=N");
        break;
    case Engine::Yahoo:
        pathAndQuery =
            QStringLiteral("/search?p=") + kw + QStringLiteral("&fr=sfp&xargs=0&b=") + QString::number(page * 10 + 1);
        break;
    case Engine::Bing:
        pathAndQuery = QStringLiteral("/search?q=") + kw + QStringLiteral("&first=") + QString::number(page * 10 + 1);
        break;
    }
    return m_endpoints.url(Endpoints::serviceOf(e), pathAndQuery);
}

int cKeyrank::scanPage(Engine e, const QString &page, int pageIndex, const QString &site, int rank, QString *link)
{
    const int position = scanPageRaw(e, page, pageIndex, site, rank, link);
    if (link && position > 0)
        *link = normaliseLink(*link);
    return position;
}

namespace {

// A page cut into the pieces the engine's result marker starts.
struct CutPage {
    PieceRules rules;
    bool bingOrganic = false;
    QStringList pieces;
};

CutPage cutPage(Engine e, const QString &page)
{
    CutPage out{rulesFor(e), false, {}};
    // No real Bing page ever carried the sb_tsuf marker: without it, the
    // organic result links are the pieces (2010 sb_tlst, later b_algo).
    out.bingOrganic = e == Engine::Bing && !page.contains(out.rules.marker);
    if (out.bingOrganic) {
        const QString tlst = QStringLiteral("<div class=\"sb_tlst\">");
        out.rules.marker = page.contains(tlst) ? tlst : QStringLiteral("<li class=\"b_algo\"");
    }
    out.pieces = page.split(out.rules.marker);
    return out;
}

QString rawLink(Engine e, const CutPage &cut, int k)
{
    return cut.bingOrganic ? CXHtml::GetMemo(cut.pieces.at(k), QStringLiteral("href=\""), QStringLiteral("\""))
                           : pieceLink(e, cut.pieces.at(k));
}

} // namespace

int cKeyrank::scanPageRaw(Engine e, const QString &page, int pageIndex, const QString &site, int rank, QString *link)
{
    const CutPage cut = cutPage(e, page);
    for (int k = cut.rules.firstPiece; k < cut.pieces.size(); ++k) {
        if (!pieceMatches(e, cut.pieces.at(k), site))
            continue;
        const int position = pageIndex * 10 + k + cut.rules.positionShift;
        if (position > rank) {
            if (link)
                *link = rawLink(e, cut, k);
            return position;
        }
    }
    return 0;
}

QVector<PageRules::Organic> cKeyrank::organicOnPage(Engine e, const QString &page, int pageIndex)
{
    const CutPage cut = cutPage(e, page);
    QVector<PageRules::Organic> out;
    for (int k = cut.rules.firstPiece; k < cut.pieces.size(); ++k) {
        // Any site: the pieces a scan could find a site in.
        if (pieceMatches(e, cut.pieces.at(k), QString()))
            out.append({pageIndex * 10 + k + cut.rules.positionShift, rawLink(e, cut, k)});
    }
    return out;
}

QString cKeyrank::normaliseLink(const QString &link)
{
    QString out = link;
    if (out.toLower().contains(QLatin1String("http://")))
        out = out.toLower().remove(QLatin1String("http://"));
    if (out.toLower().endsWith(QLatin1Char('/')))
        out = out.toLower().chopped(1);
    return out;
}

int cKeyrank::scan(Engine e, int s, int rank)
{
    Output out;
    CXHtml fetcher;
    fetcher.charset = QStringLiteral("utf-8");
    fetcher.TryTime = TryTime;
    fetcher.abortOn = abortOn;
    for (int i = s; i < maxnum; ++i) {
        const QString address = pageAddress(e, i);
        fetcher.url = address;
        const FetchOutcome fetched = fetcher.fetchOutcome();
        ++m_pageRequests;
        // A page that never came (time-out, error status, refused) is no
        // answer: the site may stand on it, so nothing found after it counts
        // either. A page that came without the site is an answer.
        if (fetched.failed()) {
            out.pages.clear();
            out.pageIndex = QString::number(maxnum);
            out.failed = true;
            out.fetch = fetched;
            setOutput(e, out);
            return 0;
        }
        const QString &page = fetched.body;
        QString link;
        PageRules::Reading reading;
        const int position = rules ? rules->rankOnPage(engineKey(e), page, i, url, rank, &link, &reading)
                                   : scanPageRaw(e, page, i, url, rank, &link);
        // A page the rules cannot read may list the site: no answer either.
        if (position == 0 && rules && reading.failed()) {
            out.pages.clear();
            out.pageIndex = QString::number(maxnum);
            out.failed = true;
            out.unreadable = reading.reason();
            setOutput(e, out);
            return 0;
        }
        link = normaliseLink(link);
        if (keepResults)
            out.pages.append({i, rules ? rules->organicResults(engineKey(e), page, i) : organicOnPage(e, page, i)});
        if (position > 0) {
            out.pageUrl = address;
            out.foundUrl = link;
            out.pageIndex = QString::number(i);
            setOutput(e, out);
            return position;
        }
    }
    out.pageIndex = QString::number(maxnum);
    setOutput(e, out);
    return 0;
}

cKeyrank::Output cKeyrank::output(Engine e) const
{
    const FetchOutcome &why = m_lastFailure[engineIndex(e)];
    const QString &unreadable = m_lastUnreadable[engineIndex(e)];
    const QVector<PageResults> &pages = m_lastPages[engineIndex(e)];
    switch (e) {
    case Engine::Google: return {GooglePageUrl, GoogleFoundUrl, GooglePageIndex, GoogleFailed, why, unreadable, pages};
    case Engine::Yahoo: return {YahooPageUrl, YahooFoundUrl, YahooPageIndex, YahooFailed, why, unreadable, pages};
    case Engine::Bing: break;
    }
    return {BingPageUrl, BingFoundUrl, BingPageIndex, BingFailed, why, unreadable, pages};
}

void cKeyrank::setOutput(Engine e, const Output &o)
{
    m_lastFailure[engineIndex(e)] = o.fetch;
    m_lastUnreadable[engineIndex(e)] = o.unreadable;
    m_lastPages[engineIndex(e)] = o.pages;
    switch (e) {
    case Engine::Google:
        GooglePageUrl = o.pageUrl, GoogleFoundUrl = o.foundUrl, GooglePageIndex = o.pageIndex, GoogleFailed = o.failed;
        return;
    case Engine::Yahoo:
        YahooPageUrl = o.pageUrl, YahooFoundUrl = o.foundUrl, YahooPageIndex = o.pageIndex, YahooFailed = o.failed;
        return;
    case Engine::Bing:
        BingPageUrl = o.pageUrl, BingFoundUrl = o.foundUrl, BingPageIndex = o.pageIndex, BingFailed = o.failed;
        return;
    }
}

QString cKeyrank::GBtoUTF8(const QString &szInput)
{
    if (szInput.isEmpty())
        return szInput;
    QString out;
    out.reserve(szInput.size() * 3);
    for (const QChar ch : szInput) {
        const unsigned c = ch.unicode();
        if (c < 0x80) {
            out.append(ch);
        } else if (c < 0x800) {
            appendByte(out, 0xC0 | (c >> 6));
            appendByte(out, 0x80 | (c & 63));
        } else {
            appendByte(out, 0xE0 | (c >> 12));
            appendByte(out, 0x80 | ((c >> 6) & 63));
            appendByte(out, 0x80 | (c & 63));
        }
    }
    return out;
}
