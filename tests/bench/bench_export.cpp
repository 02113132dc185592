// N keyword-database rows (100,000 unless given) written as each report:
// text, HTML, workbook and CSV. Prints the time of each, the memory the list
// itself takes, each export's peak on top of it and the process's peak.
//   bench_export [N [txt,html,xlsx,csv]]   the formats to write, all unless named

#include "common/ListExporter.h"
#include "common/ResultList.h"
#include "reports/ReportWriters.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>
#include <sys/resource.h>

namespace {

// A line of /proc/self/status in MiB ("VmRSS", "VmHWM").
qint64 statusMb(const char *key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(key) + ':';
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong() / 1024;
    }
    return -1;
}

// CPU time of the whole process so far (every thread): on a machine shared
// with builds the wall time says little, this says what the export cost.
qint64 cpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (qint64(usage.ru_utime.tv_sec) + usage.ru_stime.tv_sec) * 1000
        + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000;
}

// Starts a new peak at the present size (Linux 4.0 and later).
void resetPeak()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const int rows = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;
    const QStringList only = argc > 2 ? QString::fromLocal8Bit(argv[2]).split(u',') : QStringList();
    const qint64 startMb = statusMb("VmRSS");

    // The keyword-database list: keyword, parent, three counts, date. Added
    // in slices, so no second copy of every row is ever alive.
    ResultList list({QStringLiteral("关键词"), QStringLiteral("父关键词"), QStringLiteral("Google收录"),
                     QStringLiteral("Yahoo收录"), QStringLiteral("Bing收录"), QStringLiteral("更新日期")});
    list.setCountColumns({2, 3, 4});
    quint32 x = 12345;
    auto next = [&x] {
        x = x * 1103515245u + 12345u;
        return (x >> 8) % 10000000u;
    };
    constexpr int kSlice = 65536;
    QVector<ResultList::Row> slice;
    slice.reserve(kSlice);
    for (int i = 0; i < rows; ++i) {
        ResultList::Row row;
        row.text = i % 5 == 0 ? QStringLiteral("关键词工具 %1").arg(i)
                              : QStringLiteral("seed %1 related keyword %2").arg(i % 365).arg(i);
        row.sub = {QStringLiteral("seed %1").arg(i % 365), QString::number(next()),
                   i % 7 == 0 ? QStringLiteral("-") : QString::number(next()), QString::number(next() / 3),
                   QStringLiteral("2024-%1-%2")
                       .arg(1 + i % 12, 2, 10, QLatin1Char('0'))
                       .arg(1 + i % 28, 2, 10, QLatin1Char('0'))};
        slice.append(row);
        if (slice.size() == kSlice || i + 1 == rows) {
            list.appendRows(slice);
            slice.clear();
        }
    }
    slice.squeeze();
    const qint64 listMb = statusMb("VmRSS") - startMb;
    // The peaks below are reset per export: the whole run's peak is kept here.
    qint64 peakMb = statusMb("VmHWM");

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
    out << "list_rss_mb=" << listMb << "   (the list itself, before any export)\n";
    qint64 exportPeakMb = 0;
    for (const Case &c : cases) {
        if (!only.isEmpty() && !only.contains(QLatin1String(c.name)))
            continue;
        const QString path = dir.filePath(QLatin1String(c.file));
        const qint64 beforeMb = statusMb("VmRSS");
        resetPeak();
        // The workbook's packing (the zip deflate), timed on its own.
        qint64 asideMs = -1;
        ReportWriters::Options options;
        options.runAside = [&asideMs](const std::function<void()> &step) {
            QElapsedTimer aside;
            aside.start();
            step();
            asideMs = aside.elapsed();
        };
        QElapsedTimer clock;
        clock.start();
        const qint64 cpuBefore = cpuMs();
        const ReportWriters::Outcome outcome =
            ReportWriters::write(list, list.allColumns(), ReportKind::KeywordDatabase, c.format, path, options);
        const qint64 ms = clock.elapsed();
        const qint64 cpu = cpuMs() - cpuBefore;
        if (!outcome.ok) {
            out << c.name << ": " << outcome.reason << '\n';
            return 1;
        }
        const qint64 highMb = statusMb("VmHWM");
        peakMb = qMax(peakMb, highMb);
        const qint64 extraMb = highMb - beforeMb;
        exportPeakMb = qMax(exportPeakMb, extraMb);
        out << c.name << "_ms=" << ms << "   (cpu " << cpu << " ms, " << QFileInfo(path).size() / 1024 << " KiB, peak +"
            << extraMb << " MiB over the list";
        if (asideMs >= 0)
            out << ", packing " << asideMs << " ms of it";
        out << ")\n";
        QFile::remove(path);
    }
    out << "export_peak_mb=" << exportPeakMb << "   (the largest export's peak over the list)\n";
    out << "peak_rss_mb=" << peakMb << '\n';
    return 0;
}
