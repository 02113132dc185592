#include "store/DayResults.h"

#include "common/CheckedFile.h"

#include <QFile>
#include <QUrl>
#include <zlib.h>

namespace DayResults {

namespace {

const QByteArray kHeader = QByteArrayLiteral("# site\tkeyword\tengine\tposition\thost\tlink\n");
const QString kSuffix = QStringLiteral(".results.gz");

// A field never splits a line or a column.
QByteArray field(const QString &text)
{
    QString out = text;
    for (QChar &c : out) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = u' ';
    }
    return out.toUtf8();
}

} // namespace

QString fileName(const QString &date) { return date + kSuffix; }

bool isResultsFile(const QString &fileName) { return fileName.endsWith(kSuffix, Qt::CaseInsensitive); }

QString hostOf(const QString &link)
{
    const QString trimmed = link.trimmed();
    if (trimmed.isEmpty())
        return {};
    const bool hasScheme = trimmed.contains(QStringLiteral("://"));
    const QUrl url(hasScheme ? trimmed : QStringLiteral("http://") + trimmed);
    return url.host().toLower();
}

QByteArray format(const QVector<Row> &rows)
{
    QByteArray out = kHeader;
    out.reserve(kHeader.size() + rows.size() * 120);
    for (const Row &r : rows) {
        out += field(r.site) + '\t' + field(r.keyword) + '\t' + field(r.engine) + '\t' + QByteArray::number(r.position)
            + '\t' + field(r.host) + '\t' + field(r.link) + '\n';
    }
    return out;
}

bool parse(const QByteArray &text, QVector<Row> *rows, QString *failure)
{
    QVector<Row> out;
    int lineNumber = 0;
    for (const QByteArray &raw : text.split('\n')) {
        ++lineNumber;
        const QByteArray line = raw.endsWith('\r') ? raw.chopped(1) : raw;
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QList<QByteArray> parts = line.split('\t');
        bool ok = parts.size() == 6;
        const int position = ok ? parts.at(3).toInt(&ok) : 0;
        if (!ok || position < 0) {
            if (failure)
                *failure = QStringLiteral("line %1 is not site, keyword, engine, position, host, link").arg(lineNumber);
            return false;
        }
        out.append({QString::fromUtf8(parts.at(0)), QString::fromUtf8(parts.at(1)), QString::fromUtf8(parts.at(2)),
                    position, QString::fromUtf8(parts.at(4)), QString::fromUtf8(parts.at(5))});
    }
    if (rows)
        *rows = std::move(out);
    return true;
}

QByteArray gzip(const QByteArray &data)
{
    z_stream s{};
    // 15 window bits + 16: a gzip header and trailer rather than zlib's.
    if (deflateInit2(&s, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return {};
    QByteArray out;
    out.resize(qsizetype(deflateBound(&s, uLong(data.size()))) + 32);
    s.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()));
    s.avail_in = uInt(data.size());
    s.next_out = reinterpret_cast<Bytef *>(out.data());
    s.avail_out = uInt(out.size());
    const int rc = deflate(&s, Z_FINISH);
    const qsizetype written = qsizetype(s.total_out);
    deflateEnd(&s);
    if (rc != Z_STREAM_END)
        return {};
    out.resize(written);
    return out;
}

bool gunzip(const QByteArray &data, QByteArray *out)
{
    z_stream s{};
    // 15 + 32: gzip or zlib, told apart by the header.
    if (inflateInit2(&s, 15 + 32) != Z_OK)
        return false;
    s.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()));
    s.avail_in = uInt(data.size());
    QByteArray result;
    char buffer[16384];
    int rc = Z_OK;
    while (rc == Z_OK) {
        s.next_out = reinterpret_cast<Bytef *>(buffer);
        s.avail_out = sizeof buffer;
        rc = inflate(&s, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END)
            break;
        result.append(buffer, qsizetype(sizeof buffer - s.avail_out));
        // A cut-off stream stops giving output without an end.
        if (rc == Z_OK && s.avail_in == 0 && s.avail_out != 0) {
            rc = Z_DATA_ERROR;
            break;
        }
    }
    inflateEnd(&s);
    if (rc != Z_STREAM_END)
        return false;
    if (out)
        *out = std::move(result);
    return true;
}

bool write(const QString &path, const QVector<Row> &rows, QString *failure)
{
    const QByteArray packed = gzip(format(rows));
    if (packed.isEmpty()) {
        if (failure)
            *failure = QStringLiteral("cannot compress the results");
        return false;
    }
    const CheckedFile::Result written = CheckedFile::replace(path, packed);
    if (!written && failure)
        *failure = written.reason;
    return written.ok;
}

QVector<Row> read(const QString &path, bool *exists, QString *failure)
{
    if (exists)
        *exists = false;
    QFile file(path);
    if (!file.exists())
        return {};
    if (exists)
        *exists = true;
    const auto fail = [failure](const QString &why) {
        if (failure)
            *failure = why;
        return QVector<Row>{};
    };
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString());
    QByteArray text;
    if (!gunzip(file.readAll(), &text))
        return fail(QStringLiteral("not a complete gzip file"));
    QVector<Row> rows;
    QString why;
    if (!parse(text, &rows, &why))
        return fail(why);
    return rows;
}

QVector<Row> merged(const QVector<Row> &earlier, const QVector<Row> &fresh, const QStringList &answered)
{
    QVector<Row> out;
    for (const Row &r : earlier) {
        if (!answered.contains(r.engine))
            out.append(r);
    }
    out += fresh;
    return out;
}

} // namespace DayResults
