// 100,000 keyword-database rows written as each report: text, HTML, workbook
// and CSV. Prints the time of each and the peak memory.

#include "common/ListExporter.h"
#include "common/ResultList.h"
#include "reports/ReportWriters.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>
#include <sys/resource.h>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const int rows = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;

    // The keyword-database list: keyword, parent, three counts, date.
    ResultList list({QStringLiteral("关键词"), QStringLiteral("父关键词"), QStringLiteral("Google收录"),
                     QStringLiteral("Yahoo收录"), QStringLiteral("Bing收录"), QStringLiteral("更新日期")});
    QVector<ResultList::Row> data;
    data.reserve(rows);
    quint32 x = 12345;
    auto next = [&x] {
        x = x * 1103515245u + 12345u;
        return (x >> 8) % 10000000u;
    };
    for (int i = 0; i < rows; ++i) {
        ResultList::Row row;
        row.text = i % 5 == 0 ? QStringLiteral("关键词工具 %1").arg(i)
                              : QStringLiteral("seed %1 related keyword %2").arg(i % 365).arg(i);
        row.sub = {QStringLiteral("seed %1").arg(i % 365), QString::number(next()),
                   i % 7 == 0 ? QStringLiteral("-") : QString::number(next()), QString::number(next() / 3),
                   QStringLiteral("2024-%1-%2")
                       .arg(1 + i % 12, 2, 10, QLatin1Char('0'))
                       .arg(1 + i % 28, 2, 10, QLatin1Char('0'))};
        data.append(row);
    }
    list.appendRows(data);
    data.clear();

    QTemporaryDir dir;
    struct Case {
        const char *name;
        ReportFormat format;
        const char *file;
    };
    const Case cases[] = {{"txt", ReportFormat::Text, "r.txt"},
                          {"html", ReportFormat::Html, "r.htm"},
                          {"xlsx", ReportFormat::Workbook, "r.xlsx"},
                          {"csv", ReportFormat::Csv, "r.csv"}};
    out << "rows=" << rows << '\n';
    for (const Case &c : cases) {
        const QString path = dir.filePath(QLatin1String(c.file));
        QElapsedTimer clock;
        clock.start();
        const ReportWriters::Outcome outcome =
            ReportWriters::write(list, list.allColumns(), ReportKind::KeywordDatabase, c.format, path);
        const qint64 ms = clock.elapsed();
        if (!outcome.ok) {
            out << c.name << ": " << outcome.reason << '\n';
            return 1;
        }
        out << c.name << "_ms=" << ms << "   (" << QFileInfo(path).size() / 1024 << " KiB)\n";
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    out << "peak_rss_mb=" << usage.ru_maxrss / 1024 << '\n';
    return 0;
}
