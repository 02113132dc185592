#include "app/ProgramOptions.h"

ProgramOptions ProgramOptions::parse(const QStringList &args)
{
    ProgramOptions o;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        if (a == u"--") {
            o.command = args.mid(i + 1);
            break;
        }
        if (!a.startsWith(QLatin1Char('-'))) {
            o.command = args.mid(i); // what follows belongs to the command
            break;
        }
        if (a == u"--data" || a.startsWith(QLatin1String("--data="))) {
            // A missing or empty folder must not quietly become another one.
            const QString value = a == u"--data" ? (i + 1 < args.size() ? args.at(++i) : QString()) : a.mid(7);
            if (value.isEmpty()) {
                o.error = QStringLiteral("missing value for --data");
                return o;
            }
            o.dataDir = value;
        } else if (a == u"--rules" || a.startsWith(QLatin1String("--rules="))) {
            o.rules = a == u"--rules" ? (i + 1 < args.size() ? args.at(++i) : QString()) : a.mid(8);
            if (o.rules.trimmed().isEmpty()) {
                o.error = QStringLiteral("missing value for --rules");
                return o;
            }
        } else if (a == u"--demo") {
            o.demo = true;
        } else if (a == u"--help" || a == u"-h") {
            o.help = true;
        } else if (a == u"--version") {
            o.version = true;
        } else if (a == u"--quit-after") {
            bool ok = false;
            o.quitAfterMs = i + 1 < args.size() ? args.at(++i).toInt(&ok) : -1;
            if (!ok || o.quitAfterMs < 0) {
                o.error = QStringLiteral("bad --quit-after value: ") + args.value(i);
                return o;
            }
        } else {
            o.error = QStringLiteral("unknown option: ") + a;
            return o;
        }
    }
    if (o.demo && !o.command.isEmpty())
        o.error = QStringLiteral("--demo opens the window; it does not go with a command");
    else if (o.demo && o.dataDir)
        o.error = QStringLiteral("--demo keeps its own throw-away data folder; it does not take --data");
    return o;
}
