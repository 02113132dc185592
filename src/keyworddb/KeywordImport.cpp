#include "keyworddb/KeywordImport.h"

#include "common/DelimitedText.h"
#include "common/KeywordText.h"
#include "common/TextFile.h"

#include <QFile>
#include <algorithm>

namespace KeywordImport {

namespace {

// How many lines may stand above a planner's header row: its title lines.
constexpr int kTitleLinesAtMost = 4;

const QString kKeywordHeader = QStringLiteral("Keyword");
const QString kVolumeHeader = QStringLiteral("Avg. monthly searches");

using Row = DelimitedText::Row;

bool isBlank(const Row &row)
{
    for (const QString &f : row.fields) {
        if (!KeywordText::trimSpaces(f).isEmpty())
            return false;
    }
    return true;
}

// A header line's cells, split at `separator`, each without its quotes.
QStringList headerCells(const QString &line, QChar separator)
{
    QVector<Row> rows;
    int badLine = 0;
    if (!DelimitedText::splitRows(line, separator, 1, rows, badLine) || rows.isEmpty())
        return {};
    QStringList cells = rows.first().fields;
    for (QString &c : cells)
        c = c.trimmed();
    return cells;
}

QChar separatorOf(const QString &line) { return line.contains(u'\t') ? QChar(u'\t') : QChar(u','); }

// The report writer puts an apostrophe before a cell that a spreadsheet
// would take for a formula ("=", "+", "-", "@", a tab or a CR first), but
// never before a lone "-": take it off again.
QString unguarded(const QString &cell)
{
    static const QString formulaStart = QStringLiteral("=+-@\t\r");
    if (cell.size() >= 2 && cell.front() == u'\'' && formulaStart.contains(cell.at(1)))
        return cell.mid(1);
    return cell;
}

Parsed fail(Parsed parsed, Problem problem, int line)
{
    parsed.problem = problem;
    parsed.line = line;
    parsed.records.clear();
    return parsed;
}

Parsed finish(Parsed parsed)
{
    if (parsed.records.isEmpty())
        return fail(parsed, Problem::NoKeywords, 0);
    return parsed;
}

Parsed readPlanner(const QStringList &lines, int headerIndex, const QStringList &header, QChar separator)
{
    Parsed parsed;
    parsed.kind = Kind::PlannerExport;
    if (!header.contains(kVolumeHeader, Qt::CaseInsensitive))
        return fail(parsed, Problem::NoVolumeColumn, headerIndex + 1);
    // The table has no column for a search volume: only the keyword is kept.
    QVector<Row> rows;
    int badLine = 0;
    if (!DelimitedText::splitRows(lines.mid(headerIndex + 1).join(u'\n'), separator, headerIndex + 2, rows, badLine))
        return fail(parsed, Problem::OpenQuote, badLine);
    for (const Row &row : std::as_const(rows)) {
        if (isBlank(row))
            continue;
        if (row.fields.size() > header.size())
            return fail(parsed, Problem::ExtraFields, row.line);
        const QString keyword = KeywordText::trimSpaces(row.fields.first());
        if (keyword.isEmpty()) {
            ++parsed.rowsWithoutKeyword;
            continue;
        }
        KeywordStore::Record record;
        record.keys = keyword;
        parsed.records.append(record);
    }
    return finish(parsed);
}

Parsed readOwnReport(const QString &text)
{
    Parsed parsed;
    parsed.kind = Kind::OwnExport;
    QVector<Row> rows;
    int badLine = 0;
    if (!DelimitedText::splitRows(text, u',', 1, rows, badLine))
        return fail(parsed, Problem::OpenQuote, badLine);
    const QStringList header = rows.first().fields;
    // Where each of the table's columns stands in the report (-1: left out).
    const QStringList captions = KeywordStore::columnCaptions();
    QVector<int> at(captions.size(), -1);
    for (int c = 0; c < header.size(); ++c) {
        const int column = captions.indexOf(header.at(c).trimmed());
        if (column >= 0 && at[column] < 0)
            at[column] = c;
    }
    const auto cell = [&at](const Row &row, int column) {
        return at[column] < 0 ? QString() : unguarded(row.fields.at(at[column]));
    };
    for (qsizetype r = 1; r < rows.size(); ++r) {
        const Row &row = rows.at(r);
        if (isBlank(row))
            continue;
        if (row.fields.size() > header.size())
            return fail(parsed, Problem::ExtraFields, row.line);
        if (row.fields.size() < header.size())
            return fail(parsed, Problem::MissingFields, row.line);
        KeywordStore::Record record;
        record.keys = KeywordText::trimSpaces(cell(row, 0));
        if (record.keys.isEmpty()) {
            ++parsed.rowsWithoutKeyword;
            continue;
        }
        record.parentkeys = cell(row, 1);
        KeywordStore::Counts counts;
        const auto countAt = [&](int column, QString &into) {
            if (at[column] >= 0)
                into = cell(row, column);
        };
        countAt(2, counts.google);
        countAt(3, counts.yahoo);
        countAt(4, counts.bing);
        record.counts = counts;
        record.adddate = cell(row, 5);
        if (!record.adddate.isEmpty() && !QDate::fromString(record.adddate, QStringLiteral("yyyy-MM-dd")).isValid())
            return fail(parsed, Problem::BadDate, row.line);
        parsed.records.append(record);
    }
    return finish(parsed);
}

Parsed readList(const QStringList &lines)
{
    Parsed parsed;
    parsed.kind = Kind::PlainList;
    for (const QString &line : lines) {
        const QString keyword = KeywordText::trimSpaces(line);
        if (keyword.isEmpty())
            continue;
        KeywordStore::Record record;
        record.keys = keyword;
        parsed.records.append(record);
    }
    return finish(parsed);
}

} // namespace

Parsed parse(const QByteArray &bytes)
{
    bool valid = true;
    const QString text = TextFile::decodeImport(bytes, &valid);
    if (!valid || text.contains(QChar(0)))
        return fail(Parsed{}, Problem::NotText, 0);
    QStringList lines = text.split(u'\n');
    for (QString &line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
    }

    for (int i = 0; i < lines.size() && i <= kTitleLinesAtMost; ++i) {
        const QChar separator = separatorOf(lines.at(i));
        const QStringList cells = headerCells(lines.at(i), separator);
        if (cells.size() > 1 && cells.first() == kKeywordHeader)
            return readPlanner(lines, i, cells, separator);
    }
    const QStringList first = headerCells(lines.first(), u',');
    if (first.size() > 1 && first.first() == KeywordStore::columnCaptions().first())
        return readOwnReport(text);
    return readList(lines);
}

QString kindText(Kind kind)
{
    switch (kind) {
    case Kind::PlannerExport: return QStringLiteral("keyword planner export");
    case Kind::OwnExport: return QStringLiteral("keyword table CSV report");
    case Kind::PlainList: break;
    }
    return QStringLiteral("keyword list");
}

QString problemText(const Parsed &parsed)
{
    QString text;
    switch (parsed.problem) {
    case Problem::None: return {};
    case Problem::NotText:
        text = QStringLiteral("not a text file: bytes that are no UTF-8, UTF-16 or GB18030 text, or NUL bytes");
        break;
    case Problem::NoKeywords: text = QStringLiteral("the file holds no keywords"); break;
    case Problem::NoVolumeColumn:
        text = QStringLiteral("the header row starts with \"Keyword\" but has no \"Avg. monthly searches\" column");
        break;
    case Problem::OpenQuote: text = QStringLiteral("a quoted field is never closed"); break;
    case Problem::ExtraFields: text = QStringLiteral("more fields than the header row has"); break;
    case Problem::MissingFields: text = QStringLiteral("fewer fields than the header row has"); break;
    case Problem::BadDate: text = QStringLiteral("the date is not written as yyyy-MM-dd"); break;
    }
    return parsed.line > 0 ? QStringLiteral("line %1: %2").arg(parsed.line).arg(text) : text;
}

QString problemMessage(const Parsed &parsed)
{
    QString text;
    switch (parsed.problem) {
    case Problem::None: return {};
    case Problem::NotText: text = QStringLiteral("文件不是文本文件，或含有无法识别的字符"); break;
    case Problem::NoKeywords: text = QStringLiteral("文件中没有关键词"); break;
    case Problem::NoVolumeColumn: text = QStringLiteral("表头以“Keyword”开头，但没有“Avg. monthly searches”列"); break;
    case Problem::OpenQuote: text = QStringLiteral("引号中的字段没有结束"); break;
    case Problem::ExtraFields: text = QStringLiteral("字段比表头多"); break;
    case Problem::MissingFields: text = QStringLiteral("字段比表头少"); break;
    case Problem::BadDate: text = QStringLiteral("日期不是yyyy-MM-dd格式"); break;
    }
    return parsed.line > 0 ? QStringLiteral("第%1行：%2").arg(parsed.line).arg(text) : text;
}

Outcome readFile(const QString &path)
{
    Outcome outcome;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        outcome.status = Outcome::Unreadable;
        outcome.reason = file.errorString();
        return outcome;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        outcome.status = Outcome::Unreadable;
        outcome.reason = file.errorString();
        return outcome;
    }
    outcome.parsed = parse(bytes);
    if (!outcome.parsed.ok())
        outcome.status = Outcome::BadFile;
    return outcome;
}

void storeKeywords(KeywordStore &store, Outcome &outcome, const QDate &today, const Progress &progress)
{
    if (outcome.status != Outcome::Read)
        return;
    QVector<KeywordStore::Record> records = outcome.parsed.records;
    // A report lists the table newest first; stored oldest first, the
    // table lists them in the same order again.
    if (outcome.parsed.kind == Kind::OwnExport)
        std::reverse(records.begin(), records.end());
    // A report's dates were checked when it was read: stored as written.
    const int added = store.addMissing(records, today, [&](qsizetype done) {
        if (progress)
            progress(done, records.size());
    });
    if (added < 0) {
        outcome.status = Outcome::WriteFailed;
        outcome.reason = store.lastError();
        return;
    }
    outcome.added = added;
    outcome.skipped = int(records.size()) - added + outcome.parsed.rowsWithoutKeyword;
    outcome.status = Outcome::Added;
}

Outcome importFile(KeywordStore &store, const QString &path, const QDate &today, const Progress &progress)
{
    Outcome outcome = readFile(path);
    storeKeywords(store, outcome, today, progress);
    return outcome;
}

QString failureMessage(const Outcome &outcome, const QString &path, const KeywordStore &store)
{
    switch (outcome.status) {
    case Outcome::Unreadable: return QStringLiteral("无法读取文件 %1：%2").arg(path, outcome.reason);
    case Outcome::BadFile:
        return QStringLiteral("无法导入文件 %1：%2\n没有导入任何关键词。").arg(path, problemMessage(outcome.parsed));
    case Outcome::WriteFailed:
        return QStringLiteral("无法写入关键词数据库 %1：%2\n没有导入任何关键词。")
            .arg(store.fileName(), outcome.reason);
    case Outcome::Read:
    case Outcome::Added: break;
    }
    return {};
}

QString addedMessage(int added, int skipped)
{
    return QStringLiteral("成功导入%1个关键词，跳过%2个已有的关键词！").arg(added).arg(skipped);
}

} // namespace KeywordImport
