#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <memory>

class QDeadlineTimer;
class QNetworkAccessManager;

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
    QString charset;   // "char": empty means detect before the real fetch
    QString agent;

    QString GetSrc();
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
        bool timedOut = false;
        bool tooBig = false;
        bool failed = false;   // a network error, such as a connection dropped mid-body
    };

    void normaliseUrl();
    QByteArray fetch(bool *ok);
    Response fetchOnce(const QUrl &address, const QDeadlineTimer &deadline);
    static bool isFetchable(const QUrl &address);
    static bool isRedirect(int status);

    std::unique_ptr<QNetworkAccessManager> m_manager;
    int m_lastStatus = 0;
    bool m_lastTimedOut = false;
};
