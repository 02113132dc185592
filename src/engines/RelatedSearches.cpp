#include "engines/RelatedSearches.h"

#include "web/M_base.h"

namespace {

// The link texts of a region cut from `start` to `end` and split at
// `separator`, without the highlight tags `open` and `close`.
QStringList linkTexts(const QString &page, const QString &start, const QString &end, const QString &separator,
                      const QString &open, const QString &close)
{
    QStringList out;
    const QStringList pieces = M_base::GetBetween(page, start, end).split(separator);
    for (int i = 1; i < pieces.size(); ++i)
        out << M_base::GetBetween(pieces.at(i), QStringLiteral(">"), QStringLiteral("</a>")).remove(open).remove(close);
    return out;
}

} // namespace

namespace RelatedSearches {

QStringList candidates(Engine e, const QString &page)
{
    QStringList out;
    switch (e) {
    case Engine::Yahoo: {
        const QStringList pieces = page.split(QStringLiteral(",\"0\"],["));
        for (int i = 0; i < pieces.size(); ++i) {
            out << (i == 0 ? M_base::GetBetween(pieces.at(i), QStringLiteral(":[[\""), QStringLiteral("\""))
                           : M_base::GetBetween(pieces.at(i), QStringLiteral("\""), QStringLiteral("\"")));
        }
        break;
    }
    case Engine::Google:
        out = linkTexts(page, QStringLiteral(">searches related to"), QStringLiteral("</table>"),
                        QStringLiteral("><a "), QStringLiteral("<b>"), QStringLiteral("</b>"));
        break;
    case Engine::Bing:
        out = linkTexts(page, QStringLiteral("<h2>related searches</h2><ul>"), QStringLiteral("</ul>"),
                        QStringLiteral("')\""), QStringLiteral("<strong>"), QStringLiteral("</strong>"));
        break;
    }
    return out;
}

} // namespace RelatedSearches
