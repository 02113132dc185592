#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

// Sends a change report to a webhook: one HTTP POST of the JSON. The
// caller blocks until the answer or the time limit while the event loop
// runs (common/Wait), so the process sits idle meanwhile.
class ChangeNotifier
{
public:
    struct Result {
        bool ok = false;
        int status = 0; // HTTP status of the answer, 0 when none came
        QString reason; // "HTTP status 500", "timed out", the network's own words
    };

    // Only http and https addresses with a host.
    static bool isUsableUrl(const QUrl &url);

    explicit ChangeNotifier(int timeLimitSeconds = 15)
        : m_timeLimitMs(timeLimitSeconds * 1000)
    {
    }
    // Succeeds on a 2xx answer only. Redirects are not followed: a POST that
    // lands elsewhere as a GET has not been delivered.
    Result post(const QUrl &url, const QByteArray &json) const;

private:
    int m_timeLimitMs;
};
