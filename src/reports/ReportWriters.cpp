#include "reports/ReportWriters.h"

#include "common/CheckedFile.h"
#include "common/ResultList.h"
#include "reports/ReportForms.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStringEncoder>

#include <xlsxwriter.h>

#include <cerrno>

#ifdef Q_OS_LINUX
#include <unistd.h>
#endif

namespace ReportWriters {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
// The spreadsheet format's limit for the text of one cell.
constexpr int kMaxCellCharacters = 32767;

QByteArray ansi(const QString &text)
{
    QStringEncoder encoder("GB18030");
    return encoder.encode(text);
}

QString escaped(const QString &text) { return text.toHtmlEscaped(); }

// Display width in spreadsheet character units: CJK and other wide
// characters take two.
int displayWidth(const QString &text)
{
    int width = 0;
    for (const QChar c : text)
        width += c.unicode() >= 0x1100 ? 2 : 1;
    return width;
}

// A cell's text as libxlsxwriter takes it. A sheet cell holds at most
// 32,767 characters; a longer text is cut there (counted in `cut`) rather
// than failing the whole workbook, and never inside a surrogate pair.
QByteArray sheetText(const QString &text, int &cut)
{
    if (text.size() <= kMaxCellCharacters)
        return text.toUtf8();
    qsizetype characters = 0;
    qsizetype units = 0;
    while (units < text.size() && characters < kMaxCellCharacters) {
        units += text.at(units).isHighSurrogate() && units + 1 < text.size() ? 2 : 1;
        ++characters;
    }
    if (units < text.size())
        ++cut;
    return text.left(units).toUtf8();
}

// The library's own text names only its step; the system's reason (a full
// disk, say) is what the user can act on.
Outcome workbookError(lxw_error error, int systemError, const QString &path)
{
    QString reason = QString::fromUtf8(lxw_strerror(error));
    if (systemError != 0)
        reason = qt_error_string(systemError) + QStringLiteral(" (") + reason + u')';
    return {false, int(error), reason, path};
}

Outcome fromChecked(const CheckedFile::Result &result) { return {result.ok, result.code, result.reason, result.path}; }

#ifdef Q_OS_LINUX
QSet<int> openHandles()
{
    QSet<int> out;
    for (const QString &name : QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System))
        out.insert(name.toInt());
    return out;
}

// libxlsxwriter 1.1 returns from a failed zip write (a full disk) without
// closing the temporary file of the part it was adding. That file is already
// unlinked, in the target's folder: left open it would hold its disk space
// until the program ends. Only such handles, opened while this workbook was
// made, are closed; the library never touches them again.
void closeLeakedScratch(const QSet<int> &before, const QString &folder)
{
    for (const int fd : openHandles() - before) {
        const QString target = QFileInfo(QStringLiteral("/proc/self/fd/%1").arg(fd)).symLinkTarget();
        if (target.startsWith(folder + u'/') && target.endsWith(QStringLiteral(" (deleted)")))
            ::close(fd);
    }
}
#endif

// A finished .xlsx is a zip archive ending in its end-of-central-directory
// record (the library writes no archive comment): anything else is a
// workbook the library could not finish, whatever it answered.
bool endsLikeZip(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() < 22 || !file.seek(file.size() - 22))
        return false;
    return file.read(4) == QByteArray("PK\x05\x06", 4);
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
        + QStringLiteral(" /><body>") + QStringLiteral("<table width='100%' border='0' style='font-size:12px'>")
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
    static const QString formulaStart = QStringLiteral("=+-@\t\r");
    static const QString special = QStringLiteral(",\"\r\n");
    QString field = text;
    // Values come from web pages: "=HYPERLINK(...)" in a cell must stay text.
    if (!field.isEmpty() && formulaStart.contains(field.front()) && field != u"-")
        field.prepend(QLatin1Char('\''));
    bool quote = false;
    for (const QChar c : field) {
        if (special.contains(c)) {
            quote = true;
            break;
        }
    }
    if (!quote)
        return field;
    field.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + field + QLatin1Char('"');
}

QByteArray csvReport(const ResultList &list, const QList<int> &kept)
{
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
    return fromChecked(CheckedFile::replace(path, bytes));
}

Outcome writeWorkbook(const ResultList &list, const QList<int> &kept, const QString &path)
{
    const QStringList headers = list.headers();

    // libxlsxwriter writes to a file name, and keeps its row data in
    // temporary files of its own: both go into the target's folder, so a
    // killed export leaves nothing large elsewhere and a full disk there is
    // met while writing, not when the finished workbook is moved.
    CheckedFile target(path);
    if (!target.open())
        return fromChecked(target.result());
    const QByteArray scratchName = QFile::encodeName(target.handOver());
    QByteArray folder = QFile::encodeName(QFileInfo(target.temporaryPath()).absolutePath());

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
    options.tmpdir = folder.data();
#ifdef Q_OS_LINUX
    const QSet<int> handles = openHandles();
#endif
    lxw_workbook *book = workbook_new_opt(scratchName.constData(), &options);
    if (!book)
        return {false, int(LXW_ERROR_MEMORY_MALLOC_FAILED), QStringLiteral("cannot start a workbook"), path};
    lxw_worksheet *sheet = workbook_add_worksheet(book, nullptr);
    lxw_format *headerFormat = workbook_add_format(book);
    format_set_bold(headerFormat);
    format_set_font_size(headerFormat, 12);

    int cut = 0;
    lxw_error error = LXW_NO_ERROR;
    for (int i = 0; i < kept.size() && !error; ++i)
        error = worksheet_set_column(sheet, lxw_col_t(i), lxw_col_t(i), widths.at(i), nullptr);
    if (!error)
        error = worksheet_set_row(sheet, 0, LXW_DEF_ROW_HEIGHT * 1.2, headerFormat);
    for (int i = 0; i < kept.size() && !error; ++i)
        error = worksheet_write_string(sheet, 0, lxw_col_t(i), sheetText(headers.value(kept.at(i)), cut).constData(),
                                       headerFormat);
    for (int r = 0; r < list.count() && !error; ++r) {
        for (int i = 0; i < kept.size() && !error; ++i) {
            const QString text = list.cell(r, kept.at(i));
            if (list.isCountCell(r, kept.at(i)))
                error = worksheet_write_number(sheet, lxw_row_t(r + 1), lxw_col_t(i), text.toDouble(), nullptr);
            else if (!text.isEmpty())
                error = worksheet_write_string(sheet, lxw_row_t(r + 1), lxw_col_t(i), sheetText(text, cut).constData(),
                                               nullptr);
        }
    }
    errno = 0;
    const lxw_error closed = workbook_close(book);
    const int systemError = errno;
#ifdef Q_OS_LINUX
    if (closed)
        closeLeakedScratch(handles, QFileInfo(target.temporaryPath()).canonicalPath());
#endif
    if (error)
        return workbookError(error, 0, path);
    if (closed)
        return workbookError(closed, systemError, path);
    if (!endsLikeZip(target.temporaryPath()))
        return {false, int(LXW_ERROR_ZIP_CLOSE), QStringLiteral("the workbook came out incomplete"), path};
    if (!target.commit())
        return fromChecked(target.result());
    Outcome done;
    done.path = path;
    done.cutCells = cut;
    return done;
}

Outcome write(const ResultList &list, const QList<int> &columns, ReportKind kind, ReportFormat format,
              const QString &path)
{
    switch (format) {
    case ReportFormat::Text: return saveFile(path, textReport(list, kind));
    case ReportFormat::Html: return saveFile(path, htmlReport(list, kind));
    case ReportFormat::Csv: return saveFile(path, csvReport(list, columns));
    case ReportFormat::Workbook: break;
    }
    return writeWorkbook(list, columns, path);
}

} // namespace ReportWriters
