#include "app/Commands.h"

#include "context/AppContext.h"

// Feature commands: each feature adds its #include here ...
#include "keyworddb/DbCommand.h"
#include "research/MineCommand.h"

#include <QTextStream>

namespace Commands {

namespace {

struct Entry {
    const char *name;
    Handler handler;
    const char *synopsis;
};

// ... and its entries here.
const Entry kCommands[] = {
    {"mine", runMineCommand, "mine SEED [--engines google,yahoo,bing] [--must-contain] [--exclude WORDS] [--save]"},
    {"counts", runMineCommand, "counts [--engines google,yahoo,bing] KEYWORD...   indexed counts per engine"},
    {"db", runDbCommand, "db list | db refresh [--engines google,yahoo,bing]   the keyword database"},
    {nullptr, nullptr, nullptr},
};

const Entry *find(const QString &name)
{
    for (const Entry &e : kCommands) {
        if (e.name && name == QLatin1String(e.name))
            return &e;
    }
    return nullptr;
}

} // namespace

QStringList names()
{
    QStringList out;
    for (const Entry &e : kCommands) {
        if (e.name)
            out.append(QLatin1String(e.name));
    }
    return out;
}

bool isCommand(const QString &name)
{
    return find(name) != nullptr;
}

QString usage()
{
    QString text = QStringLiteral(
        "usage: veltrana [--data DIR] [--demo] [--quit-after MS]   open the window\n"
        "       veltrana [--data DIR] COMMAND [ARGS...]            run a command without a window\n"
        "\n"
        "commands:\n");
    bool any = false;
    for (const Entry &e : kCommands) {
        if (!e.name)
            continue;
        text += QStringLiteral("  ") + QString::fromUtf8(e.synopsis) + QLatin1Char('\n');
        any = true;
    }
    if (!any)
        text += QStringLiteral("  (none)\n");
    text += QStringLiteral(
        "\n"
        "--data DIR       the data folder (database, list files, endpoints.ini)\n"
        "--demo           play the web on 127.0.0.1 with a throw-away data folder\n"
        "--quit-after MS  leave the window after MS milliseconds (smoke tests)\n");
    return text;
}

int run(AppContext &context, const QStringList &args)
{
    const Entry *entry = args.isEmpty() ? nullptr : find(args.first());
    if (!entry) {
        QTextStream err(stderr);
        if (!args.isEmpty())
            err << "veltrana: unknown command: " << args.first() << Qt::endl;
        err << usage();
        err.flush();
        return 2;
    }
    context.loadEndpoints();
    context.openDatabase();
    context.loadPacing();
    return entry->handler(context, args);
}

} // namespace Commands
