#include "web/M_base.h"

#include "common/PageReader.h"
#include "common/ResultList.h"

#include <QStringEncoder>

namespace M_base {

QString GetBetween(const QString &text, const QString &startMarker, const QString &endMarker)
{
    if (text.isEmpty())
        return {};
    const qsizetype start = text.indexOf(startMarker);
    if (start < 0)
        return {};
    const qsizetype from = start + startMarker.size();
    const qsizetype end = text.indexOf(endMarker, from);
    if (end < 0)
        return {};
    return text.mid(from, end - from);
}

bool IsInList(const QString &text, const ResultList &list) { return list.containsText(text); }

QString UrlEncode(const QString &text)
{
    static const char hex[] = "0123456789ABCDEF";
    QStringEncoder toAnsi("GB18030");
    QString out;
    out.reserve(text.size() * 3);
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u == '*' || u == '-'
            || u == '.' || u == '@' || u == '_') {
            out.append(c);
        } else if (u == ' ') {
            out.append(QLatin1Char('+'));
        } else {
            const QByteArray bytes = toAnsi.encode(QStringView(&c, 1));
            for (const char b : bytes) {
                const auto v = static_cast<unsigned char>(b);
                out.append(QLatin1Char('%'));
                out.append(QLatin1Char(hex[v >> 4]));
                out.append(QLatin1Char(hex[v & 0xF]));
            }
        }
    }
    return out;
}

QString GetWebHtml(PageReader *reader, const QString &address, int waitMs)
{
    if (!reader || address.isEmpty())
        return {};
    return reader->readPage(address, waitMs);
}

} // namespace M_base
