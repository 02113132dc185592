// Mining throughput against the in-process stand-in web, compared with the
// stand-in's own answer time, and the CPU a paced run uses while it waits.

#include "StandIn.h"
#include "common/Endpoints.h"
#include "common/ResultList.h"
#include "context/AppContext.h"
#include "engines/EnginePacing.h"
#include "engines/IndexCounts.h"
#include "research/RelatedMiner.h"
#include "web/CXHtml.h"

#include <QCoreApplication>
#include <QElapsedTimer>
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

struct Setup {
    QTemporaryDir dir;
    standin::StandIn web;
    std::unique_ptr<AppContext> context;
    bool start(int intervalSeconds)
    {
        if (!dir.isValid() || !web.listen(0) || !web.writeEndpoints(dir.filePath(QStringLiteral("endpoints.ini"))))
            return false;
        context = std::make_unique<AppContext>(dir.path(), dir.path(), dir.filePath(QStringLiteral("s.ini")));
        context->loadEndpoints();
        context->openDatabase();
        for (Engine e : kEngines)
            context->pacing().setWaitSeconds(e, intervalSeconds);
        return true;
    }
};

MiningOptions allEngines()
{
    MiningOptions o;
    o.counts.engines = {true, true, true};
    return o;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);

    // 1. Throughput with no waits.
    {
        Setup s;
        if (!s.start(0))
            return 1;
        s.web.setRelatedCount(200);

        // Warm up connections and caches on both sides first.
        CXHtml html;
        auto bareFetch = [&](Engine e, const QString &keyword) {
            html.charset = QStringLiteral("utf-8");
            html.url = s.context->endpoints().url(Endpoints::serviceOf(e), IndexCounts::requestPath(e, keyword));
            return html.GetSrc();
        };
        for (int i = 0; i < 60; ++i)
            bareFetch(kEngines[i % 3], QStringLiteral("warm up %1").arg(i));
        s.web.clearLog();

        RelatedMiner miner(*s.context);
        const MiningOptions options = allEngines();
        miner.setOptionsSource([&options] { return options; });
        QElapsedTimer t;
        t.start();
        miner.click(QStringLiteral("seo"));
        const double ms = double(t.nsecsElapsed()) / 1e6;
        const int keywords = miner.result().count();
        const int requests = miner.requestCount();
        const double msPerKeyword = ms / keywords;

        // The stand-in's own answer time for the very same count pages,
        // fetched bare: what mining adds on top is the overhead.
        t.restart();
        for (int r = 0; r < keywords; ++r) {
            for (Engine e : kEngines)
                bareFetch(e, miner.result().cell(r, 0));
        }
        const double bareMsPerKeyword = double(t.nsecsElapsed()) / 1e6 / keywords;

        out << "keywords=" << keywords << "\nrequests=" << requests << "\nrun_ms=" << QString::number(ms, 'f', 1)
            << "\nkeywords_per_s=" << QString::number(keywords * 1000.0 / ms, 'f', 1)
            << "\nms_per_keyword=" << QString::number(msPerKeyword, 'f', 3)
            << "\nstandin_ms_per_request=" << QString::number(bareMsPerKeyword / 3, 'f', 3)
            << "\nstandin_ms_per_keyword=" << QString::number(bareMsPerKeyword, 'f', 3)
            << "\noverhead_percent=" << QString::number((msPerKeyword / bareMsPerKeyword - 1) * 100, 'f', 1)
            << Qt::endl;
    }

    // 2. CPU while a paced run mostly waits.
    {
        Setup s;
        if (!s.start(1))
            return 1;
        s.web.setRelatedCount(6);
        RelatedMiner miner(*s.context);
        const MiningOptions options = allEngines();
        miner.setOptionsSource([&options] { return options; });
        QElapsedTimer t;
        t.start();
        const double cpu0 = cpuSeconds();
        miner.click(QStringLiteral("seo"));
        const double cpu = cpuSeconds() - cpu0;
        const double wall = double(t.nsecsElapsed()) / 1e9;
        out << "paced_keywords=" << miner.result().count() << "\npaced_run_s=" << QString::number(wall, 'f', 2)
            << "\ncpu_percent=" << QString::number(cpu / wall * 100, 'f', 2) << Qt::endl;
    }
    return 0;
}
