#include "engines/RelatedSearches.h"

#include "web/M_base.h"

namespace {

QString stripTags(QString text, const QString &open, const QString &close)
{
    return text.remove(open).remove(close);
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
    case Engine::Google: {
        const QString region =
            M_base::GetBetween(page, QStringLiteral(">searches related to"), QStringLiteral("</table>"));
        const QStringList pieces = region.split(QStringLiteral("><a "));
        for (int i = 1; i < pieces.size(); ++i)
            out << stripTags(M_base::GetBetween(pieces.at(i), QStringLiteral(">"), QStringLiteral("</a>")),
                             QStringLiteral("<b>"), QStringLiteral("</b>"));
        break;
    }
    case Engine::Bing: {
        const QString region =
            M_base::GetBetween(page, QStringLiteral("<h2>related searches</h2><ul>"), QStringLiteral("</ul>"));
        const QStringList pieces = region.split(QStringLiteral("')\""));
        for (int i = 1; i < pieces.size(); ++i)
            out << stripTags(M_base::GetBetween(pieces.at(i), QStringLiteral(">"), QStringLiteral("</a>")),
                             QStringLiteral("<strong>"), QStringLiteral("</strong>"));
        break;
    }
    }
    return out;
}

} // namespace RelatedSearches
