#pragma once

#include <QString>

// What one page request came to. The page text alone cannot tell a page that
// loaded empty from one that never came; callers that must know ask for this.
struct FetchOutcome {
    enum class Failure {
        None,          // the page loaded (it may still be empty)
        NotConfigured, // empty address: the service has no host, nothing was sent
        BadAddress,    // not an http or https address with a host
        TimedOut,      // no complete answer within the time limit
        HttpStatus,    // the final answer's status lies outside 200-299
        Refused,       // nobody accepted the connection
        Network,       // another network error before any answer (unknown host, ...)
        Dropped,       // the connection closed before the whole answer arrived
        TooBig,        // the body grew past CXHtml::kMaxBodyBytes
        Aborted,       // the caller stopped it (a job's stop) before the answer was whole
    };

    QString body;   // the decoded page; always empty when the request failed
    int status = 0; // HTTP status of the final answer, 0 when none came
    Failure failure = Failure::None;

    bool failed() const { return failure != Failure::None; }
    // A short English phrase for logs, such as "HTTP status 503"; empty when
    // nothing failed.
    QString reason() const;
};
