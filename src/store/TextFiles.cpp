#include "store/TextFiles.h"

#include "common/CheckedFile.h"
#include "common/TextFile.h"

#include <QFile>

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

bool writeLines(const QString &path, const QStringList &lines, QString *failure)
{
    QString text;
    for (const QString &line : lines)
        text += line + QStringLiteral("\r\n");
    const CheckedFile::Result written = CheckedFile::replace(path, TextFile::encodeOwn(text));
    if (!written && failure)
        *failure = written.reason;
    return written.ok;
}

QString readAll(const QString &path, bool *exists) { return TextFile::decodeOwn(readBytes(path, exists)); }

QStringList readLines(const QString &path, bool *exists) { return splitLines(readAll(path, exists)); }

QStringList readImport(const QString &path, bool *ok)
{
    return splitLines(TextFile::decodeImport(readBytes(path, ok)));
}

} // namespace TextFiles
