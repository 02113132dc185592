#include "store/TextFiles.h"

#include "common/TextFile.h"

#include <QFile>
#include <QSaveFile>

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
    const QByteArray bytes = TextFile::encodeOwn(text);
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
    return TextFile::decodeOwn(readBytes(path, exists));
}

QStringList readLines(const QString &path, bool *exists)
{
    return splitLines(readAll(path, exists));
}

QStringList readImport(const QString &path, bool *ok)
{
    return splitLines(TextFile::decodeImport(readBytes(path, ok)));
}

} // namespace TextFiles
