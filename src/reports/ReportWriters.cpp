#include "reports/ReportWriters.h"

#include "common/CheckedFile.h"
#include "common/ResultList.h"
#include "reports/ReportBlocks.h"
#include "reports/ReportForms.h"

#include <QStringEncoder>

#include <algorithm>

namespace ReportWriters {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// Where the encoded blocks go: a file being written, or memory. False when
// the block could not be kept (the file's write failed).
using Sink = std::function<bool(const QByteArray &)>;
using Encode = std::function<QByteArray(const QString &)>;

enum class Streamed { Done, Failed, Cancelled };

Encode ansi()
{
    auto encoder = std::make_shared<QStringEncoder>("GB18030");
    return [encoder](const QString &text) { return encoder->encode(text); };
}

Encode utf8()
{
    return [](const QString &text) { return text.toUtf8(); };
}

// `head`, then every row as `appendRow` writes it, then `tail`: encoded and
// handed to `sink` one block of rows at a time, the progress told after each.
template <typename AppendRow>
Streamed stream(int rows, const QString &head, AppendRow appendRow, const QString &tail, const Encode &encode,
                const Sink &sink, const Options &options)
{
    QString block = head;
    int r = 0;
    do {
        const int end = std::min(rows, r + Blocks::kRows);
        for (; r < end; ++r)
            appendRow(block, r);
        if (r == rows)
            block += tail;
        if (!sink(encode(block)))
            return Streamed::Failed;
        // Emptied, not freed: the next block reuses the memory.
        block.resize(0);
        if (!Blocks::goOn(options, r, rows))
            return Streamed::Cancelled;
    } while (r < rows);
    return Streamed::Done;
}

template <typename Produce> Outcome toFile(const QString &path, Produce produce)
{
    CheckedFile file(path);
    if (!file.open())
        return Blocks::fromChecked(file.result());
    const Streamed streamed = produce([&file](const QByteArray &bytes) { return file.write(bytes); });
    if (streamed == Streamed::Cancelled) {
        file.cancel();
        return Blocks::cancelled(path);
    }
    if (streamed == Streamed::Failed || !file.commit())
        return Blocks::fromChecked(file.result());
    return Blocks::written(path);
}

template <typename Produce> QByteArray toMemory(Produce produce)
{
    QByteArray out;
    produce([&out](const QByteArray &bytes) {
        out += bytes;
        return true;
    });
    return out;
}

void appendEscaped(QString &out, const QString &text)
{
    const QStringView view(text);
    qsizetype plain = 0;
    for (qsizetype i = 0; i < view.size(); ++i) {
        QLatin1String entity;
        switch (view.at(i).unicode()) {
        case u'<': entity = QLatin1String("&lt;"); break;
        case u'>': entity = QLatin1String("&gt;"); break;
        case u'&': entity = QLatin1String("&amp;"); break;
        case u'"': entity = QLatin1String("&quot;"); break;
        default: continue;
        }
        out += view.mid(plain, i - plain);
        out += entity;
        plain = i + 1;
    }
    out += view.mid(plain);
}

bool startsFormula(QChar c)
{
    switch (c.unicode()) {
    case u'=':
    case u'+':
    case u'-':
    case u'@':
    case u'\t':
    case u'\r': return true;
    default: return false;
    }
}

bool needsQuotes(QStringView text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) {
        const char16_t u = c.unicode();
        return u == u',' || u == u'"' || u == u'\r' || u == u'\n';
    });
}

void appendCsvField(QString &out, const QString &text)
{
    // Values come from web pages: "=HYPERLINK(...)" in a cell must stay text.
    const bool guard = !text.isEmpty() && startsFormula(text.front()) && text != u"-";
    if (!needsQuotes(text)) {
        if (guard)
            out += QLatin1Char('\'');
        out += text;
        return;
    }
    out += QLatin1Char('"');
    if (guard)
        out += QLatin1Char('\'');
    const QStringView view(text);
    qsizetype plain = 0;
    for (qsizetype i = view.indexOf(u'"'); i >= 0; i = view.indexOf(u'"', i + 1)) {
        out += view.mid(plain, i + 1 - plain);
        out += QLatin1Char('"');
        plain = i + 1;
    }
    out += view.mid(plain);
    out += QLatin1Char('"');
}

Streamed textStream(const ResultList &list, ReportKind kind, const Sink &sink, const Options &options)
{
    const QString head = ReportForms::textWarning() + kCrLf + kCrLf + ReportForms::textHeader(kind, list.headers());
    const QLatin1String fourBlanks("    ");
    const QLatin1String fiveBlanks("     ");
    const int columns = list.columnCount();
    const auto row = [&](QString &out, int r) {
        out += kCrLf;
        out += list.cell(r, 0);
        out += fourBlanks;
        for (int c = 1; c < columns; ++c) {
            out += list.cell(r, c);
            out += fiveBlanks;
        }
        // Through the model's role: no copy of the whole row for its tag.
        out += list.data(list.index(r, 0), ResultList::TagRole).toString();
    };
    return stream(list.count(), head, row, kCrLf, ansi(), sink, options);
}

Streamed htmlStream(const ResultList &list, ReportKind kind, const Sink &sink, const Options &options)
{
    const QChar q = QLatin1Char('"');
    QString head;
    head += QStringLiteral("<html><title>");
    appendEscaped(head, ReportForms::title(kind));
    head += QStringLiteral("</title><meta http-equiv=") + q + QStringLiteral("Content-Type") + q
        + QStringLiteral(" content=") + q + QStringLiteral("text/html; charset=gb2312") + q
        + QStringLiteral(" /><body>") + QStringLiteral("<table width='100%' border='0' style='font-size:12px'>")
        + QStringLiteral("<tr align=center style='font-weight:bold'>");
    for (const ReportForms::HeaderCell &cell : ReportForms::htmlHeader(kind, list.headers())) {
        head += QStringLiteral("<td width='%1%'").arg(cell.widthPercent);
        if (cell.tall)
            head += QStringLiteral(" height='25'");
        head += QLatin1Char('>');
        appendEscaped(head, cell.label);
        head += QStringLiteral("</td>");
    }
    head += QStringLiteral("</tr>");

    const int columns = list.columnCount();
    const auto row = [&](QString &out, int r) {
        out += QLatin1String("<tr align='center'>");
        for (int c = 0; c < columns; ++c) {
            out += QLatin1String("<td>");
            appendEscaped(out, list.cell(r, c));
            out += QLatin1String("</td>");
        }
        out += QLatin1String("</tr>");
    };
    return stream(list.count(), head, row, QStringLiteral("</table></body></html>") + kCrLf, ansi(), sink, options);
}

Streamed csvStream(const ResultList &list, const QList<int> &kept, const Sink &sink, const Options &options)
{
    const auto line = [&](QString &out, const auto &cellAt) {
        for (int i = 0; i < kept.size(); ++i) {
            if (i > 0)
                out += QLatin1Char(',');
            appendCsvField(out, cellAt(kept.at(i)));
        }
        out += kCrLf;
    };
    const QStringList headers = list.headers();
    // The byte-order mark tells spreadsheets the file is UTF-8.
    QString head(1, QChar(0xFEFF));
    line(head, [&](int c) { return headers.value(c); });
    const auto row = [&](QString &out, int r) { line(out, [&](int c) { return list.cell(r, c); }); };
    return stream(list.count(), head, row, QString(), utf8(), sink, options);
}

} // namespace

QByteArray textReport(const ResultList &list, ReportKind kind)
{
    return toMemory([&](const Sink &sink) { return textStream(list, kind, sink, {}); });
}

QByteArray htmlReport(const ResultList &list, ReportKind kind)
{
    return toMemory([&](const Sink &sink) { return htmlStream(list, kind, sink, {}); });
}

QString csvField(const QString &text)
{
    QString out;
    appendCsvField(out, text);
    return out;
}

QByteArray csvReport(const ResultList &list, const QList<int> &kept)
{
    return toMemory([&](const Sink &sink) { return csvStream(list, kept, sink, {}); });
}

Outcome saveFile(const QString &path, const QByteArray &bytes)
{
    return Blocks::fromChecked(CheckedFile::replace(path, bytes));
}

Outcome write(const ResultList &list, const QList<int> &columns, ReportKind kind, ReportFormat format,
              const QString &path, const Options &options)
{
    switch (format) {
    case ReportFormat::Text:
        return toFile(path, [&](const Sink &sink) { return textStream(list, kind, sink, options); });
    case ReportFormat::Html:
        return toFile(path, [&](const Sink &sink) { return htmlStream(list, kind, sink, options); });
    case ReportFormat::Csv:
        return toFile(path, [&](const Sink &sink) { return csvStream(list, columns, sink, options); });
    case ReportFormat::Workbook: break;
    }
    return writeWorkbook(list, columns, path, options);
}

} // namespace ReportWriters
