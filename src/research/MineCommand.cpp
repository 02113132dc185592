#include "research/MineCommand.h"

#include "common/Engine.h"
#include "common/ResultList.h"
#include "context/AppContext.h"
#include "research/CountFiller.h"
#include "research/RelatedMiner.h"
#include "store/KeywordStore.h"

#include <QTextStream>
#include <QTimer>
#include <csignal>
#include <functional>

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

void onInterrupt(int)
{
    g_interrupted = 1;
}

// Ctrl-C only raises a flag; a timer looks at it from the event loop, which
// runs during every fetch and pacing wait, so the job stops at its next
// keyword boundary with everything it stored kept.
class InterruptWatch
{
public:
    explicit InterruptWatch(std::function<void()> onStop)
    {
        g_interrupted = 0;
        m_previous = std::signal(SIGINT, onInterrupt);
        m_timer.setInterval(200);
        QObject::connect(&m_timer, &QTimer::timeout, [this, stop = std::move(onStop)] {
            if (g_interrupted && !m_fired) {
                m_fired = true;
                stop();
            }
        });
        m_timer.start();
    }
    ~InterruptWatch() { std::signal(SIGINT, m_previous); }
    bool interrupted() const { return g_interrupted != 0; }

private:
    QTimer m_timer;
    bool m_fired = false;
    void (*m_previous)(int) = SIG_DFL;
};

QString usageText()
{
    return QStringLiteral(
        "usage: veltrana mine SEED [--engines google,yahoo,bing] [--must-contain] [--exclude WORDS] [--save]\n"
        "       veltrana counts [--engines google,yahoo,bing] KEYWORD...\n"
        "Prints one tab-separated line per keyword: keyword, Google, Yahoo, Bing counts.\n");
}

int usageError(const QString &problem)
{
    QTextStream err(stderr);
    err << "veltrana: " << problem << '\n' << usageText();
    err.flush();
    return 2;
}

void printRow(QTextStream &out, const QStringList &cells)
{
    out << cells.join(QLatin1Char('\t')) << '\n';
    out.flush();
}

} // namespace

int runMineCommand(AppContext &context, const QStringList &args)
{
    if (args.isEmpty())
        return usageError(QStringLiteral("no command"));
    const QString command = args.first();
    if (command != u"mine" && command != u"counts")
        return usageError(QStringLiteral("unknown command: ") + command);
    const bool mine = command == u"mine";

    MiningOptions options;
    options.counts.engines = {true, true, true};
    QStringList words;
    for (int i = 1; i < args.size(); ++i) {
        const QString &a = args.at(i);
        if (a == u"--engines") {
            if (++i >= args.size() || !parseEngineList(args.at(i), options.counts.engines))
                return usageError(QStringLiteral("--engines takes a list of google, yahoo, bing"));
        } else if (mine && a == u"--must-contain") {
            options.mustContain = true;
        } else if (mine && a == u"--exclude") {
            if (++i >= args.size())
                return usageError(QStringLiteral("--exclude takes words separated by |"));
            options.exclude = true;
            options.excludeWords = args.at(i);
        } else if (mine && a == u"--save") {
            options.counts.store = true;
        } else if (a.startsWith(QLatin1String("--"))) {
            return usageError(QStringLiteral("unknown option: ") + a);
        } else {
            words.append(a);
        }
    }
    if (words.isEmpty() || (mine && words.size() != 1))
        return usageError(mine ? QStringLiteral("mine takes one seed (quote a seed with spaces)")
                               : QStringLiteral("counts takes at least one keyword"));
    for (const QString &w : std::as_const(words)) {
        if (w.trimmed().isEmpty())
            return usageError(QStringLiteral("empty keyword"));
    }

    if (!context.keywords().isOpen())
        context.openDatabase();

    QTextStream out(stdout);
    QTextStream err(stderr);

    if (!mine) {
        CountFiller filler(context);
        bool stop = false;
        InterruptWatch watch([&stop] { stop = true; });
        for (const QString &keyword : std::as_const(words)) {
            if (stop || watch.interrupted())
                break;
            const KeywordStore::Counts c = filler.lookup(keyword, options.counts);
            printRow(out, {keyword, c.google, c.yahoo, c.bing});
        }
        if (watch.interrupted()) {
            err << "veltrana: interrupted" << Qt::endl;
            return 130;
        }
        return 0;
    }

    options.counts.parentBox = words.first();
    RelatedMiner miner(context);
    miner.setOptionsSource([options] { return options; });
    QObject::connect(&miner, &RelatedMiner::rowFilled, &miner,
                     [&out](const QStringList &cells) { printRow(out, cells); });
    InterruptWatch watch([&miner] { miner.requestPause(); });
    const RelatedMiner::Outcome outcome = miner.click(words.first());
    if (outcome == RelatedMiner::Outcome::Paused) {
        err << "veltrana: interrupted after " << miner.result().count() << " keywords" << Qt::endl;
        return 130;
    }
    return 0;
}
