// Page rules: parsing the largest saved real page with libxml2 and reading
// its count, related searches and results with the shipped XPath set.
// Prints the mean CPU time of one parse plus the three readings (the wall
// time too: on a loaded machine it is mostly waiting for a core).

#include "pagerules/HtmlDocument.h"
#include "pagerules/XPathRuleSet.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>

#include <ctime>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(VELTRANA_REALPAGES_DIR);
    const QFileInfoList pages = QDir(dir).entryInfoList({QStringLiteral("*.html")}, QDir::Files, QDir::Size);
    if (pages.isEmpty()) {
        out << "veltrana: bench_rules: no saved pages in " << dir << "\n";
        return 1;
    }
    QFile f(pages.first().filePath());
    if (!f.open(QIODevice::ReadOnly))
        return 1;
    const QString page = QString::fromUtf8(f.readAll());
    RuleSetError error;
    const auto set = XPathRuleSet::load(QStringLiteral(VELTRANA_SOURCE_DIR "/rules/2019.ini"), &error);
    if (!set) {
        out << "veltrana: bench_rules: " << error.toString() << "\n";
        return 1;
    }
    const QString engine = pages.first().fileName().section(QLatin1Char('-'), 0, 0);
    const int rounds = 20;
    QElapsedTimer parseOnly;
    parseOnly.start();
    const std::clock_t parseCpu = std::clock();
    for (int i = 0; i < rounds; ++i) {
        HtmlDocument doc(page);
        if (doc.select(QStringLiteral("//a")).isEmpty())
            return 1;
    }
    const double parseMs = double(std::clock() - parseCpu) * 1000.0 / CLOCKS_PER_SEC / rounds;
    const double parseWallMs = double(parseOnly.nsecsElapsed()) / 1e6 / rounds;
    QElapsedTimer timer;
    timer.start();
    const std::clock_t readCpu = std::clock();
    for (int i = 0; i < rounds; ++i) {
        for (PageRules::Purpose p :
             {PageRules::Purpose::Count, PageRules::Purpose::Related, PageRules::Purpose::Results})
            set->read(engine, p, page);
    }
    // Each reading parses the page again: three parses per round.
    const double readMs = double(std::clock() - readCpu) * 1000.0 / CLOCKS_PER_SEC / rounds / 3;
    const double readWallMs = double(timer.nsecsElapsed()) / 1e6 / rounds / 3;
    out << pages.first().fileName() << " (" << pages.first().size() / 1024 << " KB), CPU (wall): parse + one XPath "
        << QString::number(parseMs, 'f', 1) << " ms (" << QString::number(parseWallMs, 'f', 1)
        << " ms); one rule reading, parse + rules " << QString::number(readMs, 'f', 1) << " ms ("
        << QString::number(readWallMs, 'f', 1) << " ms); bound 20 ms\n";
    return readMs < 20.0 ? 0 : 1;
}
