#include "LayerRules.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// Keeps the floors of the source tree: the real tree passes, and each kind of
// forbidden include in a small made-up tree is caught with file and include.
class TestLayers : public QObject
{
    Q_OBJECT

    static void write(const QDir &root, const QString &path, const QString &text)
    {
        QVERIFY(root.mkpath(QFileInfo(root.filePath(path)).path()));
        QFile f(root.filePath(path));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text.toUtf8());
    }

    // A made-up tree stands on the real tree's floors.
    static void copyFloors(const QDir &root)
    {
        QFile real(QDir(QStringLiteral(VELTRANA_SOURCE_DIR)).filePath(QLatin1String(LayerRules::kFloorsFile)));
        QVERIFY(real.open(QIODevice::ReadOnly));
        write(root, QLatin1String(LayerRules::kFloorsFile), QString::fromUtf8(real.readAll()));
    }

    static QStringList lines(const QList<LayerRules::Violation> &found)
    {
        QStringList out;
        for (const LayerRules::Violation &v : found)
            out << v.toString();
        return out;
    }

private Q_SLOTS:
    void sourceTreeKeepsTheFloors()
    {
        const QList<LayerRules::Violation> found = LayerRules::check(QStringLiteral(VELTRANA_SOURCE_DIR));
        QVERIFY2(found.isEmpty(), qPrintable(lines(found).join(QLatin1Char('\n'))));
    }

    void forbiddenIncludesAreNamed_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("include");
        QTest::newRow("common reaches a feature") << "src/common/A.cpp"
                                                  << "research/X.h";
        QTest::newRow("common reaches the context") << "src/common/A.h"
                                                    << "context/AppContext.h";
        QTest::newRow("web reaches store") << "src/web/A.cpp"
                                           << "store/KeywordStore.h";
        QTest::newRow("store reaches engines") << "src/store/A.cpp"
                                               << "engines/X.h";
        QTest::newRow("engines reach store") << "src/engines/A.cpp"
                                             << "store/X.h";
        QTest::newRow("feature reaches feature") << "src/research/A.cpp"
                                                 << "keyworddb/X.h";
        QTest::newRow("feature tab reaches feature tab") << "src/keyworddb/ui/A.cpp"
                                                         << "research/ui/X.h";
        QTest::newRow("feature reaches app") << "src/rank/A.cpp"
                                             << "app/Commands.h";
        QTest::newRow("logic includes a widget header") << "src/research/A.cpp"
                                                        << "common/ui/FilterFrame.h";
        QTest::newRow("folder without a floor") << "src/misc/A.cpp"
                                                << "common/X.h";
        QTest::newRow("relative path past the floors") << "src/research/A.cpp"
                                                       << "../app/X.h";
        QTest::newRow("main program reaches the updater") << "src/app/A.cpp"
                                                          << "updater/X.h";
        QTest::newRow("updater reaches the main program") << "src/updater/A.cpp"
                                                          << "common/X.h";
        QTest::newRow("stand-in reaches src") << "tools/standin/A.cpp"
                                              << "../../src/web/CXHtml.h";
    }

    void forbiddenIncludesAreNamed()
    {
        QFETCH(QString, file);
        QFETCH(QString, include);
        QTemporaryDir dir;
        const QDir root(dir.path());
        copyFloors(root);
        write(root, QStringLiteral("src/common/X.h"), {});
        write(root, QStringLiteral("src/web/CXHtml.h"), {});
        write(root, file, QStringLiteral("#include \"%1\"\n").arg(include));
        const QList<LayerRules::Violation> found = LayerRules::check(dir.path());
        QCOMPARE(found.size(), 1);
        QCOMPARE(found.first().file, file);
        QCOMPARE(found.first().include, include);
        QVERIFY(found.first().toString().contains(file));
    }

    void allowedIncludesPass()
    {
        QTemporaryDir dir;
        const QDir root(dir.path());
        copyFloors(root);
        write(root, QStringLiteral("src/main.cpp"), QStringLiteral("#include \"StandIn.h\"\n#include \"app/X.h\"\n"));
        write(root, QStringLiteral("src/app/ui/W.cpp"),
              QStringLiteral("#include \"research/ui/T.h\"\n#include \"context/AppContext.h\"\n"));
        write(root, QStringLiteral("src/research/M.cpp"),
              QStringLiteral("#include \"research/M.h\"\n#include \"engines/E.h\"\n#include \"store/S.h\"\n"
                             "#include \"web/CXHtml.h\"\n#include \"common/ResultList.h\"\n"));
        write(root, QStringLiteral("src/research/ui/T.cpp"), QStringLiteral("#include \"common/ui/FilterFrame.h\"\n"));
        write(root, QStringLiteral("src/common/ui/F.cpp"), QStringLiteral("#include \"common/Engine.h\"\n"));
        write(root, QStringLiteral("src/updater/U.cpp"), QStringLiteral("#include \"U.h\"\n"));
        write(root, QStringLiteral("src/updater/U.h"), {});
        write(root, QStringLiteral("tools/standin/main.cpp"), QStringLiteral("#include \"http.h\"\n"));
        write(root, QStringLiteral("tools/standin/http.h"), {});
        const QList<LayerRules::Violation> found = LayerRules::check(dir.path());
        QVERIFY2(found.isEmpty(), qPrintable(lines(found).join(QLatin1Char('\n'))));
    }

    void floorsAreReadFromTheFloorsFile()
    {
        // The real list: common is the ground, and every folder of src/ but the
        // updater (a program of its own) stands on a floor.
        const QString source = QStringLiteral(VELTRANA_SOURCE_DIR);
        QCOMPARE(LayerRules::floorOf(source, QStringLiteral("common")), 0);
        QVERIFY(LayerRules::floorOf(source, QStringLiteral("store"))
                > LayerRules::floorOf(source, QStringLiteral("web")));
        QCOMPARE(LayerRules::floorOf(source, QStringLiteral("store")),
                 LayerRules::floorOf(source, QStringLiteral("engines")));
        QVERIFY(LayerRules::floorOf(source, QStringLiteral("app"))
                > LayerRules::floorOf(source, QStringLiteral("rank")));
        QCOMPARE(LayerRules::floorOf(source, QStringLiteral("updater")), -1);
        const QStringList folders = QDir(source + QStringLiteral("/src")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        for (const QString &folder : folders)
            QVERIFY2(folder == QLatin1String("updater") || LayerRules::floorOf(source, folder) >= 0,
                     qPrintable(folder));

        // A folder given a floor in the file is checked on that floor.
        QTemporaryDir dir;
        const QDir root(dir.path());
        write(root, QLatin1String(LayerRules::kFloorsFile), QStringLiteral("# test\n0 common\n4 misc  # new\n"));
        write(root, QStringLiteral("src/common/X.h"), {});
        write(root, QStringLiteral("src/misc/A.cpp"), QStringLiteral("#include \"common/X.h\"\n"));
        QVERIFY2(LayerRules::check(dir.path()).isEmpty(), qPrintable(lines(LayerRules::check(dir.path())).join(u'\n')));
        write(root, QStringLiteral("src/common/B.cpp"), QStringLiteral("#include \"misc/A.h\"\n"));
        QCOMPARE(LayerRules::check(dir.path()).size(), 1);

        // Without the file nothing stands on a floor, and that is said.
        QVERIFY(QFile::remove(root.filePath(QLatin1String(LayerRules::kFloorsFile))));
        const QStringList found = lines(LayerRules::check(dir.path()));
        QVERIFY2(found.value(0).startsWith(QLatin1String(LayerRules::kFloorsFile)), qPrintable(found.join(u'\n')));
    }
};

QTEST_GUILESS_MAIN(TestLayers)
#include "test_layers.moc"
