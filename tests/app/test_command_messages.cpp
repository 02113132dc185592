// What the commands say on standard error: one form for every failure, the
// same words for the keyword database whichever command opens it, and no
// other file of the program writing there by itself.

#include "app/Commands.h"
#include "common/CommandLine.h"
#include "context/Command.h"
#include "keyworddb/DbCommand.h"
#include "reports/ExportCommand.h"
#include "research/MineCommand.h"
#include "support/LockHolder.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QDirIterator>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QTest>
#include <cstdio>
#include <unistd.h>

namespace {

// Standard error of this process, caught in a file while it lives.
class CaughtErrors
{
public:
    CaughtErrors()
    {
        std::fflush(stderr);
        if (m_file.open()) {
            m_saved = ::dup(STDERR_FILENO);
            ::dup2(m_file.handle(), STDERR_FILENO);
        }
    }
    ~CaughtErrors() { restore(); }
    CaughtErrors(const CaughtErrors &) = delete;
    CaughtErrors &operator=(const CaughtErrors &) = delete;

    // Everything written so far; standard error is the terminal's again.
    QString text()
    {
        restore();
        m_file.seek(0);
        return QString::fromUtf8(m_file.readAll());
    }

private:
    void restore()
    {
        std::fflush(stderr);
        if (m_saved >= 0) {
            ::dup2(m_saved, STDERR_FILENO);
            ::close(m_saved);
            m_saved = -1;
        }
    }

    QTemporaryFile m_file;
    int m_saved = -1;
};

} // namespace

class TestCommandMessages : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void failuresNotesAndUsageHaveOneForm()
    {
        CaughtErrors caught;
        Cli::fail(QStringLiteral("cannot write /x/report.csv"), QStringLiteral("No space left on device"));
        Cli::fail(QStringLiteral("db refresh"),
                  QStringLiteral("cannot write the keyword database /x/db.sqlite: locked"),
                  QStringLiteral("无法写入关键词数据库\n更新已停止"));
        Cli::note(QStringLiteral("wrote 3 rows to /x/report.csv"));
        const int status = Cli::usageError(QStringLiteral("rank"), QStringLiteral("--depth takes 10, 20 or 50"),
                                           QStringLiteral("usage: veltrana rank ...\n"));
        QCOMPARE(status, int(Cli::Usage));
        QCOMPARE(caught.text(),
                 QStringLiteral("veltrana: cannot write /x/report.csv: No space left on device\n"
                                "veltrana: db refresh: cannot write the keyword database /x/db.sqlite: locked"
                                " — 无法写入关键词数据库 更新已停止\n"
                                "veltrana: wrote 3 rows to /x/report.csv\n"
                                "veltrana: rank: --depth takes 10, 20 or 50\n"
                                "usage: veltrana rank ...\n"));
    }

    void missingOrUnknownCommandIsAUsageError()
    {
        TestEnv f;
        QVERIFY(f.isValid());
        for (const QStringList &args : {QStringList(), QStringList{QStringLiteral("frobnicate")}}) {
            CaughtErrors caught;
            QCOMPARE(Commands::run(*f.context, args), int(Cli::Usage));
            const QString err = caught.text();
            const QString first = args.isEmpty() ? QStringLiteral("veltrana: command line: no command given\n")
                                                 : QStringLiteral("veltrana: unknown command: frobnicate\n");
            QVERIFY2(err.startsWith(first + QStringLiteral("usage: veltrana")), qPrintable(err));
        }
    }

    void consolePrompterAnswersCautiouslyAndHoldsMessages()
    {
        Cli::ConsolePrompter prompter;
        CaughtErrors caught;
        QCOMPARE(prompter.askYesNo(QStringLiteral("是否删除"), QStringLiteral("确实要删除选中的记录吗？")),
                 Prompter::Answer::No);
        QCOMPARE(prompter.askOkCancel(QStringLiteral("提示"), QStringLiteral("该文件已经存在，是否覆盖?")),
                 Prompter::Answer::Cancel);
        QString value = QStringLiteral("kept");
        QVERIFY(!prompter.askText(QStringLiteral("提示"), QStringLiteral("请输入网址"), value));
        QVERIFY(prompter.saveFileName(QStringLiteral("Save   Export   File"), QString(), QString()).isEmpty());
        QVERIFY(prompter.openFileName(QStringLiteral("导入"), QString()).isEmpty());
        prompter.notice(QStringLiteral("第一条"));
        prompter.message(QStringLiteral("提示"), QStringLiteral("第二条"), Prompter::Icon::Warning);
        // Nothing reaches the terminal without the command's own failure line.
        QVERIFY(caught.text().isEmpty());
        QCOMPARE(prompter.said(), QStringLiteral("第一条\n第二条"));
    }

    // Every command that needs the keyword database says the same thing
    // when it cannot be opened: the command, the file and why, status 1.
    void databaseRefusedAlikeByEveryCommand_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("command");
        QTest::newRow("db list") << QStringList{"db", "list"} << "db list";
        QTest::newRow("db refresh") << QStringList{"db", "refresh"} << "db refresh";
        QTest::newRow("export db") << QStringList{"export", "db", "out.csv"} << "export db";
        QTest::newRow("mine --save") << QStringList{"mine", "seo", "--save"} << "mine --save";
    }
    void databaseRefusedAlikeByEveryCommand()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, command);
        TestEnv f(TestEnv::NoWeb, TestEnv::BeforeStartUp);
        QVERIFY(f.isValid());
        const QString file = f.dataFile(QStringLiteral("db.sqlite"));
        QVERIFY(QDir().mkpath(file)); // a folder where the database belongs
        if (args.first() == u"export")
            args.last() = f.dataFile(args.last());
        int status = -1;
        CaughtErrors caught;
        if (args.first() == u"db")
            status = runDbCommand(*f.context, args);
        else if (args.first() == u"export")
            status = runExportCommand(*f.context, args);
        else
            status = mineCommand().run(*f.context, args);
        const QString err = caught.text();
        QCOMPARE(status, int(Cli::Failed));
        const QString said = QStringLiteral("veltrana: %1: cannot open the keyword database %2: ").arg(command, file);
        QVERIFY2(err.startsWith(said), qPrintable(err));
        // The reason is the database's own.
        QVERIFY2(err.contains(f.context->keywords().lastError()) && !f.context->keywords().lastError().isEmpty(),
                 qPrintable(err));
        QCOMPARE(err.count(u'\n'), 1);
        QVERIFY(!QFileInfo::exists(f.dataFile(QStringLiteral("out.csv"))));
    }

    // A write that fails halfway is said in the one form with the reason,
    // and the window's Chinese message after it; nothing else is printed
    // for it.
    void writeFailureCarriesTheMessage_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("message");
        QTest::newRow("db refresh") << QStringList{"db", "refresh", "--engines=bing"} << "db refresh"
                                    << QStringLiteral("更新已停止，已保存的数据不受影响。");
        QTest::newRow("mine --save") << QStringList{"mine", "seo", "--save", "--engines=bing"} << "mine --save"
                                     << QStringLiteral("查询已停止，已保存的数据不受影响。");
    }
    void writeFailureCarriesTheMessage()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, command);
        QFETCH(QString, message);
        TestEnv f(TestEnv::OwnWeb);
        QVERIFY(f.isValid());
        f.seed({QStringLiteral("row 1")});
        f.store().setLockWaitMs(300);
        const QString file = f.dataFile(QStringLiteral("db.sqlite"));
        LockHolder other(file);
        QVERIFY(other.waitUntilHeld());
        CaughtErrors caught;
        const int status = args.first() == u"db" ? runDbCommand(*f.context, args) : mineCommand().run(*f.context, args);
        const QString err = caught.text();
        other.release();
        QCOMPARE(status, int(Cli::Failed));
        const QString said = QStringLiteral("veltrana: %1: cannot write the keyword database %2: %3 — ")
                                 .arg(command, file, f.context->keywords().lastError());
        const QStringList lines = err.split(u'\n', Qt::SkipEmptyParts);
        QVERIFY2(lines.size() == 1 && lines.first().startsWith(said) && lines.first().endsWith(message),
                 qPrintable(err));
        // The scripted window prompter in the context was not used, and is back.
        QVERIFY(f.prompter.prompts.isEmpty());
        QCOMPARE(&f.context->prompter(), &f.prompter);
    }

    // Only the command line's one file writes to standard error (the
    // updater is a program of its own, with its own voice).
    void nothingElseWritesToStandardError()
    {
        const QDir src(QStringLiteral(VELTRANA_SOURCE_DIR "/src"));
        QVERIFY(src.exists());
        const QRegularExpression writer(
            QStringLiteral(R"(\bstderr\b|std::cerr|\bqWarning\b|\bqCritical\b|\bqDebug\b)"));
        QStringList found;
        int files = 0;
        QDirIterator it(src.path(), {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const QString relative = src.relativeFilePath(path);
            if (relative.startsWith(QLatin1String("updater/")) || relative == u"common/CommandLine.cpp")
                continue;
            ++files;
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            int number = 0;
            for (const QByteArray &raw : file.readAll().split('\n')) {
                ++number;
                const QString line = QString::fromUtf8(raw).section(QStringLiteral("//"), 0, 0);
                if (line.contains(writer))
                    found << QStringLiteral("%1:%2: %3").arg(relative).arg(number).arg(line.trimmed());
            }
        }
        QVERIFY(files > 50);
        QVERIFY2(found.isEmpty(), qPrintable(found.join(u'\n')));
    }
};

QTEST_GUILESS_MAIN(TestCommandMessages)
#include "test_command_messages.moc"
