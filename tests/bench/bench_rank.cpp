// Rank scanning throughput: 100 site/keyword pairs x 3 engines x 5 result
// pages (a site no page lists, so every page is read) against the stand-in
// run as its own process answering each page after 20 ms. Prints pages per
// second, the bound the stand-in's delay sets, and this process's CPU over
// wall time (the stand-in's own work is not counted). Every pair is a
// favourite, so each writes its day file and keeps its pages' organic
// results beside it; --no-favourites runs the pairs without either.

#include "common/JobStatus.h"
#include "context/AppContext.h"
#include "rank/RankFormats.h"
#include "rank/RankList.h"
#include "rank/RankRun.h"
#include "store/DayResults.h"
#include "store/FavouriteStore.h"
#include "web/CXHtml.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <sys/resource.h>

namespace {

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const int delayMs = 20;
    const int pairs = 100;
    const bool favourites = !QCoreApplication::arguments().contains(QStringLiteral("--no-favourites"));

    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("endpoints.ini"));
    QProcess standin;
    standin.start(QCoreApplication::applicationDirPath() + QStringLiteral("/veltrana-standin"),
                  {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--write-endpoints"), ini});
    if (!standin.waitForStarted(5000) || !standin.waitForReadyRead(5000)) {
        err << "bench_rank: cannot start veltrana-standin beside this program" << Qt::endl;
        return 1;
    }
    const QString base = QString::fromUtf8(standin.readLine()).trimmed().section(QLatin1Char(' '), -1);

    CXHtml control;
    for (const char *service : {"google", "yahoo", "bing"}) {
        control.url = base + QStringLiteral("/_control/behaviour?prefix=/") + QLatin1String(service)
            + QStringLiteral("&delay=") + QString::number(delayMs);
        control.GetSrc();
    }

    AppContext context(dir.path(), dir.path(), dir.filePath(QStringLiteral("s.ini")));
    context.loadEndpoints();
    RankList engines({QStringLiteral("搜索引擎")});
    for (Engine e : kEngines) {
        const int r = engines.addRow(engineLabel(e));
        engines.setTag(r, engineLabel(e));
        engines.setChecked(r, true);
    }
    RankRun run(engines, context.endpoints(), context.jobStatus(), context.prompter(), context.clock(),
                context.pageRules(), context.dataFile(QStringLiteral("myfav")));
    run.setSettingsSource([] { return RankRun::Settings{2, false}; }); // "50": five pages

    QVector<RankRun::Pair> list;
    FavouriteStore store(context.dataFile(QStringLiteral("myfav")));
    for (int i = 0; i < pairs; ++i) {
        const RankRun::Pair pair{
            QStringLiteral("www.listed-nowhere.example"), QStringLiteral("bench keyword %1").arg(i),
            RankFormats::favouriteKey(run.engineListText(), QStringLiteral("www.listed-nowhere.example"),
                                      QStringLiteral("bench keyword %1").arg(i), 2, false)};
        if (favourites && !store.create(pair.favouriteKey)) {
            err << "bench_rank: cannot make the favourite folders" << Qt::endl;
            return 1;
        }
        list.append(pair);
    }

    QElapsedTimer t;
    t.start();
    const double cpu0 = cpuSeconds();
    run.runPairs(list);
    const double cpu = cpuSeconds() - cpu0;
    const double wall = double(t.nsecsElapsed()) / 1e9;
    const int pages = run.pageRequests();
    int resultsFiles = 0;
    int resultsRows = 0;
    for (const QString &key : store.keys()) {
        const QVector<DayResults::Row> rows = DayResults::read(store.resultsPath(key, run.dateText()));
        resultsFiles += rows.isEmpty() ? 0 : 1;
        resultsRows += int(rows.size());
    }

    standin.kill();
    standin.waitForFinished(3000);

    out << "pairs=" << pairs << "\nengines=3\npages=" << pages << "\nfailed_steps=" << run.failedSteps()
        << "\nrun_s=" << QString::number(wall, 'f', 2) << "\npages_per_s=" << QString::number(pages / wall, 'f', 1)
        << "\nbound_pages_per_s=" << QString::number(1000.0 / delayMs, 'f', 1)
        << "\nms_per_page=" << QString::number(wall * 1000 / pages, 'f', 2)
        << "\ncpu_percent=" << QString::number(cpu / wall * 100, 'f', 2) << "\nfavourites=" << (favourites ? 1 : 0)
        << "\nresults_files=" << resultsFiles << "\nresults_rows=" << resultsRows << Qt::endl;
    const bool kept = !favourites || (resultsFiles == pairs && resultsRows == pairs * 3 * 5 * 10);
    return pages == pairs * 3 * 5 && run.failedSteps() == 0 && kept ? 0 : 1;
}
