#include "engines/cKeyrank.h"

namespace {
void appendByte(QString &out, unsigned value)
{
    static const char hex[] = "0123456789ABCDEF";
    out.append(QLatin1Char('%'));
    out.append(QLatin1Char(hex[(value >> 4) & 0xF]));
    out.append(QLatin1Char(hex[value & 0xF]));
}
} // namespace

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
