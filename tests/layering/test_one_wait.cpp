#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

// Every wait goes through common/Wait, which holds back a job started inside
// a wait: a local event loop elsewhere would run clicks outside that guard.
// The updater is a program of its own that shares no code with src/, so it is
// not held to this.
class TestOneWait : public QObject
{
    Q_OBJECT

    // "path:line" of every local event loop under root/src.
    static QStringList localLoops(const QString &root)
    {
        static const QRegularExpression loop(QStringLiteral(R"(\bQEventLoop\b|\bprocessEvents\s*\()"));
        const QDir base(root);
        QStringList found;
        QDirIterator it(base.filePath(QStringLiteral("src")), {QStringLiteral("*.cpp"), QStringLiteral("*.h")},
                        QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = base.relativeFilePath(it.next());
            if (path.startsWith(QLatin1String("src/updater/")) || path == u"src/common/Wait.cpp"
                || path == u"src/common/Wait.h")
                continue;
            QFile file(base.filePath(path));
            if (!file.open(QIODevice::ReadOnly)) {
                found << path + QStringLiteral(": unreadable");
                continue;
            }
            const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
            for (int i = 0; i < lines.size(); ++i) {
                if (loop.match(lines[i]).hasMatch())
                    found << QStringLiteral("%1:%2").arg(path).arg(i + 1);
            }
        }
        return found;
    }

    static void write(const QDir &root, const QString &path, const QByteArray &text)
    {
        QVERIFY(root.mkpath(QFileInfo(root.filePath(path)).path()));
        QFile f(root.filePath(path));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text);
    }

private Q_SLOTS:
    void sourceTreeWaitsOneWay()
    {
        const QStringList found = localLoops(QStringLiteral(VELTRANA_SOURCE_DIR));
        QVERIFY2(found.isEmpty(), qPrintable(found.join(QLatin1Char('\n'))));
    }

    void localLoopsAreNamed()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QDir root(dir.path());
        write(root, QStringLiteral("src/common/Wait.cpp"), "QEventLoop loop;\n");
        write(root, QStringLiteral("src/updater/Download.cpp"), "QEventLoop loop;\n");
        write(root, QStringLiteral("src/web/A.cpp"), "int a;\n    QEventLoop loop;\n");
        write(root, QStringLiteral("src/rank/ui/B.h"), "QCoreApplication::processEvents();\n");
        write(root, QStringLiteral("src/rank/C.cpp"), "processEventsLater();\nQEventLoopish x;\n");
        QStringList found = localLoops(dir.path());
        found.sort();
        QCOMPARE(found, (QStringList{QStringLiteral("src/rank/ui/B.h:1"), QStringLiteral("src/web/A.cpp:2")}));
    }
};

QTEST_GUILESS_MAIN(TestOneWait)
#include "test_one_wait.moc"
