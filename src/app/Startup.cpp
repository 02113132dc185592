#include "app/Startup.h"

#include "common/CheckedFile.h"
#include "common/Clock.h"
#include "common/Prompter.h"
#include "common/SettingNames.h"
#include "common/SettingsStore.h"
#include "context/AppContext.h"
#include "store/KeywordStore.h"
#include "web/CXHtml.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QStringEncoder>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {
const QString kDateFormat = QStringLiteral("yyyy-MM-dd");
}

Startup::Startup(AppContext &context)
    : m_context(context),
      m_launcher(&Startup::launchDetached)
{
}

Startup::~Startup() = default;

QDate Startup::today() const { return m_context.clock().today(); }

Startup::Outcome Startup::run()
{
    bool folderSaid = false;
    switch (acquireInstance()) {
    case Instance::HeldByOther:
        m_context.prompter().notice(QStringLiteral("程序已运行。"));
        return Outcome::AlreadyRunning;
    case Instance::FolderUnusable:
        // Not a second instance: say what is wrong and start with what can be read.
        m_context.prompter().message(QStringLiteral("提示"), unusableFolderText(m_context.dataDir()),
                                     Prompter::Icon::Warning);
        folderSaid = true;
        break;
    case Instance::Acquired: break;
    }
    // Without the database the features find and save nothing: a refused
    // file is said once here. A database that merely cannot be made in an
    // unusable folder is covered by the folder's message.
    const QString database = m_context.dataFile(QStringLiteral("db.sqlite"));
    if (!m_context.openDatabase() && (!folderSaid || QFileInfo::exists(database)))
        m_context.prompter().message(QStringLiteral("提示"),
                                     databaseRefusedText(database, m_context.keywords().lastError()),
                                     Prompter::Icon::Warning);
    writeVersionFile();

    const Check check = checkVersion();
    m_updateStarted = false;
    if (check.made && check.version.trimmed() != version()) {
        m_updateStarted = true;
        if (startUpdater(check.minimised))
            return Outcome::HandedOver;
        // No updater to hand over to: ending now would leave the user with nothing.
        m_updateStarted = false;
    }
    restoreSettings();
    return Outcome::Continue;
}

Startup::Instance Startup::acquireInstance()
{
    if (m_lock)
        return Instance::Acquired;
    auto lock = std::make_unique<QLockFile>(m_context.dataFile(QStringLiteral("veltrana.lock")));
    // Only a dead owner makes the lock stale, however long the program ran.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) {
        m_lock = std::move(lock);
        return Instance::Acquired;
    }
    // Only a lock held by a live process means another instance; a lock
    // file that cannot be created says the folder cannot be written.
    return lock->error() == QLockFile::LockFailedError ? Instance::HeldByOther : Instance::FolderUnusable;
}

QString Startup::unusableFolderText(const QString &dataDir)
{
    const QFileInfo folder(dataDir);
    QString reason;
    if (!folder.exists())
        reason = QStringLiteral("文件夹不存在");
    else if (!folder.isDir())
        reason = QStringLiteral("这是一个文件，不是文件夹");
    else
        reason = QStringLiteral("没有写入权限");
    return QStringLiteral("数据文件夹无法写入：%1（%"
                          "2）。\n程序以只读方式启动：可以查看已有数据，但新的查询结果和设置之外的改动不会保存。")
        .arg(QDir::toNativeSeparators(dataDir), reason);
}

QString Startup::databaseRefusedText(const QString &file, const QString &reason)
{
    return QStringLiteral("关键词数据库无法使用：%1（%2）。\n程序照常启动，但关键词数据库的查看和保存都不可用。")
        .arg(QDir::toNativeSeparators(file), reason);
}

void Startup::writeVersionFile()
{
    // The updater reads this beside itself, in the program folder.
    // A read-only program folder is not an error; a failed write leaves the
    // old file whole.
    QStringEncoder encoder("GB18030");
    CheckedFile::replace(QDir(m_context.programDir()).filePath(QStringLiteral("ver.txt")),
                         encoder.encode(version() + QStringLiteral("\r\n")));
}

Startup::Check Startup::checkVersion()
{
    SettingsStore &settings = m_context.settings();
    const QString day = today().toString(kDateFormat);
    const QString stored = settings.ReadValue(SettingNames::kVersionCheckDay).trimmed();

    Check check;
    int limit = 5;
    if (stored.isEmpty()) {
        settings.CreateKey();
        settings.WriteValue(SettingNames::kVersionCheckDay, day);
    } else {
        const QDate last = QDate::fromString(stored, kDateFormat);
        if (last.isValid() && last.daysTo(today()) == 0)
            return check;
        limit = 6;
        check.minimised = true;
    }

    CXHtml page;
    page.url = m_context.endpoints().url(Endpoints::Service::Maker, QStringLiteral("/veltrana/freever.htm"));
    page.TryTime = limit;
    page.charset = QStringLiteral("gb2312");
    check.version = CXHtml::GetMemo(page.GetSrc(), QStringLiteral("ver\" value=\""), QStringLiteral("\""));
    if (check.version.isEmpty())
        check.version = version();
    check.made = true;

    settings.WriteValue(SettingNames::kVersionCheckDay, day);
    settings.WriteValue(SettingNames::kPublishedVersion, check.version);
    return check;
}

void Startup::restoreSettings()
{
    SettingsStore &settings = m_context.settings();
    if (settings.ReadValue(SettingNames::kMiningOptions).isEmpty()) {
        settings.CreateKey();
        settings.WriteValue(SettingNames::kMiningOptions, defaultOptions());
    }
    m_context.loadPacing();
    if (!settings.HasValue(SettingNames::kRankSites)) {
        settings.CreateKey();
        settings.WriteValue(SettingNames::kRankSites, QString());
    }
}

QString Startup::updaterPath() const
{
#ifdef Q_OS_WIN
    const QString name = QStringLiteral("update.exe");
#else
    const QString name = QStringLiteral("update");
#endif
    return QDir(m_context.programDir()).filePath(name);
}

bool Startup::startUpdater(bool minimised)
{
    const QFileInfo updater(updaterPath());
    if (!updater.isFile())
        return false;
    // The updater hands the data folder back to the program it starts.
    return m_launcher
        && m_launcher(updater.absoluteFilePath(), {QStringLiteral("--data"), m_context.dataDir()}, minimised);
}

bool Startup::launchDetached(const QString &path, const QStringList &arguments, bool minimised)
{
    const QFileInfo updater(path);
    if (!updater.isFile() || !updater.isExecutable())
        return false;
    QProcess process;
    process.setProgram(updater.absoluteFilePath());
    process.setArguments(arguments);
    process.setWorkingDirectory(updater.absolutePath());
#ifdef Q_OS_WIN
    if (minimised) {
        process.setCreateProcessArgumentsModifier([](QProcess::CreateProcessArguments *args) {
            args->startupInfo->dwFlags |= STARTF_USESHOWWINDOW;
            args->startupInfo->wShowWindow = SW_SHOWMINNOACTIVE;
        });
    }
#else
    Q_UNUSED(minimised) // window states are the window manager's business here
#endif
    return process.startDetached();
}
