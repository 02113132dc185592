#include "reports/ReportWriters.h"

#include "common/ResultList.h"
#include "reports/ReportForms.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStringEncoder>
#include <QTemporaryFile>

#include <xlsxwriter.h>

namespace ReportWriters {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QByteArray ansi(const QString &text)
{
    QStringEncoder encoder("GB18030");
    return encoder.encode(text);
}

QString escaped(const QString &text)
{
    return text.toHtmlEscaped();
}

// Display width in spreadsheet character units: CJK and other wide
// characters take two.
int displayWidth(const QString &text)
{
    int width = 0;
    for (const QChar c : text)
        width += c.unicode() >= 0x1100 ? 2 : 1;
    return width;
}

// A cell's text as libxlsxwriter takes it; a cell longer than a sheet cell
// may hold is cut, rather than failing the whole workbook.
QByteArray sheetText(const QString &text)
{
    constexpr int kMaxCell = 32767;
    return (text.size() > kMaxCell ? text.left(kMaxCell) : text).toUtf8();
}

Outcome workbookError(lxw_error error)
{
    return {false, int(error), QString::fromUtf8(lxw_strerror(error))};
}

} // namespace

QByteArray textReport(const ResultList &list, ReportKind kind)
{
    const QString fiveBlanks(5, QLatin1Char(' '));
    QString text = ReportForms::textWarning() + kCrLf + kCrLf + ReportForms::textHeader(kind, list.headers());
    text.reserve(text.size() + list.count() * 64);
    const int columns = list.columnCount();
    for (int r = 0; r < list.count(); ++r) {
        text += kCrLf;
        text += list.cell(r, 0);
        text += QLatin1String("    ");
        for (int c = 1; c < columns; ++c) {
            text += list.cell(r, c);
            text += fiveBlanks;
        }
        text += list.row(r).tag;
    }
    text += kCrLf;
    return ansi(text);
}

QByteArray htmlReport(const ResultList &list, ReportKind kind)
{
    const QChar q = QLatin1Char('"');
    QString html = QStringLiteral("<html><title>") + escaped(ReportForms::title(kind))
                   + QStringLiteral("</title><meta http-equiv=") + q + QStringLiteral("Content-Type") + q
                   + QStringLiteral(" content=") + q + QStringLiteral("text/html; charset=gb2312") + q
                   + QStringLiteral(" /><body>")
                   + QStringLiteral("<table width='100%' border='0' style='font-size:12px'>")
                   + QStringLiteral("<tr align=center style='font-weight:bold'>");
    for (const ReportForms::HeaderCell &cell : ReportForms::htmlHeader(kind, list.headers())) {
        html += QStringLiteral("<td width='%1%'").arg(cell.widthPercent);
        if (cell.tall)
            html += QStringLiteral(" height='25'");
        html += QLatin1Char('>') + escaped(cell.label) + QStringLiteral("</td>");
    }
    html += QStringLiteral("</tr>");

    html.reserve(html.size() + list.count() * 96);
    const int columns = list.columnCount();
    for (int r = 0; r < list.count(); ++r) {
        html += QStringLiteral("<tr align='center'>");
        for (int c = 0; c < columns; ++c) {
            html += QStringLiteral("<td>");
            html += escaped(list.cell(r, c));
            html += QStringLiteral("</td>");
        }
        html += QStringLiteral("</tr>");
    }
    html += QStringLiteral("</table></body></html>") + kCrLf;
    return ansi(html);
}

QString csvField(const QString &text)
{
    static const QString special = QStringLiteral(",\"\r\n");
    bool quote = false;
    for (const QChar c : text) {
        if (special.contains(c)) {
            quote = true;
            break;
        }
    }
    if (!quote)
        return text;
    QString field = text;
    field.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + field + QLatin1Char('"');
}

QByteArray csvReport(const ResultList &list)
{
    const QList<int> kept = list.keptColumns();
    QString text;
    text.reserve(list.count() * 64);
    const auto line = [&](const auto &cellAt) {
        for (int i = 0; i < kept.size(); ++i) {
            if (i > 0)
                text += QLatin1Char(',');
            text += csvField(cellAt(kept.at(i)));
        }
        text += kCrLf;
    };
    const QStringList headers = list.headers();
    line([&](int c) { return headers.value(c); });
    for (int r = 0; r < list.count(); ++r)
        line([&](int c) { return list.cell(r, c); });
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

Outcome saveFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {false, int(file.error()), file.errorString()};
    if (file.write(bytes) != bytes.size()) {
        const Outcome failed{false, int(file.error()), file.errorString()};
        file.cancelWriting();
        return failed;
    }
    if (!file.commit())
        return {false, int(file.error()), file.errorString()};
    return {};
}

Outcome writeWorkbook(const ResultList &list, const QString &path)
{
    const QList<int> kept = list.keptColumns();
    const QStringList headers = list.headers();

    // libxlsxwriter writes to a name of its own choosing; the finished
    // workbook then goes to its place like every other report.
    QTemporaryFile scratch(QDir::temp().filePath(QStringLiteral("veltrana-XXXXXX.xlsx")));
    if (!scratch.open())
        return {false, int(scratch.error()), scratch.errorString()};
    const QByteArray scratchName = QFile::encodeName(scratch.fileName());
    scratch.close();

    // Widths first: rows stream out in order and are gone once written.
    QVector<int> widths(kept.size());
    for (int i = 0; i < kept.size(); ++i) {
        int width = displayWidth(headers.value(kept.at(i))) * 6 / 5;
        for (int r = 0; r < list.count(); ++r)
            width = qMax(width, displayWidth(list.cell(r, kept.at(i))));
        widths[i] = qMin(width + 2, 255);
    }

    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook *book = workbook_new_opt(scratchName.constData(), &options);
    if (!book)
        return {false, int(LXW_ERROR_MEMORY_MALLOC_FAILED), QStringLiteral("cannot start a workbook")};
    lxw_worksheet *sheet = workbook_add_worksheet(book, nullptr);
    lxw_format *headerFormat = workbook_add_format(book);
    format_set_bold(headerFormat);
    format_set_font_size(headerFormat, 12);

    lxw_error error = LXW_NO_ERROR;
    for (int i = 0; i < kept.size() && !error; ++i)
        error = worksheet_set_column(sheet, lxw_col_t(i), lxw_col_t(i), widths.at(i), nullptr);
    if (!error)
        error = worksheet_set_row(sheet, 0, LXW_DEF_ROW_HEIGHT * 1.2, headerFormat);
    for (int i = 0; i < kept.size() && !error; ++i)
        error = worksheet_write_string(sheet, 0, lxw_col_t(i), sheetText(headers.value(kept.at(i))).constData(),
                                       headerFormat);
    for (int r = 0; r < list.count() && !error; ++r) {
        for (int i = 0; i < kept.size() && !error; ++i) {
            const QString text = list.cell(r, kept.at(i));
            if (!text.isEmpty())
                error = worksheet_write_string(sheet, lxw_row_t(r + 1), lxw_col_t(i), sheetText(text).constData(),
                                               nullptr);
        }
    }
    const lxw_error closed = workbook_close(book);
    if (error)
        return workbookError(error);
    if (closed)
        return workbookError(closed);

    QFile done(scratch.fileName());
    if (!done.open(QIODevice::ReadOnly))
        return {false, int(done.error()), done.errorString()};
    const QByteArray bytes = done.readAll();
    done.close();
    return saveFile(path, bytes);
}

Outcome write(const ResultList &list, ReportKind kind, ReportFormat format, const QString &path)
{
    switch (format) {
    case ReportFormat::Text: return saveFile(path, textReport(list, kind));
    case ReportFormat::Html: return saveFile(path, htmlReport(list, kind));
    case ReportFormat::Csv: return saveFile(path, csvReport(list));
    case ReportFormat::Workbook: break;
    }
    return writeWorkbook(list, path);
}

} // namespace ReportWriters
