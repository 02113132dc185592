#include "store/TextFiles.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace TextFiles {

namespace {

QStringList splitLines(const QString &text)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString &line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    // The text after the last line end is no line when it is empty.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QByteArray readBytes(const QString &path, bool *ok)
{
    QFile file(path);
    const bool opened = file.open(QIODevice::ReadOnly);
    if (ok)
        *ok = opened;
    return opened ? file.readAll() : QByteArray();
}

} // namespace

bool writeLines(const QString &path, const QStringList &lines)
{
    QString text;
    for (const QString &line : lines)
        text += line + QStringLiteral("\r\n");
    QStringEncoder encoder("GB18030");
    const QByteArray bytes = encoder.encode(text);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

QString readAll(const QString &path, bool *exists)
{
    const QByteArray bytes = readBytes(path, exists);
    QStringDecoder decoder("GB18030");
    return decoder.decode(bytes);
}

QStringList readLines(const QString &path, bool *exists)
{
    return splitLines(readAll(path, exists));
}

QString decodeGuessing(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError()) {
        if (text.startsWith(QChar(0xFEFF)))
            text.remove(0, 1);
        return text;
    }
    QStringDecoder gb("GB18030");
    return gb.decode(bytes);
}

QStringList readImport(const QString &path, bool *ok)
{
    return splitLines(decodeGuessing(readBytes(path, ok)));
}

} // namespace TextFiles
