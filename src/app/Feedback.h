#pragma once

#include <QString>
#include <QStringList>

class Endpoints;

// The suggestion sent to the maker's feedback page.
struct Feedback {
    QString title;
    QString type;
    QString qq;
    QString email;
    QString content;

    static QString product() { return QStringLiteral("Veltrana1.0"); }
    // The entries of the type box; the last one is chosen when the form opens.
    static QStringList types();
    static int defaultType() { return 3; }

    // "/suggest.asp?soft=...&title=...&tp=...&qq=...&email=...&content=..."
    // on the maker endpoint, each value trimmed and percent-encoded as UTF-8
    // (a "&" or "#" in a field would otherwise cut the query); empty when the
    // maker endpoint is not configured.
    QString requestUrl(const Endpoints &endpoints) const;

    // Sends it; blocks with the event loop running for at most about 20
    // seconds. True only when the maker answered with a success status:
    // with no maker configured nothing is sent and it is false.
    bool send(const Endpoints &endpoints) const;
};
