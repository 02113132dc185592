#include "common/TextFile.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace TextFile {

namespace {

const QByteArray kUtf8Mark("\xEF\xBB\xBF");

QString gb18030(const QByteArray &bytes)
{
    QStringDecoder gb("GB18030");
    return gb.decode(bytes);
}

// Valid UTF-8 holding at least one sequence of three bytes or more.
bool looksLikeUtf8(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (utf8.hasError())
        return false;
    for (const QChar c : text) {
        if (c.unicode() >= 0x800)
            return true;
    }
    return false;
}

} // namespace

QString decodeOwn(const QByteArray &bytes)
{
    if (bytes.startsWith(kUtf8Mark))
        return QString::fromUtf8(bytes.mid(kUtf8Mark.size()));
    return gb18030(bytes);
}

QString decodeImport(const QByteArray &bytes, bool *valid)
{
    // `unit`: the bytes of one code unit. A byte left over at the end is a
    // sequence cut short, which the decoder holds for more input unsaid.
    const auto decode = [&](QStringDecoder &&decoder, QByteArrayView body, int unit = 1) {
        const QString text = decoder.decode(body);
        if (valid)
            *valid = !decoder.hasError() && body.size() % unit == 0;
        return text;
    };
    if (bytes.startsWith(kUtf8Mark))
        return decode(QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless),
                      QByteArrayView(bytes).sliced(kUtf8Mark.size()));
    if (bytes.startsWith("\xFF\xFE"))
        return decode(QStringDecoder(QStringDecoder::Utf16LE), QByteArrayView(bytes).sliced(2), 2);
    if (bytes.startsWith("\xFE\xFF"))
        return decode(QStringDecoder(QStringDecoder::Utf16BE), QByteArrayView(bytes).sliced(2), 2);
    if (looksLikeUtf8(bytes))
        return decode(QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless), bytes);
    return decode(QStringDecoder("GB18030", QStringDecoder::Flag::Stateless), bytes);
}

QByteArray encodeOwn(const QString &text)
{
    QString crlf = text;
    crlf.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    crlf.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    QStringEncoder gb("GB18030");
    return gb.encode(crlf);
}

} // namespace TextFile
