// Fetch overhead and idle waiting of the page fetcher.
//
// Part 1: 1,000 engine count pages, one after another, through one CXHtml with
// a fixed charset (what mining and the database refresh do).
// Part 2: a request to a server that never answers, TryTime 2: the process
// must sit idle while it waits.
//
// The stand-in runs in this process, so the figures include the server's work.

#include "StandIn.h"
#include "web/CXHtml.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <sys/resource.h>

namespace {

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);

    int requests = 1000;
    const QStringList args = app.arguments();
    const qsizetype at = args.indexOf(QStringLiteral("--requests"));
    if (at >= 0 && at + 1 < args.size())
        requests = qMax(1, args.at(at + 1).toInt());

    standin::StandIn standIn;
    if (!standIn.listen(0)) {
        QTextStream(stderr) << "bench_fetch: the stand-in could not listen\n";
        return 1;
    }

    CXHtml page;
    page.charset = QStringLiteral("utf-8");
    page.TryTime = 10;
    const QString base = standIn.serviceBase(QStringLiteral("google")) + QStringLiteral("/search?hl=en&q=");

    // One warm-up request: connection set-up and first-use costs are not the steady state.
    page.url = base + QStringLiteral("warm up");
    if (page.GetSrc().isEmpty()) {
        QTextStream(stderr) << "bench_fetch: the stand-in gave no page\n";
        return 1;
    }

    int failures = 0;
    qint64 bytes = 0;
    const double cpuBefore = cpuSeconds();
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < requests; ++i) {
        page.url = base + QStringLiteral("seo tools %1").arg(i % 50);
        const QString text = page.GetSrc();
        if (!text.contains(QLatin1String("</b> of")))
            ++failures;
        bytes += text.size();
    }
    const double wall = clock.nsecsElapsed() / 1e9;
    const double cpu = cpuSeconds() - cpuBefore;

    out << "requests=" << requests << '\n'
        << "failures=" << failures << '\n'
        << "page_chars_avg=" << (bytes / requests) << '\n'
        << "requests_per_s=" << QString::number(requests / wall, 'f', 1) << '\n'
        << "per_request_ms=" << QString::number(wall * 1000.0 / requests, 'f', 3) << '\n'
        << "fetch_cpu_percent=" << QString::number(100.0 * cpu / wall, 'f', 1) << '\n';
    out.flush();

    standin::Behaviour silent;
    silent.neverAnswer = true;
    standIn.setBehaviour(QStringLiteral("/google/hang"), silent);
    page.url = standIn.serviceBase(QStringLiteral("google")) + QStringLiteral("/hang");
    page.TryTime = 2;
    const double waitCpuBefore = cpuSeconds();
    clock.restart();
    const QString nothing = page.GetSrc();
    const double waitWall = clock.nsecsElapsed() / 1e9;
    const double waitCpu = cpuSeconds() - waitCpuBefore;

    out << "wait_timed_out=" << (page.lastTimedOut() && nothing.isEmpty() ? 1 : 0) << '\n'
        << "wait_s=" << QString::number(waitWall, 'f', 3) << '\n'
        << "wait_cpu_s=" << QString::number(waitCpu, 'f', 4) << '\n'
        << "wait_cpu_percent=" << QString::number(100.0 * waitCpu / waitWall, 'f', 2) << '\n';
    out.flush();
    return failures == 0 ? 0 : 2;
}
