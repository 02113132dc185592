// A year of daily mining: 100,000 stored keywords (or the count given).
// Prints how long the keyword-database tab takes to load them (list and
// reserve), to filter by a Google count, to sort by a count column, to
// restore, and to delete a tenth of them ticked, and the peak memory. Beside
// the load it prints a bare forward-only scan of the same rows reading every
// column (baseline_scan_ms) and the ratio of the two (load_ratio), and last
// the same load on a thread of its own, as the tab does (background_load_ms).

#include "common/ResultFilter.h"
#include "common/ResultList.h"
#include "common/ui/ResultListView.h"
#include "keyworddb/KeywordDatabase.h"
#include "store/KeywordStore.h"

#include <QApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>
#include <sys/resource.h>

int main(int argc, char *argv[])
{
    // The list is measured with its view attached and shown, as on the tab.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream out(stdout);
    const int rows = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;

    QTemporaryDir dir;
    KeywordStore store;
    if (!dir.isValid() || !store.open(dir.filePath(QStringLiteral("db.sqlite")))) {
        out << "cannot create the database\n";
        return 1;
    }

    // Filled through one prepared statement of a connection of its own: the
    // fill is not measured, and a million single inserts would take minutes.
    QElapsedTimer clock;
    clock.start();
    {
        QSqlDatabase fill = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fill"));
        fill.setDatabaseName(dir.filePath(QStringLiteral("db.sqlite")));
        if (!fill.open() || !fill.transaction()) {
            out << "cannot fill the database\n";
            return 1;
        }
        QSqlQuery q(fill);
        q.prepare(QStringLiteral("insert into keywords (keys,parentkeys,googles,yahoos,bings,adddate)"
                                 " values (?,?,?,?,?,?)"));
        const QDate first(2024, 1, 1);
        quint32 x = 12345;
        auto next = [&x] {
            x = x * 1103515245u + 12345u;
            return (x >> 8) % 10000000u;
        };
        for (int i = 0; i < rows; ++i) {
            q.bindValue(0, QStringLiteral("seed %1 related keyword %2").arg(i % 365).arg(i));
            q.bindValue(1, QStringLiteral("seed %1").arg(i % 365));
            q.bindValue(2, QString::number(next()));
            q.bindValue(3, i % 7 == 0 ? QStringLiteral("-") : QString::number(next()));
            q.bindValue(4, QString::number(next() / 3));
            q.bindValue(5, KeywordStore::dateText(first.addDays(i % 365)));
            q.exec();
        }
        fill.commit();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fill"));
    out << "rows=" << rows << "\nfill_ms=" << clock.elapsed() << '\n';

    qint64 baseline = 0;
    {
        QSqlDatabase bare = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bare"));
        bare.setDatabaseName(dir.filePath(QStringLiteral("db.sqlite")));
        if (!bare.open()) {
            out << "cannot open the database for the bare scan\n";
            return 1;
        }
        QSqlQuery q(bare);
        q.setForwardOnly(true);
        q.prepare(
            QStringLiteral("select keys,parentkeys,googles,yahoos,bings ,adddate from keywords order by id desc"));
        clock.restart();
        q.exec();
        qsizetype chars = 0;
        int seen = 0;
        while (q.next()) {
            for (int c = 0; c < 6; ++c)
                chars += q.value(c).toString().size();
            ++seen;
        }
        baseline = clock.elapsed();
        out << "baseline_scan_ms=" << baseline << " (rows " << seen << ", chars " << chars << ")\n";
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bare"));

    KeywordDatabase database(store);
    ResultListView view;
    view.setResultList(&database.list());
    view.resize(800, 600);
    view.show();
    QCoreApplication::processEvents();
    clock.restart();
    database.GetDb();
    QCoreApplication::processEvents();
    const qint64 load = clock.elapsed();
    out << "load_ms=" << load << '\n';
    out << "load_ratio=" << QString::number(double(load) / double(qMax<qint64>(1, baseline)), 'f', 2) << '\n';

    FilterConditions conditions;
    conditions.google = {QStringLiteral(">"), QStringLiteral("5000000")};
    clock.restart();
    database.filter(conditions);
    QCoreApplication::processEvents();
    out << "filter_ms=" << clock.elapsed() << " (kept " << database.list().count() << ")\n";

    clock.restart();
    database.restore();
    QCoreApplication::processEvents();
    out << "restore_ms=" << clock.elapsed() << " (rows " << database.list().count() << ")\n";

    clock.restart();
    database.list().sortByColumnClick(KeywordDatabase::Google);
    QCoreApplication::processEvents();
    out << "sort_ms=" << clock.elapsed() << '\n';

    // Every tenth row of the sorted list, ticked as a user would.
    for (int r = 0; r < database.list().count(); r += 10)
        database.list().setChecked(r, true);
    const int ticked = database.list().checkedCount();
    QCoreApplication::processEvents();
    clock.restart();
    const int deleted = database.deleteTicked();
    QCoreApplication::processEvents();
    out << "delete_ms=" << clock.elapsed() << " (ticked " << ticked << ", deleted " << deleted << ", left "
        << database.list().count() << '/' << database.reserve().count() << '/' << store.rowCount() << ")\n";

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    out << "peak_rss_mb=" << (usage.ru_maxrss / 1024) << '\n';

    // What the tab does with a large table: the same load on a thread of its
    // own, until the lists hold the rows, and the peak memory after it.
    clock.restart();
    bool loaded = false;
    QObject::connect(&database, &KeywordDatabase::loadFinished, &app, [&](bool ok) {
        loaded = ok;
        app.quit();
    });
    database.reloadInBackground();
    app.exec();
    QCoreApplication::processEvents();
    out << "background_load_ms=" << clock.elapsed() << " (rows " << database.list().count()
        << (loaded ? "" : ", failed") << ")\n";
    getrusage(RUSAGE_SELF, &usage);
    out << "peak_rss_mb_with_background=" << (usage.ru_maxrss / 1024) << '\n';
    return 0;
}
