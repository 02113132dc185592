// The report files themselves: the text form byte for byte, the HTML form
// cell by cell, and the workbook and CSV read back by independent parsers.

#include "common/ListExporter.h"
#include "common/ResultList.h"
#include "reports/ReadBack.h"
#include "reports/ReportWriters.h"
#include "research/RelatedMiner.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#include <memory>

namespace {

QString blanks(int n) { return QString(n, QLatin1Char(' ')); }

QByteArray gb(const QString &text) { return QStringEncoder("GB18030").encode(text); }

const QString kWarning = QStringLiteral("@@@@@@@@@@@@") + blanks(3)
    + QStringLiteral("txt格式的数据导出显示效果较差，如需较好的效果请导出为Excel或Html格式") + blanks(2)
    + QStringLiteral("@@@@@@@@@@@@") + blanks(1);

struct KindCase {
    ReportKind kind;
    QStringList headers;
    QString textHeader;
    QString htmlHeader;
};

QList<KindCase> kindCases()
{
    const QString g = QStringLiteral("Google收录"), y = QStringLiteral("Yahoo收录"), b = QStringLiteral("Bing收录");
    return {
        {ReportKind::RelatedKeywords,
         {QStringLiteral("相关关键词"), g, y, b},
         QStringLiteral("相关关键词") + blanks(8) + g + blanks(6) + y + blanks(5) + b + blanks(1),
         QStringLiteral("<td width='40%' height='25'>相关关键词</td><td width='20%'>Google收录</td>"
                        "<td width='20%'>Yahoo收录</td><td width='20%'>Bing收录</td></tr>")},
        {ReportKind::KeywordVolume,
         {QStringLiteral("相关关键词"), QStringLiteral("估计广告排名"), QStringLiteral("估计每次点击费用"),
          QStringLiteral("广告客户竞争度"), QStringLiteral("全球每月搜索量")},
         QStringLiteral("相关关键词") + blanks(4) + QStringLiteral("估计广告排名") + blanks(3)
             + QStringLiteral("估计每次点击费用") + blanks(2) + QStringLiteral("广告客户竞争度") + blanks(2)
             + QStringLiteral("全球每月搜索量") + blanks(2),
         QStringLiteral("<td width='20%' height='25'>相关关键词</td><td width='20%'>估计广告排名</td>"
                        "<td width='20%' height='25'>估计每次点击费用</td><td width='20%'>广告客户竞争度</td>"
                        "<td width='20%'>全球每月搜索量</td></tr>")},
        {ReportKind::Resources,
         {QStringLiteral("资源名称"), QStringLiteral("资源URL"), QStringLiteral("PR"), QStringLiteral("备注&说明")},
         QStringLiteral("资源名称") + blanks(9) + QStringLiteral("资源URL") + blanks(6) + QStringLiteral("PR")
             + blanks(5) + QStringLiteral("备注&说明"),
         QStringLiteral("<td width='30%' height='25'>资源名称</td><td width='30%'>资源URL</td>"
                        "<td width='14%'>PR</td><td width='26%'>备注&amp;说明</td></tr>")},
        {ReportKind::Ranks,
         {QStringLiteral("搜索引擎/网站"), QStringLiteral("关键词/排名"), QStringLiteral("查询日期/收录网址")},
         QStringLiteral("搜索引擎/网站") + blanks(9) + QStringLiteral("关键词/排名") + blanks(6)
             + QStringLiteral("查询日期/收录网址"),
         QStringLiteral("<td width='40%' height='25'>搜索引擎/网站</td><td width='30%'>关键词/排名</td>"
                        "<td width='30%'>查询日期/收录网址</td></tr>")},
        {ReportKind::KeywordDatabase,
         {QStringLiteral("关键词"), QStringLiteral("父关键词"), g, y, b, QStringLiteral("更新日期")},
         QStringLiteral("相关关键词") + blanks(8) + QStringLiteral("父关键词") + blanks(8) + g + blanks(6) + y
             + blanks(5) + b + blanks(4) + QStringLiteral("更新日期") + blanks(2),
         QStringLiteral("<td width='20%' height='25'>相关关键词</td><td width='15%' height='25'>父关键词</td>"
                        "<td width='15%'>Google收录</td><td width='15%'>Yahoo收录</td><td width='15%'>Bing收录</td>"
                        "<td width='20%'>更新日期</td></tr>")},
    };
}

// One row whose cells name their column: "c0", "c1", ...
void fillOneRow(ResultList &list, const QString &first)
{
    QStringList sub;
    for (int c = 1; c < list.columnCount(); ++c)
        sub.append(QStringLiteral("c%1").arg(c));
    list.addRow(first, sub);
}

} // namespace

class TestReportWriters : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void textReportOfOneRowIsExact_data();
    void textReportOfOneRowIsExact();
    void textRowsEndWithTheirTag();
    void htmlReportHasOneCellPerColumnAndEscapesEveryCell_data();
    void htmlReportHasOneCellPerColumnAndEscapesEveryCell();
    void relatedKeywordHeadersNameEveryMiningColumn();
    void workbookHoldsHeaderAndEveryRowWithoutHiddenColumns();
    void csvReadsBackCellForCell();
    void csvCellsNeverStartAFormula();
    void workbookCellsOverTheLimitAreCutAndCounted();
    void workbookHoldsCountsAsNumbersAndEverythingElseAsText();
    void longListsComeOutWholeAcrossBlocks();
    void progressRisesToTheEnd_data();
    void progressRisesToTheEnd();
    void cancelKeepsTheOldFileAndLeavesNothing_data();
    void cancelKeepsTheOldFileAndLeavesNothing();
    void workbookRowLimitRefusesBeforeAnyFile();
};

void TestReportWriters::textReportOfOneRowIsExact_data()
{
    QTest::addColumn<int>("index");
    for (int i = 0; i < kindCases().size(); ++i)
        QTest::newRow(qPrintable(QStringLiteral("kind %1").arg(int(kindCases().at(i).kind)))) << i;
}

void TestReportWriters::textReportOfOneRowIsExact()
{
    QFETCH(int, index);
    const KindCase k = kindCases().at(index);
    ResultList list(k.headers);
    fillOneRow(list, QStringLiteral("关键词 one"));
    QString line = QStringLiteral("关键词 one") + blanks(4);
    for (int c = 1; c < k.headers.size(); ++c)
        line += QStringLiteral("c%1").arg(c) + blanks(5);
    const QByteArray expected = gb(kWarning + QStringLiteral("\r\n\r\n") + k.textHeader + QStringLiteral("\r\n") + line
                                   + QStringLiteral("\r\n"));
    QCOMPARE(ReportWriters::textReport(list, k.kind), expected);
}

void TestReportWriters::textRowsEndWithTheirTag()
{
    ResultList list(kindCases().at(3).headers);
    list.addRow(QStringLiteral("Google"), {QStringLiteral("3"), QStringLiteral("http://a.com/x")});
    list.setTag(0, QStringLiteral("Google"));
    list.addRow(QStringLiteral("Bing"), {QStringLiteral("0")});
    // Text beyond GBK still arrives: GB18030 holds every character.
    list.addRow(QStringLiteral("emoji 😀"), {});
    const QString text = QStringDecoder("GB18030").decode(ReportWriters::textReport(list, ReportKind::Ranks));
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 7); // warning, empty, header, three rows, and the empty text after the final CR LF
    QCOMPARE(lines.at(3), QStringLiteral("Google    3     http://a.com/x     Google"));
    QCOMPARE(lines.at(4), QStringLiteral("Bing    0     ") + blanks(5));
    QCOMPARE(lines.at(5), QStringLiteral("emoji 😀    ") + blanks(10));
    QVERIFY(lines.at(6).isEmpty());
}

void TestReportWriters::htmlReportHasOneCellPerColumnAndEscapesEveryCell_data() { textReportOfOneRowIsExact_data(); }

void TestReportWriters::htmlReportHasOneCellPerColumnAndEscapesEveryCell()
{
    QFETCH(int, index);
    const KindCase k = kindCases().at(index);
    ResultList list(k.headers);
    fillOneRow(list, QStringLiteral("<script>alert(1)</script>"));
    fillOneRow(list, QStringLiteral("a & b"));
    list.setCell(1, k.headers.size() - 1, QStringLiteral("\"x\" <b>"));

    const QString html = QStringDecoder("GB18030").decode(ReportWriters::htmlReport(list, k.kind));
    QVERIFY(html.endsWith(QStringLiteral("</table></body></html>\r\n")));
    QVERIFY(html.startsWith(QStringLiteral("<html><title>")));
    QVERIFY(html.contains(QStringLiteral("</title><meta http-equiv=\"Content-Type\" content=\"text/html; "
                                         "charset=gb2312\" /><body><table width='100%' border='0' "
                                         "style='font-size:12px'><tr align=center style='font-weight:bold'>")
                          + k.htmlHeader + QStringLiteral("<tr align='center'>")));
    QVERIFY(!html.contains(QStringLiteral("<script>")));
    QVERIFY(html.contains(QStringLiteral("<td>&lt;script&gt;alert(1)&lt;/script&gt;</td>")));
    QVERIFY(html.contains(QStringLiteral("<td>a &amp; b</td>")));
    QVERIFY(html.contains(QStringLiteral("<td>&quot;x&quot; &lt;b&gt;</td></tr>")));

    const QStringList rows = html.split(QStringLiteral("<tr align='center'>")).mid(1);
    QCOMPARE(rows.size(), 2);
    for (const QString &row : rows)
        QCOMPARE(row.count(QStringLiteral("<td>")), k.headers.size());
}

void TestReportWriters::relatedKeywordHeadersNameEveryMiningColumn()
{
    // The mining list as the tab builds it: counts, then the Baidu figures.
    const QStringList headers = RelatedMiner::resultHeaders();
    QCOMPARE(headers.size(), 8);
    ResultList list(headers);
    fillOneRow(list, QStringLiteral("seo"));

    const QString text = QStringDecoder("GB18030").decode(ReportWriters::textReport(list, ReportKind::RelatedKeywords));
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    const QString header = lines.at(2);
    QVERIFY(header.startsWith(kindCases().at(0).textHeader));
    QCOMPARE(header.split(u' ', Qt::SkipEmptyParts), headers);
    QCOMPARE(lines.at(3).split(u' ', Qt::SkipEmptyParts).size(), headers.size());

    const QString html = QStringDecoder("GB18030").decode(ReportWriters::htmlReport(list, ReportKind::RelatedKeywords));
    const QString headRow =
        html.section(QStringLiteral("style='font-weight:bold'>"), 1).section(QStringLiteral("</tr>"), 0, 0);
    const QString dataRow =
        html.section(QStringLiteral("<tr align='center'>"), 1).section(QStringLiteral("</tr>"), 0, 0);
    QStringList labels;
    int widths = 0;
    for (const QString &cell : headRow.split(QStringLiteral("</td>"), Qt::SkipEmptyParts)) {
        labels.append(cell.section(u'>', 1));
        widths += cell.section(QStringLiteral("width='"), 1).section(u'%', 0, 0).toInt();
    }
    QCOMPARE(labels, headers);
    QCOMPARE(dataRow.count(QStringLiteral("<td>")), headers.size());
    QCOMPARE(widths, 100);
}

void TestReportWriters::workbookHoldsHeaderAndEveryRowWithoutHiddenColumns()
{
    QTemporaryDir dir;
    ResultList list(kindCases().at(4).headers);
    list.addRow(QStringLiteral("seo tools"),
                {QStringLiteral("seo"), QStringLiteral("1200"), QStringLiteral("-"), QStringLiteral("7"),
                 QStringLiteral("2024-03-01")});
    list.addRow(QStringLiteral("关键词挖掘工具与长尾词"), {QStringLiteral("seo"), QStringLiteral("0")});
    list.addRow(QStringLiteral("=1+1, \"quoted\""), {QStringLiteral("<b>")});
    // The parent column is hidden in the view: the workbook is not given it.
    const QString path = dir.filePath(QStringLiteral("r.xlsx"));
    QVERIFY(ReportWriters::writeWorkbook(list, {0, 2, 3, 4, 5}, path).ok);
    const readback::Workbook book = readback::xlsx(path);
    const QList<QStringList> expected = {
        {QStringLiteral("关键词"), QStringLiteral("Google收录"), QStringLiteral("Yahoo收录"),
         QStringLiteral("Bing收录"), QStringLiteral("更新日期")},
        {QStringLiteral("seo tools"), QStringLiteral("1200"), QStringLiteral("-"), QStringLiteral("7"),
         QStringLiteral("2024-03-01")},
        {QStringLiteral("关键词挖掘工具与长尾词"), QStringLiteral("0"), {}, {}, {}},
        // Cells are text, never formulas.
        {QStringLiteral("=1+1, \"quoted\""), {}, {}, {}, {}},
    };
    QCOMPARE(book.rows, expected);
    QVERIFY(book.headerBold);
    QCOMPARE(book.headerSize, 12.0);
    // Fitted: the long Chinese keyword widens its column past the dates'.
    QCOMPARE(book.widths.size(), 5);
    QVERIFY(book.widths.at(0) > book.widths.at(4));
    QVERIFY(book.widths.at(4) >= 10);
}

void TestReportWriters::csvReadsBackCellForCell()
{
    QTemporaryDir dir;
    ResultList list(kindCases().at(2).headers);
    list.addRow(QStringLiteral("Blog, \"Best\" Hosts"),
                {QStringLiteral("http://a.com/?x=1,2"), QStringLiteral("5"), QStringLiteral("免费注册\r\n第二行")});
    list.addRow(QStringLiteral("plain"), {QStringLiteral("b.com")});

    const QString path = dir.filePath(QStringLiteral("r.csv"));
    QVERIFY(ReportWriters::write(list, {0, 1, 3}, ReportKind::Resources, ReportFormat::Csv, path).ok);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().startsWith("\xEF\xBB\xBF"));

    const QList<QStringList> expected = {
        {QStringLiteral("资源名称"), QStringLiteral("资源URL"), QStringLiteral("备注&说明")},
        {QStringLiteral("Blog, \"Best\" Hosts"), QStringLiteral("http://a.com/?x=1,2"),
         QStringLiteral("免费注册\r\n第二行")},
        {QStringLiteral("plain"), QStringLiteral("b.com"), {}},
    };
    QCOMPARE(readback::csv(path), expected);
    QCOMPARE(ReportWriters::csvField(QStringLiteral("a\"b")), QStringLiteral("\"a\"\"b\""));
    QCOMPARE(ReportWriters::csvField(QStringLiteral("ab")), QStringLiteral("ab"));
}

void TestReportWriters::csvCellsNeverStartAFormula()
{
    QTemporaryDir dir;
    ResultList list({QStringLiteral("关键词"), QStringLiteral("Google收录"), QStringLiteral("链接")});
    list.addRow(QStringLiteral("=HYPERLINK(\"http://evil.example\",\"x\")"),
                {QStringLiteral("-"), QStringLiteral("+1")});
    list.addRow(QStringLiteral("-2+3"), {QStringLiteral("@SUM(A1)"), QStringLiteral("\tcmd")});
    list.addRow(QStringLiteral("\r=1"), {QStringLiteral("12"), QStringLiteral("a=b")});
    list.addRow(QStringLiteral("--"), {QStringLiteral(" -"), QStringLiteral("- 1")});

    const QString path = dir.filePath(QStringLiteral("r.csv"));
    QVERIFY(ReportWriters::write(list, list.allColumns(), ReportKind::KeywordDatabase, ReportFormat::Csv, path).ok);
    const QList<QStringList> expected = {
        {QStringLiteral("关键词"), QStringLiteral("Google收录"), QStringLiteral("链接")},
        // The lone "-" (no value) is no formula and stays as the lists show it.
        {QStringLiteral("'=HYPERLINK(\"http://evil.example\",\"x\")"), QStringLiteral("-"), QStringLiteral("'+1")},
        {QStringLiteral("'-2+3"), QStringLiteral("'@SUM(A1)"), QStringLiteral("'\tcmd")},
        {QStringLiteral("'\r=1"), QStringLiteral("12"), QStringLiteral("a=b")},
        {QStringLiteral("'--"), QStringLiteral(" -"), QStringLiteral("'- 1")},
    };
    QCOMPARE(readback::csv(path), expected);
    // The guard comes before the quoting: a quoted cell keeps its apostrophe inside.
    QCOMPARE(ReportWriters::csvField(QStringLiteral("=1,2")), QStringLiteral("\"'=1,2\""));
}

void TestReportWriters::workbookCellsOverTheLimitAreCutAndCounted()
{
    QTemporaryDir dir;
    ResultList list({QStringLiteral("关键词"), QStringLiteral("备注")});
    const QString exact(32767, QLatin1Char('e'));
    // 32,766 characters and one outside the basic plane: within the limit.
    const QString pairs = QString(32766, QLatin1Char('p')) + QString::fromUcs4(U"\U0001F600");
    list.addRow(QStringLiteral("a"), {QString(40000, QLatin1Char('x'))});
    list.addRow(exact, {pairs});
    // Cut where a surrogate pair would be split: the whole character goes.
    list.addRow(QString(32766, QLatin1Char('y')) + QString::fromUcs4(U"\U0001F600\U0001F600"), {QStringLiteral("b")});

    const QString path = dir.filePath(QStringLiteral("r.xlsx"));
    const ReportWriters::Outcome outcome = ReportWriters::writeWorkbook(list, list.allColumns(), path);
    QVERIFY(outcome.ok);
    QCOMPARE(outcome.cutCells, 2);
    const readback::Workbook book = readback::xlsx(path);
    QCOMPARE(book.rows.size(), 4);
    QCOMPARE(book.rows.at(1).at(1), QString(32767, QLatin1Char('x')));
    QCOMPARE(book.rows.at(2), (QStringList{exact, pairs}));
    QCOMPARE(book.rows.at(3).at(0), QString(32766, QLatin1Char('y')) + QString::fromUcs4(U"\U0001F600"));
    // Nothing of the library's scratch is left beside the workbook.
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("r.xlsx")});
    // Other formats hold any length: nothing is cut there.
    QCOMPARE(ReportWriters::write(list, list.allColumns(), ReportKind::Resources, ReportFormat::Csv,
                                  dir.filePath(QStringLiteral("r.csv")))
                 .cutCells,
             0);
}

void TestReportWriters::workbookHoldsCountsAsNumbersAndEverythingElseAsText()
{
    QTemporaryDir dir;
    ResultList list(RelatedMiner::resultHeaders());
    list.setCountColumns({1, 2, 3, 4});
    list.addRow(QStringLiteral("001"),
                {QStringLiteral("1200"), QStringLiteral("-"), QStringLiteral("0"), QStringLiteral("获取失败"),
                 QStringLiteral("35"), QStringLiteral("007")});
    list.addRow(
        QStringLiteral("2024"),
        {QStringLiteral("123456789012345"), QStringLiteral("1234567890123456"), QStringLiteral("12 3"), QString()});
    const QString path = dir.filePath(QStringLiteral("counts.xlsx"));
    QVERIFY(ReportWriters::writeWorkbook(list, list.allColumns(), path).ok);
    const readback::Workbook book = readback::xlsx(path);
    QCOMPARE(book.rows.at(1).mid(0, 7),
             (QStringList{QStringLiteral("001"), QStringLiteral("1200"), QStringLiteral("-"), QStringLiteral("0"),
                          QStringLiteral("获取失败"), QStringLiteral("35"), QStringLiteral("007")}));
    // Column 5 holds digits but is no count column; keywords are never counts.
    QCOMPARE(book.types.at(1).mid(0, 7), (QStringList{"s", "n", "s", "n", "s", "s", "s"}));
    QCOMPARE(book.rows.at(2).at(1), QStringLiteral("123456789012345"));
    QCOMPARE(book.types.at(2).mid(0, 5), (QStringList{"s", "n", "s", "s", ""}));
    QCOMPARE(book.types.at(0), QStringList(8, QStringLiteral("s"))); // the header row

    // Rank lists: positions on engine rows only; the pair row's keyword stays text.
    ResultList ranks(
        {QStringLiteral("搜索引擎/网站"), QStringLiteral("关键词/排名"), QStringLiteral("查询日期/收录网址")});
    ranks.setCountColumns({1}, true);
    ranks.addRow(QStringLiteral("a.com"), {QStringLiteral("2024"), QStringLiteral("2024-03-01")});
    ranks.setImageKey(ranks.addRow(QStringLiteral("Google"), {QStringLiteral("3"), QStringLiteral("a.com/x")}),
                      QStringLiteral("google"));
    QVERIFY(ReportWriters::writeWorkbook(ranks, ranks.allColumns(), path).ok);
    const readback::Workbook rankBook = readback::xlsx(path);
    QCOMPARE(rankBook.types.at(1), (QStringList{"s", "s", "s"}));
    QCOMPARE(rankBook.types.at(2), (QStringList{"s", "n", "s"}));
    QCOMPARE(rankBook.rows.at(2).at(1), QStringLiteral("3"));
}

namespace {

const QList<ReportFormat> kFormats = {ReportFormat::Text, ReportFormat::Html, ReportFormat::Workbook,
                                      ReportFormat::Csv};
const char *const kExtensions[] = {"txt", "htm", "xlsx", "csv"};

// A keyword-database list of `rows` rows whose cells name their row.
void fillRows(ResultList &list, int rows)
{
    QVector<ResultList::Row> data;
    for (int i = 0; i < rows; ++i) {
        ResultList::Row row;
        row.text = QStringLiteral("关键词 %1").arg(i);
        row.sub = {QStringLiteral("seed"), QString::number(i), QStringLiteral("-"), QString::number(i * 3),
                   QStringLiteral("2024-03-01")};
        data.append(row);
    }
    list.appendRows(data);
}

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(unreadable)");
}

void addFormatRows()
{
    QTest::addColumn<int>("format");
    for (int i = 0; i < kFormats.size(); ++i)
        QTest::newRow(kExtensions[i]) << int(kFormats.at(i));
}

} // namespace

void TestReportWriters::longListsComeOutWholeAcrossBlocks()
{
    // Rows go out in blocks of a few thousand: none may be lost, doubled or
    // cut at a block's edge.
    const int rows = 9000;
    ResultList list(kindCases().at(4).headers);
    fillRows(list, rows);
    list.setTag(4095, QStringLiteral("tag at the edge"));

    const QString text = QStringDecoder("GB18030").decode(ReportWriters::textReport(list, ReportKind::KeywordDatabase));
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), rows + 4);
    for (int i : {0, 4095, 4096, 4097, 8191, 8192, rows - 1}) {
        const QString expected =
            QStringLiteral("关键词 %1    seed     %1     -     %2     2024-03-01     ").arg(i).arg(i * 3)
            + (i == 4095 ? QStringLiteral("tag at the edge") : QString());
        QCOMPARE(lines.at(3 + i), expected);
    }

    const QString html = QStringDecoder("GB18030").decode(ReportWriters::htmlReport(list, ReportKind::KeywordDatabase));
    QCOMPARE(html.count(QStringLiteral("<tr align='center'>")), rows);
    QVERIFY(html.endsWith(QStringLiteral("<td>2024-03-01</td></tr></table></body></html>\r\n")));

    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("r.csv"));
    QVERIFY(ReportWriters::write(list, list.allColumns(), ReportKind::KeywordDatabase, ReportFormat::Csv, csv).ok);
    const QList<QStringList> back = readback::csv(csv);
    QCOMPARE(back.size(), rows + 1);
    for (int i : {0, 4095, 4096, rows - 1})
        QCOMPARE(back.at(1 + i).at(0), QStringLiteral("关键词 %1").arg(i));
    QCOMPARE(bytesOf(csv).count("\xEF\xBB\xBF"), 1);

    const QString xlsx = dir.filePath(QStringLiteral("r.xlsx"));
    QVERIFY(ReportWriters::writeWorkbook(list, list.allColumns(), xlsx).ok);
    const readback::Workbook book = readback::xlsx(xlsx);
    QCOMPARE(book.rows.size(), rows + 1);
    QCOMPARE(book.rows.at(4097).at(0), QStringLiteral("关键词 4096"));
    QCOMPARE(book.rows.last().at(0), QStringLiteral("关键词 %1").arg(rows - 1));
}

void TestReportWriters::progressRisesToTheEnd_data() { addFormatRows(); }

void TestReportWriters::progressRisesToTheEnd()
{
    QFETCH(int, format);
    ResultList list(kindCases().at(4).headers);
    list.setCountColumns({2, 3, 4});
    fillRows(list, 10000);
    QList<QPair<qint64, qint64>> calls;
    int asides = 0;
    ReportWriters::Options options;
    options.progress = [&](qint64 done, qint64 total) {
        calls.append({done, total});
        return true;
    };
    // The workbook's packing runs where the caller says: here on a thread,
    // as the window runs it.
    options.runAside = [&](const std::function<void()> &step) {
        ++asides;
        std::unique_ptr<QThread> thread(QThread::create(step));
        thread->start();
        thread->wait();
    };
    QTemporaryDir dir;
    const QString path =
        dir.filePath(QStringLiteral("r.") + QLatin1String(kExtensions[kFormats.indexOf(ReportFormat(format))]));
    const ReportWriters::Outcome outcome =
        ReportWriters::write(list, list.allColumns(), ReportKind::KeywordDatabase, ReportFormat(format), path, options);
    QVERIFY2(outcome.ok, qPrintable(outcome.reason));
    QVERIFY(!outcome.cancelled);
    QVERIFY2(calls.size() >= 3, qPrintable(QString::number(calls.size())));
    for (int i = 0; i < calls.size(); ++i) {
        QCOMPARE(calls.at(i).second, calls.first().second);
        QVERIFY(calls.at(i).first <= calls.at(i).second);
        if (i > 0)
            QVERIFY2(calls.at(i).first >= calls.at(i - 1).first, qPrintable(QString::number(i)));
    }
    QVERIFY(calls.first().first < calls.first().second);
    QCOMPARE(calls.last().first, calls.last().second);
    QCOMPARE(asides, ReportFormat(format) == ReportFormat::Workbook ? 1 : 0);
    if (ReportFormat(format) == ReportFormat::Workbook) {
        const readback::Workbook book = readback::xlsx(path);
        QCOMPARE(book.rows.size(), 10001);
        QCOMPARE(book.types.at(10000).at(2), QStringLiteral("n"));
    }
}

void TestReportWriters::cancelKeepsTheOldFileAndLeavesNothing_data() { addFormatRows(); }

void TestReportWriters::cancelKeepsTheOldFileAndLeavesNothing()
{
    QFETCH(int, format);
    ResultList list(kindCases().at(4).headers);
    fillRows(list, 10000);
    QTemporaryDir dir;
    const QString name = QStringLiteral("r.") + QLatin1String(kExtensions[kFormats.indexOf(ReportFormat(format))]);
    const QString path = dir.filePath(name);
    const QByteArray old("yesterday's report\r\n\x00\xff", 22);
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(old);
    }
    // Stopped at each point in turn: the first block, half way, and at the
    // very end (the whole report written, not yet moved into place).
    for (const int stopAt : {1, 3, -1}) {
        int calls = 0;
        ReportWriters::Options options;
        options.progress = [&](qint64 done, qint64 total) {
            ++calls;
            if (stopAt < 0)
                return done < total;
            return calls < stopAt;
        };
        const ReportWriters::Outcome outcome = ReportWriters::write(
            list, list.allColumns(), ReportKind::KeywordDatabase, ReportFormat(format), path, options);
        QVERIFY(outcome.cancelled);
        QVERIFY(!outcome.ok);
        if (stopAt > 0)
            QCOMPARE(calls, stopAt); // nothing more after the stop
        QVERIFY(calls > 0);
        QCOMPARE(bytesOf(path), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{name});
    }
#ifdef Q_OS_LINUX
    // The workbook's row scratch is unlinked at once: only an open handle
    // would still hold its space.
    for (const QFileInfo &fd : QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::Files | QDir::System))
        QVERIFY2(!fd.symLinkTarget().startsWith(QFileInfo(dir.path()).canonicalFilePath()),
                 qPrintable(fd.symLinkTarget()));
#endif
}

void TestReportWriters::workbookRowLimitRefusesBeforeAnyFile()
{
    QTemporaryDir dir;
    ResultList list(kindCases().at(4).headers);
    fillRows(list, 3);
    ReportWriters::Options options;
    options.workbookRowLimit = 3; // the header and two rows
    bool told = false;
    options.progress = [&](qint64, qint64) { return told = true; };

    const QString fresh = dir.filePath(QStringLiteral("new.xlsx"));
    ReportWriters::Outcome outcome = ReportWriters::writeWorkbook(list, list.allColumns(), fresh, options);
    QVERIFY(!outcome.ok);
    QVERIFY(outcome.tooLong);
    QVERIFY(!outcome.cancelled);
    QVERIFY(outcome.reason.contains(QStringLiteral("3 rows")));
    QVERIFY(!told);
    QVERIFY(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());

    const QString old = dir.filePath(QStringLiteral("old.xlsx"));
    {
        QFile f(old);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("old workbook");
    }
    QVERIFY(
        ReportWriters::write(list, list.allColumns(), ReportKind::KeywordDatabase, ReportFormat::Workbook, old, options)
            .tooLong);
    QCOMPARE(bytesOf(old), QByteArray("old workbook"));
    // Other formats have no such limit.
    QVERIFY(ReportWriters::write(list, list.allColumns(), ReportKind::KeywordDatabase, ReportFormat::Csv,
                                 dir.filePath(QStringLiteral("r.csv")), options)
                .ok);

    // One row fewer fits exactly.
    list.removeRowAt(2);
    outcome = ReportWriters::writeWorkbook(list, list.allColumns(), fresh, options);
    QVERIFY2(outcome.ok, qPrintable(outcome.reason));
    QCOMPARE(readback::xlsx(fresh).rows.size(), 3);
    QVERIFY(ReportWriters::fitsWorkbook(ReportWriters::kWorkbookRowLimit - 1));
    QVERIFY(!ReportWriters::fitsWorkbook(ReportWriters::kWorkbookRowLimit));
}

QTEST_GUILESS_MAIN(TestReportWriters)
#include "test_report_writers.moc"
