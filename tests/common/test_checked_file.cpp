// The one writer of every file the program replaces: what reaches the disk
// when every step works, and that a failure at any step (made through its
// fault seam) leaves the old file byte for byte and nothing beside it.

#include "common/CheckedFile.h"
#include "support/FileBytes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>

namespace {

QStringList everything(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

class TestCheckedFile : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

private Q_SLOTS:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    void writesAndReplacesWholeKeepingPermissionsAndLinks();
    void aFailedStepKeepsTheOldFile_data();
    void aFailedStepKeepsTheOldFile();
    void aFileThatCannotBeStartedIsSaid();
    void anotherWriterFillsTheTemporaryByName();
    void anAbandonedWriteLeavesNothing();
};

void TestCheckedFile::writesAndReplacesWholeKeepingPermissionsAndLinks()
{
    const QString path = m_dir->filePath(QStringLiteral("day.txt"));
    QVERIFY(CheckedFile::replace(path, "first\r\n").ok);
    QCOMPARE(TestFiles::bytesOf(path), QByteArray("first\r\n"));

    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
    const QByteArray big(300000, 'x');
    const CheckedFile::Result r = CheckedFile::replace(path, big);
    QVERIFY(r.ok);
    QCOMPARE(r.path, path);
    QCOMPARE(TestFiles::bytesOf(path), big);
    const QFile::Permissions kept = QFile::permissions(path);
    QVERIFY(kept.testFlag(QFile::WriteOwner));
    QVERIFY(!kept.testFlag(QFile::ReadGroup) && !kept.testFlag(QFile::ReadOther));
    QCOMPARE(everything(m_dir->path()), QStringList{QStringLiteral("day.txt")});

    // An empty content is a file too.
    QVERIFY(CheckedFile::replace(path, QByteArray()).ok);
    QCOMPARE(QFileInfo(path).size(), 0);

    // Through a link the file it names is replaced; the link stays a link.
    const QString link = m_dir->filePath(QStringLiteral("link.txt"));
    QVERIFY(QFile::link(path, link));
    QVERIFY(CheckedFile::replace(link, "via link").ok);
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(TestFiles::bytesOf(path), QByteArray("via link"));
}

void TestCheckedFile::aFailedStepKeepsTheOldFile_data()
{
    QTest::addColumn<int>("step");
    QTest::newRow("open") << int(CheckedFile::Step::Open);
    QTest::newRow("write") << int(CheckedFile::Step::Write);
    QTest::newRow("flush") << int(CheckedFile::Step::Flush);
    QTest::newRow("sync") << int(CheckedFile::Step::Sync);
    QTest::newRow("close") << int(CheckedFile::Step::Close);
    QTest::newRow("rename") << int(CheckedFile::Step::Rename);
}

void TestCheckedFile::aFailedStepKeepsTheOldFile()
{
    QFETCH(int, step);
    const QString path = m_dir->filePath(QStringLiteral("mykw.txt"));
    const QByteArray old("rank tracker$hiking boots\r\n");
    TestFiles::put(path, old);
    QList<CheckedFile::Step> asked;
    const CheckedFile::Result r = CheckedFile::replace(path, QByteArray(100000, 'n'), [&](CheckedFile::Step s) {
        asked.append(s);
        return int(s) == step ? ENOSPC : 0;
    });
    QVERIFY(!r.ok);
    QCOMPARE(r.code, ENOSPC);
    QCOMPARE(r.reason, qt_error_string(ENOSPC));
    QCOMPARE(r.message(),
             QStringLiteral("cannot write ") + QDir::toNativeSeparators(path) + QStringLiteral(": ")
                 + qt_error_string(ENOSPC));
    // The steps are taken in order and none after the failing one.
    QCOMPARE(int(asked.last()), step);
    for (int i = 0; i < asked.size(); ++i)
        QCOMPARE(int(asked.at(i)), i);
    QCOMPARE(TestFiles::bytesOf(path), old);
    QCOMPARE(everything(m_dir->path()), QStringList{QStringLiteral("mykw.txt")});

    // A target that did not exist is not made by a failed write either.
    const QString fresh = m_dir->filePath(QStringLiteral("new.txt"));
    QVERIFY(!CheckedFile::replace(fresh, "x", [&](CheckedFile::Step s) { return int(s) == step ? EIO : 0; }).ok);
    QVERIFY(!QFile::exists(fresh));
    QCOMPARE(everything(m_dir->path()), QStringList{QStringLiteral("mykw.txt")});
}

void TestCheckedFile::aFileThatCannotBeStartedIsSaid()
{
    const CheckedFile::Result missing = CheckedFile::replace(m_dir->filePath(QStringLiteral("no/such/r.csv")), "x");
    QVERIFY(!missing.ok);
    QVERIFY(!missing.reason.isEmpty());
    QVERIFY(missing.message().startsWith(QStringLiteral("cannot write ")));

    // A folder of the target's name is never replaced.
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("taken.txt")));
    QVERIFY(!CheckedFile::replace(m_dir->filePath(QStringLiteral("taken.txt")), "x").ok);
    QVERIFY(QFileInfo(m_dir->filePath(QStringLiteral("taken.txt"))).isDir());
    QCOMPARE(everything(m_dir->path()), QStringList{QStringLiteral("taken.txt")});
}

void TestCheckedFile::anotherWriterFillsTheTemporaryByName()
{
    const QString path = m_dir->filePath(QStringLiteral("book.xlsx"));
    TestFiles::put(path, "old book");
    {
        CheckedFile file(path);
        QVERIFY(file.open());
        const QString scratch = file.handOver();
        // Beside the target, hidden, and not the target's name.
        QCOMPARE(QFileInfo(scratch).absolutePath(), QFileInfo(path).absolutePath());
        QVERIFY(QFileInfo(scratch).fileName().startsWith(QStringLiteral(".book.xlsx.")));
        TestFiles::put(scratch, "new book");
        QCOMPARE(TestFiles::bytesOf(path), QByteArray("old book"));
        QVERIFY(file.commit());
    }
    QCOMPARE(TestFiles::bytesOf(path), QByteArray("new book"));
    QCOMPARE(everything(m_dir->path()), QStringList{QStringLiteral("book.xlsx")});

    // A sync failure after the hand-over still keeps the old file.
    CheckedFile file(path, [](CheckedFile::Step s) { return s == CheckedFile::Step::Sync ? EIO : 0; });
    QVERIFY(file.open());
    TestFiles::put(file.handOver(), "broken book");
    QVERIFY(!file.commit());
    QCOMPARE(file.result().reason, qt_error_string(EIO));
    QCOMPARE(TestFiles::bytesOf(path), QByteArray("new book"));
    QCOMPARE(everything(m_dir->path()), QStringList{QStringLiteral("book.xlsx")});
}

void TestCheckedFile::anAbandonedWriteLeavesNothing()
{
    const QString path = m_dir->filePath(QStringLiteral("kws.txt"));
    TestFiles::put(path, "seed");
    {
        CheckedFile file(path);
        QVERIFY(file.open());
        QVERIFY(file.write("half"));
        QCOMPARE(everything(m_dir->path()).size(), 2);
    } // gone without commit
    QCOMPARE(TestFiles::bytesOf(path), QByteArray("seed"));
    QCOMPARE(everything(m_dir->path()), QStringList{QStringLiteral("kws.txt")});

    CheckedFile file(path);
    QVERIFY(file.open());
    QVERIFY(file.write("other"));
    file.cancel();
    QVERIFY(!file.commit());
    QCOMPARE(TestFiles::bytesOf(path), QByteArray("seed"));
    QCOMPARE(everything(m_dir->path()), QStringList{QStringLiteral("kws.txt")});
}

QTEST_GUILESS_MAIN(TestCheckedFile)
#include "test_checked_file.moc"
