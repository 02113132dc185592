#include "web/FetchOutcome.h"

QString FetchOutcome::reason() const
{
    switch (failure) {
    case Failure::None: return {};
    case Failure::NotConfigured: return QStringLiteral("no address configured");
    case Failure::BadAddress: return QStringLiteral("not a web address");
    case Failure::TimedOut: return QStringLiteral("timed out");
    case Failure::HttpStatus: return QStringLiteral("HTTP status %1").arg(status);
    case Failure::Refused: return QStringLiteral("connection refused");
    case Failure::Network: return QStringLiteral("network error");
    case Failure::Dropped: return QStringLiteral("connection dropped before the whole page arrived");
    case Failure::TooBig: return QStringLiteral("page larger than the limit");
    case Failure::Aborted: return QStringLiteral("stopped");
    }
    return {};
}
