#include "keyworddb/DbCommand.h"

#include "common/Endpoints.h"
#include "common/JobStatus.h"
#include "common/ResultList.h"
#include "context/AppContext.h"
#include "keyworddb/DatabaseRefresh.h"
#include "keyworddb/KeywordDatabase.h"
#include "store/KeywordStore.h"

#include <QTextStream>
#include <array>
#include <csignal>

namespace {

// Set by the SIGINT handler, read at each row boundary. A signal handler can
// reach nothing but a file-level flag of this type.
volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void onInterrupt(int)
{
    g_interrupted = 1;
    // A second Ctrl-C ends the program at once.
    std::signal(SIGINT, SIG_DFL);
}

// Restores the previous SIGINT handler when the refresh ends.
class InterruptGuard
{
public:
    InterruptGuard()
    {
        g_interrupted = 0;
        m_previous = std::signal(SIGINT, onInterrupt);
    }
    ~InterruptGuard() { std::signal(SIGINT, m_previous == SIG_ERR ? SIG_DFL : m_previous); }
    InterruptGuard(const InterruptGuard &) = delete;
    InterruptGuard &operator=(const InterruptGuard &) = delete;

private:
    void (*m_previous)(int) = SIG_DFL;
};

QString usage()
{
    return QStringLiteral("usage: veltrana db list\n"
                          "       veltrana db refresh [--engines google,yahoo,bing]\n");
}

// One line per row: tabs and line breaks inside a text would split it.
QString field(QString text)
{
    for (QChar &c : text)
        if (c == u'\t' || c == u'\n' || c == u'\r')
            c = u' ';
    return text;
}

int badArguments(QTextStream &err, const QString &why)
{
    if (!why.isEmpty())
        err << "veltrana db: " << why << '\n';
    err << usage();
    err.flush();
    return 2;
}

bool ensureDatabase(AppContext &context, QTextStream &err)
{
    if (context.keywords().isOpen() || context.openDatabase())
        return true;
    err << "veltrana db: cannot open the keyword database in " << context.dataDir() << '\n';
    err.flush();
    return false;
}

int listTable(AppContext &context, QTextStream &out, QTextStream &err)
{
    if (!ensureDatabase(context, err))
        return 1;
    const QVector<KeywordStore::Record> rows = context.keywords().loadAll();
    for (const KeywordStore::Record &r : rows) {
        out << field(r.keys) << '\t' << field(r.parentkeys) << '\t' << field(r.counts.google) << '\t'
            << field(r.counts.yahoo) << '\t' << field(r.counts.bing) << '\t' << field(r.adddate) << '\n';
    }
    out.flush();
    return 0;
}

int refresh(AppContext &context, const std::array<bool, 3> &engines, QTextStream &err)
{
    if (!ensureDatabase(context, err))
        return 1;
    KeywordDatabase database(context.keywords());
    database.GetDb();
    ResultList &list = database.list();

    DatabaseRefresh run(list, context.keywords(), context.endpoints(), context.pacing(), context.jobStatus());
    run.setEngineSwitch([engines](Engine e) { return engines[engineIndex(e)]; });

    InterruptGuard guard;
    QObject::connect(&run, &DatabaseRefresh::rowStarted, &run, [&run](int) {
        if (g_interrupted)
            run.requestPause();
    });
    const int total = list.count();
    QObject::connect(&run, &DatabaseRefresh::rowFinished, &run, [&](int row) {
        err << (row + 1) << '/' << total << '\t' << field(list.cell(row, KeywordDatabase::Keyword));
        for (int c = KeywordDatabase::Google; c <= KeywordDatabase::Date; ++c)
            err << '\t' << field(list.cell(row, c));
        err << '\n';
        err.flush();
    });

    const DatabaseRefresh::Outcome outcome = run.start();
    if (outcome == DatabaseRefresh::Outcome::Paused) {
        err << "stopped before row " << (run.resumeRow() + 1) << " of " << total << '\n';
        err.flush();
        return 130;
    }
    err << "done: " << total << " rows\n";
    err.flush();
    return 0;
}

} // namespace

int runDbCommand(AppContext &context, const QStringList &args)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (args.size() < 2 || args.at(0) != u"db")
        return badArguments(err, {});
    const QString command = args.at(1);
    const QStringList rest = args.mid(2);

    if (command == u"list") {
        if (!rest.isEmpty())
            return badArguments(err, QStringLiteral("unexpected argument: ") + rest.first());
        return listTable(context, out, err);
    }
    if (command != u"refresh")
        return badArguments(err, QStringLiteral("unknown command: ") + command);

    std::array<bool, 3> engines{true, true, true};
    for (int i = 0; i < rest.size(); ++i) {
        QString value;
        if (rest.at(i) == u"--engines") {
            if (i + 1 >= rest.size())
                return badArguments(err, QStringLiteral("--engines needs a list"));
            value = rest.at(++i);
        } else if (rest.at(i).startsWith(QStringLiteral("--engines="))) {
            value = rest.at(i).mid(10);
        } else {
            return badArguments(err, QStringLiteral("unexpected argument: ") + rest.at(i));
        }
        if (!parseEngineList(value, engines))
            return badArguments(err, QStringLiteral("--engines takes google, yahoo and bing, separated by commas"));
    }
    return refresh(context, engines, err);
}
