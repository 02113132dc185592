// DataFolder: which folder holds the data, in its order of choice.

#include "common/DataFolder.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

class TestDataFolder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dataFolderOrder();
    void onlyThePerUserFolderIsMadeUnasked();
    void cleanup();
};

void TestDataFolder::dataFolderOrder()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString program = tmp.filePath(QStringLiteral("program"));
    QVERIFY(QDir().mkpath(program));
    const QString option = tmp.filePath(QStringLiteral("from-option"));
    const QString home = tmp.filePath(QStringLiteral("from-env"));
    qputenv("XDG_DATA_HOME", tmp.filePath(QStringLiteral("xdg")).toLocal8Bit());

    // 1. --data wins over everything, and the folder is created.
    qputenv("VELTRANA_HOME", home.toLocal8Bit());
    const QStringList args{QStringLiteral("db"), QStringLiteral("--data"), option, QStringLiteral("list")};
    QCOMPARE(DataFolder::resolve(args, program), option);
    QVERIFY(QDir(option).exists());
    QCOMPARE(DataFolder::withoutDataOption(args), (QStringList{"db", "list"}));

    // 2. $VELTRANA_HOME, also when "--data" has no folder after it.
    QCOMPARE(DataFolder::resolve({}, program), home);
    QVERIFY(QDir(home).exists());
    QCOMPARE(DataFolder::resolve({QStringLiteral("--data")}, program), home);
    QCOMPARE(DataFolder::withoutDataOption({QStringLiteral("--data")}), QStringList());

    // 3. The program folder when it is writable.
    qunsetenv("VELTRANA_HOME");
    QCOMPARE(DataFolder::resolve({}, program), program);
    QVERIFY(DataFolder::isWritableFolder(program));
    QCOMPARE(QDir(program).entryList(QDir::Files | QDir::Hidden), QStringList()); // the probe left nothing

    // 4. Else the per-user data folder.
    const QString missing = tmp.filePath(QStringLiteral("no-such-program-dir"));
    QVERIFY(!DataFolder::isWritableFolder(missing));
    const QString fallback = DataFolder::resolve({}, missing);
    QVERIFY2(fallback.startsWith(tmp.filePath(QStringLiteral("xdg"))), qPrintable(fallback));
    QVERIFY(QDir(fallback).exists());
    QVERIFY(!QDir(missing).exists());

    // A relative --data folder comes back absolute.
    const QString cwd = QDir::currentPath();
    QVERIFY(QDir::setCurrent(tmp.path()));
    const QString relative = DataFolder::resolve({QStringLiteral("--data"), QStringLiteral("rel")}, program);
    QDir::setCurrent(cwd);
    QCOMPARE(relative, QDir(tmp.path()).absoluteFilePath(QStringLiteral("rel")));
}

// Commands resolve without making folders, so that a mistyped --data or
// $VELTRANA_HOME leaves nothing behind; but the per-user folder must exist
// for the first command after installing into a folder users cannot write.
void TestDataFolder::onlyThePerUserFolderIsMadeUnasked()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString readOnlyProgram = tmp.filePath(QStringLiteral("no-such-program-dir"));
    qputenv("XDG_DATA_HOME", tmp.filePath(QStringLiteral("xdg")).toLocal8Bit());

    const QString given = tmp.filePath(QStringLiteral("typo"));
    QCOMPARE(DataFolder::resolveGiven(given, readOnlyProgram, false), given);
    QVERIFY(!QDir(given).exists());

    const QString home = tmp.filePath(QStringLiteral("env-typo"));
    qputenv("VELTRANA_HOME", home.toLocal8Bit());
    QCOMPARE(DataFolder::resolveGiven(QString(), readOnlyProgram, false), home);
    QVERIFY(!QDir(home).exists());

    qunsetenv("VELTRANA_HOME");
    const QString perUser = DataFolder::resolveGiven(QString(), readOnlyProgram, false);
    QVERIFY2(perUser.startsWith(tmp.filePath(QStringLiteral("xdg/"))), qPrintable(perUser));
    QVERIFY(QDir(perUser).exists());
}

void TestDataFolder::cleanup()
{
    qunsetenv("VELTRANA_HOME");
    qunsetenv("XDG_DATA_HOME");
}

QTEST_GUILESS_MAIN(TestDataFolder)
#include "test_datafolder.moc"
