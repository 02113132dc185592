// A year of daily mining: 100,000 stored keywords. Prints how long the
// keyword-database tab takes to load them (list and reserve), to filter by a
// Google count and to sort by a count column, and the peak memory.

#include "common/ResultFilter.h"
#include "common/ResultList.h"
#include "common/ui/ResultListView.h"
#include "keyworddb/KeywordDatabase.h"
#include "store/KeywordStore.h"

#include <QApplication>
#include <QDate>
#include <QElapsedTimer>
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

    QElapsedTimer clock;
    clock.start();
    store.beginBatch();
    const QDate first(2024, 1, 1);
    quint32 x = 12345;
    auto next = [&x] {
        x = x * 1103515245u + 12345u;
        return (x >> 8) % 10000000u;
    };
    for (int i = 0; i < rows; ++i) {
        const KeywordStore::Counts counts{QString::number(next()),
                                          i % 7 == 0 ? QStringLiteral("-") : QString::number(next()),
                                          QString::number(next() / 3)};
        store.insert(QStringLiteral("seed %1 related keyword %2").arg(i % 365).arg(i),
                     QStringLiteral("seed %1").arg(i % 365), counts, first.addDays(i % 365));
    }
    store.commitBatch();
    out << "rows=" << rows << "\nfill_ms=" << clock.elapsed() << '\n';

    KeywordDatabase database(store);
    ResultListView view;
    view.setResultList(&database.list());
    view.resize(800, 600);
    view.show();
    QCoreApplication::processEvents();
    clock.restart();
    database.GetDb();
    QCoreApplication::processEvents();
    out << "load_ms=" << clock.elapsed() << '\n';

    FilterConditions conditions;
    conditions.google = {QStringLiteral(">"), QStringLiteral("5000000")};
    clock.restart();
    database.filter(conditions);
    QCoreApplication::processEvents();
    out << "filter_ms=" << clock.elapsed() << " (kept " << database.list().count() << ")\n";

    database.restore();
    clock.restart();
    database.list().sortByColumnClick(KeywordDatabase::Google);
    QCoreApplication::processEvents();
    out << "sort_ms=" << clock.elapsed() << '\n';

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    out << "peak_rss_mb=" << (usage.ru_maxrss / 1024) << '\n';
    return 0;
}
