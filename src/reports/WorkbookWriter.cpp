// The .xlsx report: libxlsxwriter in its constant-memory mode, so rows stream
// to a scratch file row by row and a sheet of a million rows costs no more
// memory than one of ten.

#include "reports/ReportWriters.h"

#include "common/CheckedFile.h"
#include "common/ResultList.h"
#include "reports/ReportBlocks.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <xlsxwriter.h>

#include <cerrno>

#ifdef Q_OS_LINUX
#include <unistd.h>
#endif

namespace ReportWriters {

namespace {

// The spreadsheet format's limit for the text of one cell.
constexpr int kMaxCellCharacters = 32767;

// Shares of the progress, per row: writing the rows, and packing the
// finished sheet into the archive (one step at the end, without progress of
// its own). Measured on a million rows.
constexpr qint64 kRowShare = 1;
constexpr qint64 kPackShare = 2;

// Display width in spreadsheet character units: CJK and other wide
// characters take two.
int displayWidth(const QString &text)
{
    int width = 0;
    for (const QChar c : text)
        width += c.unicode() >= 0x1100 ? 2 : 1;
    return width;
}

// A cell's text as libxlsxwriter takes it: UTF-8 in `out`, which is reused
// from cell to cell, and ended with a zero. A sheet cell holds at most
// 32,767 characters; a longer text is cut there (counted in `cut`) rather
// than failing the whole workbook, and never inside a surrogate pair. A lone
// surrogate, which UTF-8 cannot hold, becomes U+FFFD.
const char *sheetText(const QString &text, QByteArray &out, int &cut)
{
    const qsizetype size = text.size();
    // Three bytes at most per UTF-16 unit (a pair of them takes four), and the zero.
    if (out.size() < size * 3 + 1)
        out.resize(size * 3 + 1);
    char *p = out.data();
    const char16_t *units = reinterpret_cast<const char16_t *>(text.constData());
    qsizetype characters = 0;
    qsizetype i = 0;
    for (; i < size && characters < kMaxCellCharacters; ++i, ++characters) {
        char32_t c = units[i];
        if (c < 0x80) {
            *p++ = char(c);
            continue;
        }
        if (c < 0x800) {
            *p++ = char(0xC0 | (c >> 6));
            *p++ = char(0x80 | (c & 0x3F));
            continue;
        }
        if (QChar::isHighSurrogate(c) && i + 1 < size && QChar::isLowSurrogate(units[i + 1])) {
            c = QChar::surrogateToUcs4(char16_t(c), units[++i]);
            *p++ = char(0xF0 | (c >> 18));
            *p++ = char(0x80 | ((c >> 12) & 0x3F));
            *p++ = char(0x80 | ((c >> 6) & 0x3F));
            *p++ = char(0x80 | (c & 0x3F));
            continue;
        }
        if (QChar::isSurrogate(c))
            c = QChar::ReplacementCharacter;
        *p++ = char(0xE0 | (c >> 12));
        *p++ = char(0x80 | ((c >> 6) & 0x3F));
        *p++ = char(0x80 | (c & 0x3F));
    }
    if (i < size)
        ++cut;
    *p = '\0';
    return out.constData();
}

// A count cell's value: 1 to 15 ASCII digits (the list has checked), exact
// in a double.
double countValue(const QString &text)
{
    qint64 value = 0;
    for (const QChar c : text)
        value = value * 10 + (c.unicode() - u'0');
    return double(value);
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

#ifdef Q_OS_LINUX
QSet<int> openHandles()
{
    QSet<int> out;
    for (const QString &name : QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System))
        out.insert(name.toInt());
    return out;
}

// libxlsxwriter 1.1 returns from a failed zip write (a full disk) without
// closing the temporary file of the part it was adding, and a workbook
// dropped unfinished keeps its row scratch open. Such files are already
// unlinked, in the target's folder: left open they would hold their disk
// space until the program ends. Only such handles, opened while this
// workbook was made, are closed; the library never touches them again.
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

Outcome tooLong(const ResultList &list, const QString &path, int limit)
{
    Outcome out{
        false, 0,
        QStringLiteral("%1 rows and a header do not fit a workbook sheet of %2 rows").arg(list.count()).arg(limit),
        path};
    out.tooLong = true;
    return out;
}

} // namespace

Outcome writeWorkbook(const ResultList &list, const QList<int> &kept, const QString &path, const Options &options)
{
    if (!fitsWorkbook(list.count(), options.workbookRowLimit))
        return tooLong(list, path, options.workbookRowLimit);
    const QStringList headers = list.headers();
    const int rows = list.count();
    const qint64 total = qint64(rows) * (kRowShare + kPackShare);

    // libxlsxwriter writes to a file name, and keeps its row data in
    // temporary files of its own: both go into the target's folder, so a
    // killed export leaves nothing large elsewhere and a full disk there is
    // met while writing, not when the finished workbook is moved.
    CheckedFile target(path);
    if (!target.open())
        return Blocks::fromChecked(target.result());
    const QByteArray scratchName = QFile::encodeName(target.handOver());
    QByteArray folder = QFile::encodeName(QFileInfo(target.temporaryPath()).absolutePath());

    lxw_workbook_options settings{};
    settings.constant_memory = LXW_TRUE;
    settings.tmpdir = folder.data();
#ifdef Q_OS_LINUX
    const QSet<int> handles = openHandles();
    const QString scratchFolder = QFileInfo(target.temporaryPath()).canonicalPath();
#endif
    lxw_workbook *book = workbook_new_opt(scratchName.constData(), &settings);
    if (!book)
        return {false, int(LXW_ERROR_MEMORY_MALLOC_FAILED), QStringLiteral("cannot start a workbook"), path};
    lxw_worksheet *sheet = workbook_add_worksheet(book, nullptr);
    lxw_format *headerFormat = workbook_add_format(book);
    format_set_bold(headerFormat);
    format_set_font_size(headerFormat, 12);

    int cut = 0;
    QByteArray utf8;
    // Fitted to the contents as the rows go by: the column widths are
    // written into the sheet only when it is packed.
    QVector<int> widths(kept.size());
    for (int i = 0; i < kept.size(); ++i)
        widths[i] = displayWidth(headers.value(kept.at(i))) * 6 / 5;
    lxw_error error = worksheet_set_row(sheet, 0, LXW_DEF_ROW_HEIGHT * 1.2, headerFormat);
    for (int i = 0; i < kept.size() && !error; ++i)
        error = worksheet_write_string(sheet, 0, lxw_col_t(i), sheetText(headers.value(kept.at(i)), utf8, cut),
                                       headerFormat);
    bool stopped = false;
    for (int r = 0; r < rows && !error && !stopped;) {
        const int end = std::min(rows, r + Blocks::kRows);
        for (; r < end && !error; ++r) {
            for (int i = 0; i < kept.size() && !error; ++i) {
                const int column = kept.at(i);
                const QString text = list.cell(r, column);
                widths[i] = qMax(widths.at(i), displayWidth(text));
                if (list.isCountCell(r, column))
                    error = worksheet_write_number(sheet, lxw_row_t(r + 1), lxw_col_t(i), countValue(text), nullptr);
                else if (!text.isEmpty())
                    error = worksheet_write_string(sheet, lxw_row_t(r + 1), lxw_col_t(i), sheetText(text, utf8, cut),
                                                   nullptr);
            }
        }
        stopped = !Blocks::goOn(options, qint64(r) * kRowShare, total);
    }
    for (int i = 0; i < kept.size() && !error && !stopped; ++i)
        error = worksheet_set_column(sheet, lxw_col_t(i), lxw_col_t(i), qMin(widths.at(i) + 2, 255), nullptr);
    if (stopped || error) {
        // Dropped unfinished: nothing is packed, and the scratch goes.
        lxw_workbook_free(book);
#ifdef Q_OS_LINUX
        closeLeakedScratch(handles, scratchFolder);
#endif
        return stopped ? Blocks::cancelled(path) : workbookError(error, 0, path);
    }

    // errno is the packing thread's own: read it there.
    lxw_error closed = LXW_NO_ERROR;
    int systemError = 0;
    const auto pack = [&] {
        errno = 0;
        closed = workbook_close(book);
        systemError = errno;
    };
    if (options.runAside)
        options.runAside(pack);
    else
        pack();
#ifdef Q_OS_LINUX
    if (closed)
        closeLeakedScratch(handles, scratchFolder);
#endif
    if (closed)
        return workbookError(closed, systemError, path);
    if (!endsLikeZip(target.temporaryPath()))
        return {false, int(LXW_ERROR_ZIP_CLOSE), QStringLiteral("the workbook came out incomplete"), path};
    // Asked to stop while the sheet was packed: the finished file is dropped.
    if (!Blocks::goOn(options, total, total))
        return Blocks::cancelled(path);
    if (!target.commit())
        return Blocks::fromChecked(target.result());
    Outcome done = Blocks::written(path);
    done.cutCells = cut;
    return done;
}

} // namespace ReportWriters
