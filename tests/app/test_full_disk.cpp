// The program's files on a really full file system: a small tmpfs mounted
// for the test and filled to the last byte. Every file that was there before
// stays byte for byte, nothing is left beside it, and the failure is said:
// as a return value and reason to the window's logic, and as exit status 1
// with "veltrana: <what failed>: <reason>" from the command line.

#include "common/Endpoints.h"
#include "common/ListExporter.h"
#include "common/ResultList.h"
#include "rank/Favourites.h"
#include "rank/RankFormats.h"
#include "reports/ReportExport.h"
#include "reports/ReportWriters.h"
#include "research/MiningSettings.h"
#include "store/FavouriteStore.h"
#include "store/TextFiles.h"
#include "support/FileBytes.h"
#include "support/TestEnv.h"

#include <QDirIterator>
#include <QProcess>
#include <QtTest>

#include <cerrno>

namespace {

QString programPath()
{
    return QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("../veltrana"));
}

QString today() { return QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")); }

const QString kNoSpace = qt_error_string(ENOSPC);

// A tmpfs of its own, unmounted when the test case ends.
class SmallDisk
{
public:
    SmallDisk()
    {
        QProcess p;
        p.start(QStringLiteral("mount"),
                {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"), QStringLiteral("size=256k"),
                 QStringLiteral("tmpfs"), m_dir.path()});
        if (!p.waitForFinished(5000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
            m_refusal = p.errorString() + u' ' + QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
        else
            m_mounted = true;
    }
    ~SmallDisk()
    {
        if (m_mounted && QProcess::execute(QStringLiteral("umount"), {m_dir.path()}) != 0)
            QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), m_dir.path()});
    }
    SmallDisk(const SmallDisk &) = delete;
    SmallDisk &operator=(const SmallDisk &) = delete;

    bool mounted() const { return m_mounted; }
    QString refusal() const { return m_refusal; }
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QString root() const { return m_dir.path(); }

    // Takes every byte that is left; says why the last write failed (ENOSPC).
    QString fill()
    {
        QFile filler(path(QStringLiteral("filler")));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return filler.errorString();
        const QByteArray page(4096, 'f');
        while (filler.write(page) == page.size()) { }
        while (filler.write("f", 1) == 1) { }
        return filler.errorString();
    }

    // Every file below the root (hidden ones too) with its bytes.
    QMap<QString, QByteArray> snapshot() const
    {
        QMap<QString, QByteArray> out;
        QDirIterator it(m_dir.path(), QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            if (file.endsWith(QStringLiteral("/filler")))
                continue;
            QFile f(file);
            out.insert(file, it.fileInfo().isDir() || !f.open(QIODevice::ReadOnly) ? QByteArray("<dir>") : f.readAll());
        }
        return out;
    }

    // Files below the root this process still holds open (a leaked handle
    // would keep the space taken and the disk busy).
    QStringList heldOpen() const
    {
        QStringList out;
        const QFileInfoList fds = QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::Files | QDir::System);
        for (const QFileInfo &fd : fds) {
            const QString target = fd.symLinkTarget();
            if (target.startsWith(m_dir.path() + u'/'))
                out.append(target);
        }
        return out;
    }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
    QString m_refusal;
};

#define REQUIRE_SMALL_DISK(disk)                                                                                       \
    if (!(disk).mounted())                                                                                             \
        QSKIP(qPrintable(QStringLiteral("mounting a tmpfs was refused here (") + (disk).refusal()                      \
                         + QStringLiteral("): the full-disk cases need root with the right to mount")));

void fillReportList(ResultList &list)
{
    for (int i = 0; i < 2000; ++i)
        list.addRow(QStringLiteral("keyword number %1").arg(i), {QString::number(i * 7919)});
}

struct Run {
    int status = -1;
    QString err;
};

// The built program, waited for with the event loop running (the stand-in
// of a test lives in this process).
Run runProgram(const QString &dataDir, const QString &configDir, const QStringList &args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), configDir);
    env.remove(QStringLiteral("VELTRANA_HOME"));
    p.setProcessEnvironment(env);
    p.start(programPath(), QStringList{QStringLiteral("--data"), dataDir} + args);
    Run r;
    if (!p.waitForStarted(5000))
        return r;
    if (!QTest::qWaitFor([&p] { return p.state() == QProcess::NotRunning; }, 30000)) {
        p.kill();
        p.waitForFinished(2000);
        return r;
    }
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

} // namespace

class TestFullDisk : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void listAndSettingFilesKeepTheirBytes();
    void aNewFavouriteThatCannotBeWrittenIsSaidAndNotKept();
    void reportsKeepTheirBytes();
    void exportCommandExitsWithOne();
    void rankFavouritesKeepsTodaysDayFileAndExitsWithOne();
};

void TestFullDisk::listAndSettingFilesKeepTheirBytes()
{
    SmallDisk disk;
    REQUIRE_SMALL_DISK(disk)
    const QString mykw = disk.path(QStringLiteral("mykw.txt"));
    const QString kws = disk.path(QStringLiteral("kws.txt"));
    const QString ini = disk.path(QStringLiteral("endpoints.ini"));
    const QString key = QStringLiteral("Google#www.example.com#hiking boots#0#0");
    FavouriteStore favourites(disk.path(QStringLiteral("myfav")));
    QVERIFY(TextFiles::writeLines(mykw, {QStringLiteral("rank tracker$hiking boots")}));
    QVERIFY(MiningSettings::saveSeed(kws, QStringLiteral("seo")));
    QVERIFY(Endpoints().save(ini));
    QVERIFY(favourites.create(key));
    QVERIFY(favourites.writeDay(key, today(), {QStringLiteral("Google|12|www.example.com/boots")}));
    const QMap<QString, QByteArray> before = disk.snapshot();
    QCOMPARE(disk.fill(), kNoSpace);

    // Each is written bigger than a page, so it can never fit a block left over.
    const QString big(5000, QLatin1Char('k'));
    QString failure;
    QVERIFY(!TextFiles::writeLines(mykw, {big}, &failure));
    QCOMPARE(failure, kNoSpace);
    failure.clear();
    QVERIFY(!MiningSettings::saveSeed(kws, big, &failure));
    QCOMPARE(failure, kNoSpace);
    failure.clear();
    Endpoints endpoints;
    endpoints.setBase(Endpoints::Service::Maker, QStringLiteral("http://") + big);
    QVERIFY(!endpoints.save(ini, &failure));
    QCOMPARE(failure, kNoSpace);
    failure.clear();
    QVERIFY(!favourites.writeDay(key, today(), {QStringLiteral("Google|0|") + big}, &failure));
    QCOMPARE(failure, kNoSpace);

    QCOMPARE(disk.snapshot(), before);
    QCOMPARE(favourites.readDay(key, today()), QStringList{QStringLiteral("Google|12|www.example.com/boots")});
}

void TestFullDisk::aNewFavouriteThatCannotBeWrittenIsSaidAndNotKept()
{
    SmallDisk disk;
    REQUIRE_SMALL_DISK(disk)
    QTemporaryDir settings;
    ScriptedPrompter prompter;
    AppContext context(settings.path(), disk.root(), settings.filePath(QStringLiteral("settings.ini")));
    context.setPrompter(&prompter);
    QVERIFY(QDir(disk.root()).mkdir(QStringLiteral("myfav")));
    QCOMPARE(disk.fill(), kNoSpace);

    ResultList recent({QStringLiteral("搜索引擎"), QStringLiteral("网站"), QStringLiteral("关键字")});
    const int r = recent.addRow(QStringLiteral("Google"), {QStringLiteral("www.example.com"), QStringLiteral("boots")});
    recent.setChecked(r, true);
    recent.setTag(
        r,
        RankFormats::formatTag({QStringLiteral("www.example.com"), QStringLiteral("boots"), today(),
                                QStringLiteral("$1$Google|3|www.example.com/") + QString(5000, u'b'), 0, false}));
    Favourites favourites(context);
    QCOMPARE(favourites.addFromRecent(recent, today()), 0);
    QCOMPARE(prompter.prompts.last().icon, Prompter::Icon::Warning);
    QVERIFY2(prompter.prompts.last().text.contains(QStringLiteral(": ") + kNoSpace), qPrintable(prompter.lastText()));
    // No empty folder is left to pass for a favourite at the next start.
    QCOMPARE(favourites.store().keys(), QStringList());
    QCOMPARE(favourites.list().count(), 0);
}

void TestFullDisk::reportsKeepTheirBytes()
{
    SmallDisk disk;
    REQUIRE_SMALL_DISK(disk)
    ResultList list({QStringLiteral("相关关键词"), QStringLiteral("Google收录")});
    fillReportList(list);
    const QList<ReportFormat> formats{ReportFormat::Text, ReportFormat::Html, ReportFormat::Csv,
                                      ReportFormat::Workbook};
    for (ReportFormat f : formats)
        TestFiles::put(disk.path(QStringLiteral("report.") + ReportExport::extension(f)),
                       "the report of yesterday, " + ReportExport::extension(f).toUtf8());
    const QMap<QString, QByteArray> before = disk.snapshot();
    QCOMPARE(disk.fill(), kNoSpace);

    for (ReportFormat f : formats) {
        const QString path = disk.path(QStringLiteral("report.") + ReportExport::extension(f));
        const ReportWriters::Outcome outcome =
            ReportWriters::write(list, list.allColumns(), ReportKind::RelatedKeywords, f, path);
        QVERIFY2(!outcome.ok, qPrintable(path));
        QVERIFY2(!outcome.reason.isEmpty(), qPrintable(path));
        QVERIFY2(outcome.reason.contains(kNoSpace), qPrintable(outcome.reason));
        QCOMPARE(disk.snapshot(), before);
        QVERIFY2(disk.heldOpen().isEmpty(), qPrintable(disk.heldOpen().join(u' ')));
    }

    // The window says which file and why, and asks nothing more.
    TestEnv env;
    QVERIFY(env.isValid());
    ReportExport exporter(env.context->jobStatus(), env.context->prompter());
    const QString csv = disk.path(QStringLiteral("report.csv"));
    env.prompter.texts.enqueue(csv);
    env.prompter.answers.enqueue(Prompter::Answer::Ok); // replace it
    env.prompter.answers.enqueue(Prompter::Answer::Ok); // would open, if asked
    exporter.exportList(list, list.allColumns(), ReportKind::RelatedKeywords, ReportFormat::Csv);
    QCOMPARE(env.prompter.prompts.last().title, QStringLiteral("导出失败"));
    QVERIFY(env.prompter.prompts.last().text.contains(kNoSpace));
    QVERIFY(env.prompter.prompts.last().text.contains(QDir::toNativeSeparators(csv)));
    QVERIFY(!env.prompter.allTexts().contains(QStringLiteral("导出完成，是否打开文件?")));
    QCOMPARE(disk.snapshot(), before);
}

void TestFullDisk::exportCommandExitsWithOne()
{
    QVERIFY2(QFile::exists(programPath()), "build the veltrana target first");
    SmallDisk disk;
    REQUIRE_SMALL_DISK(disk)
    TestEnv env;
    QVERIFY(env.isValid());
    QStringList keywords;
    for (int i = 0; i < 200; ++i)
        keywords << QStringLiteral("keyword number %1").arg(i);
    env.seed(keywords);
    for (const char *name : {"report.csv", "report.xlsx"})
        TestFiles::put(disk.path(QLatin1String(name)), QByteArray("the report of yesterday"));
    const QMap<QString, QByteArray> before = disk.snapshot();
    QCOMPARE(disk.fill(), kNoSpace);
    QTemporaryDir config;

    for (const char *name : {"report.csv", "report.xlsx"}) {
        const QString path = disk.path(QLatin1String(name));
        const Run r = runProgram(env.dataDir, config.path(), {QStringLiteral("export"), QStringLiteral("db"), path});
        QCOMPARE(r.status, 1);
        const QString said = QStringLiteral("veltrana: cannot write ") + path + QStringLiteral(": ");
        // The workbook library prints lines of its own before ours.
        const QString last = r.err.trimmed().split(u'\n').last();
        QVERIFY2(last.startsWith(said) && last.contains(kNoSpace), qPrintable(r.err));
        QVERIFY2(!r.err.contains(QStringLiteral("wrote ")), qPrintable(r.err));
        QCOMPARE(disk.snapshot(), before);
    }
}

void TestFullDisk::rankFavouritesKeepsTodaysDayFileAndExitsWithOne()
{
    QVERIFY2(QFile::exists(programPath()), "build the veltrana target first");
    SmallDisk disk;
    REQUIRE_SMALL_DISK(disk)
    TestEnv env(TestEnv::OwnWeb);
    QVERIFY(env.isValid());
    QVERIFY(env.web().writeEndpoints(disk.path(QStringLiteral("endpoints.ini"))));
    // The stand-in finds the site at 1: the day file would change.
    const QString key = QStringLiteral("Google#www.trailgear-shop.com#hiking boots#0#0");
    FavouriteStore favourites(disk.path(QStringLiteral("myfav")));
    QVERIFY(favourites.create(key));
    QVERIFY(favourites.writeDay(key, today(), {QStringLiteral("Google|12|www.trailgear-shop.com/old")}));
    const QMap<QString, QByteArray> before = disk.snapshot();
    QCOMPARE(disk.fill(), kNoSpace);
    QTemporaryDir config;

    const Run r = runProgram(disk.root(), config.path(), {QStringLiteral("rank"), QStringLiteral("--favourites")});
    QCOMPARE(r.status, 1);
    const QString said =
        QStringLiteral("veltrana: cannot write ") + favourites.dayPath(key, today()) + QStringLiteral(": ") + kNoSpace;
    QVERIFY2(r.err.contains(said), qPrintable(r.err));
    QVERIFY(env.web().log(QStringLiteral("google")).size() > 0);
    // The program may have left an empty database file; what was there is as it was.
    QMap<QString, QByteArray> after = disk.snapshot();
    after.remove(disk.path(QStringLiteral("db.sqlite")));
    QCOMPARE(after, before);
}

QTEST_GUILESS_MAIN(TestFullDisk)
#include "test_full_disk.moc"
