// The export routine every report button runs: refusals, the save dialog, the
// overwrite question, the failure report and the completion question.

#include "common/JobStatus.h"
#include "common/ResultList.h"
#include "context/AppContext.h"
#include "reports/ReadBack.h"
#include "reports/ReportExport.h"
#include "support/TestEnv.h"

#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <memory>
#include <sys/resource.h>

namespace {

using Answer = Prompter::Answer;

// Files may grow only to `bytes` while it lives: a full disk, for root too.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &m_old); }

private:
    rlimit m_old{};
};

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

const QList<ReportFormat> kFormats = {ReportFormat::Text, ReportFormat::Html, ReportFormat::Workbook,
                                      ReportFormat::Csv};

// Stands in for the window's progress dialog: notes every percent and
// presses cancel once `cancelAt` is reached.
struct ProgressLog {
    QList<int> percents;
    int cancelAt = 1000;
    int made = 0;
    int asides = 0;
    std::function<void()> onUpdate;
};

class ScriptedProgress : public ExportProgress
{
public:
    explicit ScriptedProgress(ProgressLog &log)
        : m_log(log)
    {
        ++m_log.made;
    }
    bool update(int percent) override
    {
        m_log.percents.append(percent);
        if (m_log.onUpdate)
            m_log.onUpdate();
        return percent < m_log.cancelAt;
    }
    void runAside(const std::function<void()> &step) override
    {
        ++m_log.asides;
        step();
    }

private:
    ProgressLog &m_log;
};

} // namespace

class TestReportExport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void refusedWhileAJobRunsOrStops();
    void emptyListIsSaidAndNothingAsked();
    void dialogTitleFilterAndCancel();
    void bareNameGetsTheFormatsExtension();
    void existingFileIsReplacedOnlyAfterOk();
    void finishedReportIsOfferedForOpening();
    void failedWriteIsReportedAndOldFileKept_data();
    void failedWriteIsReportedAndOldFileKept();
    void missingFolderIsReportedAsFailure();
    void cutWorkbookCellsAreCountedBeforeTheQuestion();
    void listTooLongForAWorkbookIsRefusedBeforeTheDialog();
    void progressIsShownAndRisesTo100_data();
    void progressIsShownAndRisesTo100();
    void cancelledExportKeepsTheOldFileAndSaysNothing_data();
    void cancelledExportKeepsTheOldFileAndSaysNothing();
    void noSecondExportWhileOneIsWritten();

private:
    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<QTemporaryDir> m_dir; // where the reports go
    AppContext *m_context = nullptr;
    ScriptedPrompter *m_prompter = nullptr;
    std::unique_ptr<ReportExport> m_export;
    std::unique_ptr<ResultList> m_list;
    QList<QUrl> m_opened;
};

void TestReportExport::init()
{
    m_env = std::make_unique<TestEnv>();
    QVERIFY(m_env->isValid());
    m_dir = std::make_unique<QTemporaryDir>();
    m_context = m_env->context.get();
    m_prompter = &m_env->prompter;
    m_opened.clear();
    m_export = std::make_unique<ReportExport>(m_context->jobStatus(), m_context->prompter(), [this](const QUrl &u) {
        m_opened.append(u);
        return true;
    });
    m_list = std::make_unique<ResultList>(QStringList{QStringLiteral("相关关键词"), QStringLiteral("Google收录"),
                                                      QStringLiteral("Yahoo收录"), QStringLiteral("Bing收录")});
    m_list->addRow(QStringLiteral("seo"), {QStringLiteral("10"), QStringLiteral("-"), QStringLiteral("3")});
}

void TestReportExport::cleanup()
{
    m_export.reset();
    m_env.reset();
    m_dir.reset();
}

void TestReportExport::refusedWhileAJobRunsOrStops()
{
    for (JobStatus::State s : {JobStatus::Running, JobStatus::Stopping}) {
        m_context->jobStatus().setState(s);
        m_prompter->texts.enqueue(m_dir->filePath(QStringLiteral("r.txt")));
        m_export->exportList(*m_list, m_list->allColumns(), ReportKind::RelatedKeywords, ReportFormat::Text);
        QVERIFY(m_prompter->prompts.isEmpty());
        QVERIFY(!QFile::exists(m_dir->filePath(QStringLiteral("r.txt"))));
        m_prompter->texts.clear();
    }
    // A paused job does not hold the lists.
    m_context->jobStatus().setState(JobStatus::Paused);
    m_prompter->texts.enqueue(m_dir->filePath(QStringLiteral("r.txt")));
    m_export->exportList(*m_list, m_list->allColumns(), ReportKind::RelatedKeywords, ReportFormat::Text);
    QVERIFY(QFile::exists(m_dir->filePath(QStringLiteral("r.txt"))));
}

void TestReportExport::emptyListIsSaidAndNothingAsked()
{
    m_list->clear();
    m_export->exportList(*m_list, m_list->allColumns(), ReportKind::RelatedKeywords, ReportFormat::Html);
    QCOMPARE(m_prompter->prompts.size(), 1);
    QCOMPARE(m_prompter->prompts.at(0).kind, QStringLiteral("message"));
    QCOMPARE(m_prompter->prompts.at(0).title, QStringLiteral("导出数据"));
    QCOMPARE(m_prompter->prompts.at(0).text, QStringLiteral("没有数据需要导出！"));
    QCOMPARE(m_prompter->prompts.at(0).icon, Prompter::Icon::Information);
}

void TestReportExport::dialogTitleFilterAndCancel()
{
    const QStringList filters = {QStringLiteral("Txt  (*.txt)"), QStringLiteral("Html  (*.htm)"),
                                 QStringLiteral("Excel  (*.xlsx)"), QStringLiteral("CSV  (*.csv)")};
    for (int i = 0; i < kFormats.size(); ++i) {
        m_prompter->prompts.clear();
        m_export->exportList(*m_list, m_list->allColumns(), ReportKind::RelatedKeywords,
                             kFormats.at(i)); // cancelled: no name
        QCOMPARE(m_prompter->prompts.size(), 1);
        QCOMPARE(m_prompter->prompts.at(0).kind, QStringLiteral("save"));
        QCOMPARE(m_prompter->prompts.at(0).title, QStringLiteral("Save   Export   File"));
        QCOMPARE(m_prompter->prompts.at(0).text, filters.at(i));
    }
    QVERIFY(QDir(m_dir->path()).entryList(QDir::Files).isEmpty());
}

void TestReportExport::bareNameGetsTheFormatsExtension()
{
    const QStringList extensions = {QStringLiteral("txt"), QStringLiteral("htm"), QStringLiteral("xlsx"),
                                    QStringLiteral("csv")};
    for (int i = 0; i < kFormats.size(); ++i) {
        m_prompter->texts.enqueue(m_dir->filePath(QStringLiteral("report%1").arg(i)));
        m_export->exportList(*m_list, m_list->allColumns(), ReportKind::RelatedKeywords, kFormats.at(i));
        QVERIFY2(QFile::exists(m_dir->filePath(QStringLiteral("report%1.").arg(i) + extensions.at(i))),
                 qPrintable(extensions.at(i)));
    }
    // A name with an extension of its own keeps it.
    m_prompter->texts.enqueue(m_dir->filePath(QStringLiteral("mine.dat")));
    m_export->exportList(*m_list, m_list->allColumns(), ReportKind::RelatedKeywords, ReportFormat::Workbook);
    QVERIFY(QFile::exists(m_dir->filePath(QStringLiteral("mine.dat"))));
    QVERIFY(QFile::copy(m_dir->filePath(QStringLiteral("mine.dat")), m_dir->filePath(QStringLiteral("mine.xlsx"))));
    QCOMPARE(readback::xlsx(m_dir->filePath(QStringLiteral("mine.xlsx"))).rows.size(), 2);
}

void TestReportExport::existingFileIsReplacedOnlyAfterOk()
{
    for (ReportFormat format : kFormats) {
        const QString path = m_dir->filePath(QStringLiteral("old.") + ReportExport::extension(format));
        writeFile(path, "old contents");
        m_prompter->prompts.clear();
        m_prompter->texts.enqueue(path);
        m_prompter->answers.enqueue(Answer::Cancel);
        m_export->exportList(*m_list, m_list->allColumns(), ReportKind::RelatedKeywords, format);
        QCOMPARE(contents(path), QByteArray("old contents"));
        QCOMPARE(m_prompter->prompts.last().kind, QStringLiteral("okcancel"));
        QCOMPARE(m_prompter->prompts.last().title, QStringLiteral("提示"));
        QCOMPARE(m_prompter->prompts.last().text, QStringLiteral("该文件已经存在，是否覆盖?"));

        m_prompter->texts.enqueue(path);
        m_prompter->answers.enqueue(Answer::Ok);
        m_export->exportList(*m_list, m_list->allColumns(), ReportKind::RelatedKeywords, format);
        const QByteArray now = contents(path);
        QVERIFY(now != "old contents");
        QVERIFY(now.size() > 20);
    }
}

void TestReportExport::finishedReportIsOfferedForOpening()
{
    const QString path = m_dir->filePath(QStringLiteral("r.htm"));
    m_prompter->texts.enqueue(path);
    m_export->exportList(*m_list, m_list->allColumns(), ReportKind::RelatedKeywords,
                         ReportFormat::Html); // Cancel: not opened
    QCOMPARE(m_prompter->lastText(), QStringLiteral("导出完成，是否打开文件?"));
    QCOMPARE(m_prompter->prompts.last().title, QStringLiteral("提示"));
    QVERIFY(m_opened.isEmpty());

    m_prompter->texts.enqueue(path);
    m_prompter->answers.enqueue(Answer::Ok); // overwrite
    m_prompter->answers.enqueue(Answer::Ok); // open
    m_export->exportList(*m_list, m_list->allColumns(), ReportKind::RelatedKeywords, ReportFormat::Html);
    QCOMPARE(m_opened, QList<QUrl>{QUrl::fromLocalFile(path)});
}

void TestReportExport::failedWriteIsReportedAndOldFileKept_data()
{
    QTest::addColumn<int>("format");
    for (ReportFormat f : kFormats)
        QTest::newRow(qPrintable(ReportExport::extension(f))) << int(f);
}

void TestReportExport::failedWriteIsReportedAndOldFileKept()
{
    QFETCH(int, format);
    // Big enough that no report of it fits under the limit below.
    for (int i = 0; i < 3000; ++i)
        m_list->addRow(QStringLiteral("keyword number %1").arg(i), {QStringLiteral("%1").arg(i * 7919)});
    const QString path = m_dir->filePath(QStringLiteral("keep.") + ReportExport::extension(ReportFormat(format)));
    writeFile(path, "the report of yesterday");
    m_prompter->texts.enqueue(path);
    m_prompter->answers.enqueue(Answer::Ok); // overwrite
    m_prompter->answers.enqueue(Answer::Ok); // would open, if asked
    {
        FileSizeLimit limit(4096);
        m_export->exportList(*m_list, m_list->allColumns(), ReportKind::RelatedKeywords, ReportFormat(format));
    }
    QCOMPARE(contents(path), QByteArray("the report of yesterday"));
    const ScriptedPrompter::Prompt last = m_prompter->prompts.last();
    QCOMPARE(last.kind, QStringLiteral("message"));
    QCOMPARE(last.title, QStringLiteral("导出失败"));
    QCOMPARE(last.icon, Prompter::Icon::Critical);
    QVERIFY2(last.text.startsWith(QStringLiteral("导出失败，原因如下：\r\n\r\n")), qPrintable(last.text));
    QVERIFY(last.text.contains(QStringLiteral(":   ")));
    QVERIFY(!m_prompter->allTexts().contains(QStringLiteral("导出完成，是否打开文件?")));
    QVERIFY(m_opened.isEmpty());
    // Nothing is left beside it.
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{QFileInfo(path).fileName()});
}

void TestReportExport::missingFolderIsReportedAsFailure()
{
    for (ReportFormat format : kFormats) {
        m_prompter->prompts.clear();
        m_prompter->texts.enqueue(m_dir->filePath(QStringLiteral("no/such/folder/r")));
        m_export->exportList(*m_list, m_list->allColumns(), ReportKind::RelatedKeywords, format);
        QCOMPARE(m_prompter->prompts.last().title, QStringLiteral("导出失败"));
        QVERIFY(!m_prompter->allTexts().contains(QStringLiteral("导出完成，是否打开文件?")));
    }
}

void TestReportExport::cutWorkbookCellsAreCountedBeforeTheQuestion()
{
    m_list->addRow(QString(33000, QLatin1Char('k')), {QString(40000, QLatin1Char('c')), QStringLiteral("-")});
    m_prompter->texts.enqueue(m_dir->filePath(QStringLiteral("long.xlsx")));
    m_export->exportList(*m_list, m_list->allColumns(), ReportKind::RelatedKeywords, ReportFormat::Workbook);
    QCOMPARE(m_prompter->prompts.size(), 3);
    QCOMPARE(m_prompter->prompts.at(1).text,
             QStringLiteral("有2个单元格的文字超过32767个字符（工作簿单元格的上限），已截断。"));
    QCOMPARE(m_prompter->prompts.at(1).icon, Prompter::Icon::Information);
    QCOMPARE(m_prompter->lastText(), QStringLiteral("导出完成，是否打开文件?"));

    // Nothing to say for a list that fits.
    m_prompter->prompts.clear();
    m_list->removeRowAt(m_list->count() - 1);
    m_prompter->texts.enqueue(m_dir->filePath(QStringLiteral("short.xlsx")));
    m_export->exportList(*m_list, m_list->allColumns(), ReportKind::RelatedKeywords, ReportFormat::Workbook);
    QCOMPARE(m_prompter->prompts.size(), 2);
}

void TestReportExport::listTooLongForAWorkbookIsRefusedBeforeTheDialog()
{
    m_list->addRow(QStringLiteral("two"));
    m_list->addRow(QStringLiteral("three"));
    m_export->setWorkbookRowLimit(3); // the header and two rows
    const QString path = m_dir->filePath(QStringLiteral("r.xlsx"));
    m_prompter->texts.enqueue(path);
    m_export->exportList(*m_list, m_list->allColumns(), ReportKind::RelatedKeywords, ReportFormat::Workbook);
    QCOMPARE(m_prompter->prompts.size(), 1);
    QCOMPARE(m_prompter->prompts.at(0).kind, QStringLiteral("message"));
    QCOMPARE(m_prompter->prompts.at(0).title, QStringLiteral("导出数据"));
    QCOMPARE(m_prompter->prompts.at(0).icon, Prompter::Icon::Warning);
    QCOMPARE(m_prompter->prompts.at(0).text, ReportExport::tooLongNotice(3, 3));
    QVERIFY(m_prompter->prompts.at(0).text.contains(QStringLiteral("3行")));
    QVERIFY(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
    QCOMPARE(ReportExport::tooLongNotice(1048576, 1048576),
             QStringLiteral("列表共有1048576行，超过Excel工作表的上限（1048576行，含标题行），无法导出至Excel。"
                            "请导出至Txt、Html或CSV。"));

    // Text formats take it; a list that fits takes the workbook too.
    m_prompter->texts.clear();
    m_prompter->prompts.clear();
    m_export->exportList(*m_list, m_list->allColumns(), ReportKind::RelatedKeywords, ReportFormat::Csv);
    QCOMPARE(m_prompter->prompts.size(), 1);
    QCOMPARE(m_prompter->prompts.last().kind, QStringLiteral("save"));
    m_list->removeRowAt(2);
    m_prompter->prompts.clear();
    m_prompter->texts.enqueue(path);
    m_export->exportList(*m_list, m_list->allColumns(), ReportKind::RelatedKeywords, ReportFormat::Workbook);
    QCOMPARE(m_prompter->lastText(), QStringLiteral("导出完成，是否打开文件?"));
    QCOMPARE(readback::xlsx(path).rows.size(), 3);
}

void TestReportExport::progressIsShownAndRisesTo100_data() { failedWriteIsReportedAndOldFileKept_data(); }

void TestReportExport::progressIsShownAndRisesTo100()
{
    QFETCH(int, format);
    for (int i = 0; i < 20000; ++i)
        m_list->addRow(QStringLiteral("keyword %1").arg(i), {QString::number(i), QStringLiteral("-")});
    ProgressLog log;
    m_export->setProgressMaker([&log] { return std::make_unique<ScriptedProgress>(log); });
    const QString path = m_dir->filePath(QStringLiteral("r.") + ReportExport::extension(ReportFormat(format)));
    m_prompter->texts.enqueue(path);
    m_export->exportList(*m_list, m_list->allColumns(), ReportKind::RelatedKeywords, ReportFormat(format));
    QCOMPARE(m_prompter->lastText(), QStringLiteral("导出完成，是否打开文件?"));
    QCOMPARE(log.made, 1);
    QVERIFY2(log.percents.size() >= 4, qPrintable(QString::number(log.percents.size())));
    QCOMPARE(log.percents.first(), 0);
    QCOMPARE(log.percents.last(), 100);
    for (int i = 1; i < log.percents.size(); ++i)
        QVERIFY2(log.percents.at(i) >= log.percents.at(i - 1), qPrintable(QString::number(i)));
    // Something between the ends: the bar moves while rows are written.
    QVERIFY(std::any_of(log.percents.cbegin(), log.percents.cend(), [](int p) { return p > 0 && p < 100; }));
    QCOMPARE(log.asides, ReportFormat(format) == ReportFormat::Workbook ? 1 : 0);

    // No progress is made for an export that never starts.
    m_export->exportList(*m_list, m_list->allColumns(), ReportKind::RelatedKeywords, ReportFormat(format));
    QCOMPARE(log.made, 1);
}

void TestReportExport::cancelledExportKeepsTheOldFileAndSaysNothing_data()
{
    failedWriteIsReportedAndOldFileKept_data();
}

void TestReportExport::cancelledExportKeepsTheOldFileAndSaysNothing()
{
    QFETCH(int, format);
    for (int i = 0; i < 20000; ++i)
        m_list->addRow(QStringLiteral("keyword %1").arg(i), {QString::number(i)});
    const QString path = m_dir->filePath(QStringLiteral("keep.") + ReportExport::extension(ReportFormat(format)));
    const QByteArray old("the report of yesterday\r\n");
    writeFile(path, old);
    ProgressLog log;
    log.cancelAt = 30;
    m_export->setProgressMaker([&log] { return std::make_unique<ScriptedProgress>(log); });
    m_prompter->texts.enqueue(path);
    m_prompter->answers.enqueue(Answer::Ok); // overwrite
    m_prompter->answers.enqueue(Answer::Ok); // would open, if asked
    m_export->exportList(*m_list, m_list->allColumns(), ReportKind::RelatedKeywords, ReportFormat(format));
    QVERIFY(log.percents.last() >= 30);
    QVERIFY(log.percents.last() < 100);
    QCOMPARE(contents(path), old);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{QFileInfo(path).fileName()});
    // Neither a failure nor the completion question: the user stopped it.
    QCOMPARE(m_prompter->prompts.last().text, QStringLiteral("该文件已经存在，是否覆盖?"));
    QVERIFY(m_opened.isEmpty());
}

void TestReportExport::noSecondExportWhileOneIsWritten()
{
    for (int i = 0; i < 10000; ++i)
        m_list->addRow(QStringLiteral("keyword %1").arg(i));
    ProgressLog log;
    int promptsDuring = -1;
    // A click on another export button while the window handles its events.
    log.onUpdate = [&] {
        if (promptsDuring >= 0)
            return;
        const qsizetype before = m_prompter->prompts.size();
        m_prompter->texts.enqueue(m_dir->filePath(QStringLiteral("second.txt")));
        m_export->exportList(*m_list, m_list->allColumns(), ReportKind::RelatedKeywords, ReportFormat::Text);
        promptsDuring = int(m_prompter->prompts.size() - before);
        m_prompter->texts.clear();
    };
    m_export->setProgressMaker([&log] { return std::make_unique<ScriptedProgress>(log); });
    m_prompter->texts.enqueue(m_dir->filePath(QStringLiteral("first.csv")));
    m_export->exportList(*m_list, m_list->allColumns(), ReportKind::RelatedKeywords, ReportFormat::Csv);
    QCOMPARE(promptsDuring, 0);
    QVERIFY(!QFile::exists(m_dir->filePath(QStringLiteral("second.txt"))));
    QCOMPARE(readback::csv(m_dir->filePath(QStringLiteral("first.csv"))).size(), 10002);
    // Afterwards the next export runs as ever.
    m_prompter->texts.enqueue(m_dir->filePath(QStringLiteral("second.txt")));
    m_export->exportList(*m_list, m_list->allColumns(), ReportKind::RelatedKeywords, ReportFormat::Text);
    QVERIFY(QFile::exists(m_dir->filePath(QStringLiteral("second.txt"))));
}

QTEST_GUILESS_MAIN(TestReportExport)
#include "test_report_export.moc"
