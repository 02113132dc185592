#pragma once

#include "web/FetchOutcome.h"

#include <QByteArray>
#include <QLoggingCategory>
#include <QString>
#include <QUrl>
#include <memory>

class FetchAbort;
class QDeadlineTimer;
class QNetworkAccessManager;

// Each failed request is logged here at debug level; off unless asked for,
// e.g. QT_LOGGING_RULES="veltrana.fetch.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcFetch)

// The program's one HTTP client. Set url, TryTime and char, call GetSrc and
// get the decoded page, or an empty text when anything went wrong (time-out,
// a status outside 200-299, an empty or oversized page). The wait runs a
// local event loop, so the window stays live and the process idle.
class CXHtml
{
public:
    static constexpr qint64 kMaxBodyBytes = 16 * 1024 * 1024;
    static constexpr int kMaxRedirects = 10;

    CXHtml();
    ~CXHtml();
    CXHtml(const CXHtml &) = delete;
    CXHtml &operator=(const CXHtml &) = delete;

    static QString defaultAgent();

    // Properties.
    QString url;
    int TryTime = 10;
    QString charset; // "char": empty means detect before the real fetch
    QString agent;
    // When set, its abort() ends the request in flight and fails the later
    // ones without sending them. Not owned.
    FetchAbort *abortOn = nullptr;

    QString GetSrc();
    // The same requests as GetSrc (normalising url, detecting char when it is
    // empty), with the reason when the page text is empty because it failed.
    FetchOutcome fetchOutcome();
    QString GetHttpPage(const QString &charsetName);
    QString GetChar();
    static QString BytesToBstr(const QByteArray &body, const QString &charsetName);
    static QString GetMemo(const QString &temp, const QString &firststr, const QString &endstr);

    // What the last request did, for callers and tests that care (the page
    // text itself never says why it is empty).
    int lastStatus() const { return m_lastStatus; }
    bool lastTimedOut() const { return m_lastTimedOut; }

private:
    struct Response {
        int status = 0;
        QUrl location;
        QByteArray body;
        // TimedOut, TooBig, or a network failure (Refused, Network, Dropped);
        // a status outside 200-299 is judged by the caller.
        FetchOutcome::Failure failure = FetchOutcome::Failure::None;
        QString detail; // the network layer's own words, for the log
    };

    void normaliseUrl();
    FetchOutcome httpPage(const QString &charsetName);
    FetchOutcome fetch(QByteArray *body);
    Response fetchOnce(const QUrl &address, const QDeadlineTimer &deadline);
    static bool isFetchable(const QUrl &address);
    static bool isRedirect(int status);

    std::unique_ptr<QNetworkAccessManager> m_manager;
    int m_lastStatus = 0;
    bool m_lastTimedOut = false;
};
