#include "UpdateRun.h"

#include "Download.h"
#include "ProgramProof.h"
#include "VersionPage.h"

#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QTimer>
#include <QUrl>

#include <algorithm>

namespace updater {

UpdateRun::UpdateRun(RunConfig config, QObject *parent)
    : QObject(parent),
      m_config(std::move(config)),
      m_network(new QNetworkAccessManager(this)),
      m_page(new PageLoader(m_network, this)),
      m_download(new Download(m_network, this)),
      m_replacement(new Replacement(m_config.programDir, m_config.holdAfterStep, this)),
      m_proof(new ProgramProof(this))
{
    m_network->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    connect(m_page, &PageLoader::loaded, this, &UpdateRun::onPage);
    connect(m_page, &PageLoader::failed, this, &UpdateRun::onPageFailed);
    connect(m_download, &Download::stateText, this, &UpdateRun::progressTextChanged);
    connect(m_download, &Download::progress, this, [this](qint64 bytes, int percent) {
        Q_EMIT progressTextChanged(Download::progressText(bytes, percent));
        Q_EMIT progressValueChanged(std::min(percent, 100));
    });
    connect(m_download, &Download::succeeded, this, &UpdateRun::onDownloaded);
    connect(m_download, &Download::failed, this, &UpdateRun::onDownloadFailed);
    connect(m_replacement, &Replacement::step, this, &UpdateRun::step);
    connect(m_replacement, &Replacement::placed, this, &UpdateRun::onPlaced);
    connect(m_replacement, &Replacement::failed, this, [this](const QString &reason) {
        m_replacement->rollBack();
        stop(QStringLiteral("更新失败：") + reason);
    });
    connect(m_proof, &ProgramProof::proven, this, &UpdateRun::onProven);
    connect(m_proof, &ProgramProof::failed, this, &UpdateRun::onProofFailed);
}

UpdateRun::~UpdateRun() { cancel(); }

QString UpdateRun::readInstalledVersion(const QString &programDir) { return readVersionFile(programDir); }

void UpdateRun::start()
{
    m_installed = readInstalledVersion(m_config.programDir);
    m_page->load(m_config.pageUrl, m_config.pageTimeoutMs);
}

void UpdateRun::onPage(const QString &html)
{
    const VersionInfo info = parseVersionPage(html);
    if (info.version.isEmpty()) {
        noUpdate(QStringLiteral("升级服务器的版本页面没有版本信息，请稍后再试。"),
                 QStringLiteral("版本页面中没有 ver"));
        return;
    }
    m_published = info.version;
    m_files = info.files;
    m_names = info.names;
    // Any difference counts: the maker may also publish an older version to go back to.
    m_updateFlag = m_published != m_installed;
    if (m_updateFlag) {
        Q_EMIT messageChanged(QStringLiteral("发现新版本可用，是否现在更新？"));
        Q_EMIT versionLineChanged(QStringLiteral("Ver ") + m_published + QStringLiteral(" 可用"));
    } else {
        Q_EMIT messageChanged(QStringLiteral("当前已经是最新版本，无需更新！"));
        Q_EMIT versionLineChanged(QStringLiteral("当前版本：V") + m_published);
    }
    Q_EMIT checked(m_updateFlag);
}

void UpdateRun::onPageFailed(const QString &reason)
{
    noUpdate(QStringLiteral("无法连接升级服务器，请稍后再试。"), reason);
}

void UpdateRun::noUpdate(const QString &message, const QString &why)
{
    // A page we could not read is no news of a version: nothing to install.
    m_published.clear();
    m_files.clear();
    m_names.clear();
    m_updateFlag = false;
    Q_EMIT messageChanged(message);
    Q_EMIT versionLineChanged(m_installed.isEmpty() ? QString() : QStringLiteral("当前版本：V") + m_installed);
    Q_EMIT progressTextChanged(QStringLiteral("原因：") + why);
    Q_EMIT checked(false);
}

QString UpdateRun::effectiveProgramName() const { return isPlainFileName(m_names) ? m_names : defaultProgramName(); }

QString UpdateRun::refusal() const
{
    const QString unsafe = QStringLiteral("更新信息中的文件名不安全，已拒绝更新：");
    const QString forbidden = QStringLiteral("更新信息要替换程序或用户自己的文件，已拒绝更新：");
    if (!m_names.isEmpty() && !isPlainFileName(m_names))
        return unsafe + m_names;
    if (isProtectedName(effectiveProgramName()))
        return forbidden + effectiveProgramName();
    int programs = 0;
    for (const QString &entry : m_entries) {
        const QUrl url(entry.contains(QLatin1String("://")) ? entry : QStringLiteral("http://") + entry);
        const QString scheme = url.scheme().toLower();
        if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
            return unsafe + entry;
        const QString name = installNameOf(entry);
        if (!isInstallName(name))
            return unsafe + entry;
        if (isProtectedName(name))
            return forbidden + name;
        programs += isProgramFile(name, effectiveProgramName()) ? 1 : 0;
    }
    if (programs > 1)
        return QStringLiteral("更新信息中列出了多个主程序文件，已拒绝更新");
    return {};
}

void UpdateRun::confirm()
{
    if (m_busy)
        return;
    if (!m_updateFlag) {
        if (m_prompt)
            m_prompt(Icon::Information, QStringLiteral("提示"), QStringLiteral("无可用的更新！"));
        return;
    }
    m_entries.clear();
    for (const QString &entry : m_files.split(QStringLiteral("||"))) {
        if (!entry.trimmed().isEmpty())
            m_entries.append(entry.trimmed());
    }
    if (m_entries.isEmpty()) {
        Q_EMIT progressTextChanged(QStringLiteral("无法获取下载地址！"));
        return;
    }
    // Checked before anything is fetched: a name that reaches out of the
    // program folder or names the user's files must not get a byte written.
    const QString refused = refusal();
    if (!refused.isEmpty()) {
        Q_EMIT progressTextChanged(refused);
        if (m_prompt)
            m_prompt(Icon::Information, QStringLiteral("提示"), refused);
        return;
    }
    m_restarts = 0;
    m_index = 0;
    m_downloaded.clear();
    Q_EMIT progressShown();
    setBusy(true);
    startDownload();
}

void UpdateRun::startDownload()
{
    const QString entry = m_entries.at(m_index);
    m_currentName = installNameOf(entry);
    Q_EMIT progressValueChanged(0);
    Q_EMIT progressTextChanged(QString());
    const QString address = entry.contains(QLatin1String("://")) ? entry : QStringLiteral("http://") + entry;
    // The working folder is flat: "rules/2026.ini" downloads as "rules_2026.ini.part".
    QString partName = m_currentName;
    partName.replace(u'/', u'_');
    const QString part = QDir(m_config.workDir).filePath(partName + QStringLiteral(".part"));
    m_download->start(QUrl(address), part, m_config.transferTimeoutMs);
    Q_EMIT progressTextChanged(QStringLiteral("请等待..."));
}

void UpdateRun::onDownloaded(const QString &file)
{
    if (!m_busy)
        return;
    Q_EMIT progressTextChanged(QStringLiteral("下载成功！"));
    const QString program = effectiveProgramName();
    const bool isProgram = isProgramFile(m_currentName, program);
    m_downloaded.append({file, isProgram ? program : m_currentName, isProgram});
    if (m_index + 1 < m_entries.size()) {
        ++m_index;
        startDownload();
        return;
    }
    // Everything is here: only now is anything of the program folder touched.
    // The program goes last, so that it starts among files of its own version.
    std::stable_partition(m_downloaded.begin(), m_downloaded.end(), [](const InstallItem &i) { return !i.program; });
    m_replacement->start(m_downloaded);
}

void UpdateRun::onDownloadFailed(const QString &reason)
{
    if (!m_busy)
        return;
    for (const InstallItem &item : std::as_const(m_downloaded))
        QFile::remove(item.downloaded);
    m_downloaded.clear();
    if (m_restarts < m_config.maxRestarts) {
        // Start over from the first address, as a new click would.
        ++m_restarts;
        m_index = 0;
        Q_EMIT progressTextChanged(QStringLiteral("下载失败：%1，第 %2 次重试...").arg(reason).arg(m_restarts));
        startDownload();
        return;
    }
    stop(QStringLiteral("下载失败：") + reason);
}

void UpdateRun::onPlaced()
{
    const QString program = QDir(m_config.programDir).filePath(effectiveProgramName());
    const bool hasProgram =
        std::any_of(m_downloaded.cbegin(), m_downloaded.cend(), [](const InstallItem &i) { return i.program; });
    if (!hasProgram) {
        // Only data files were listed: they are in place and there is no program to start.
        m_replacement->commit();
        m_downloaded.clear();
        setBusy(false);
        return;
    }
    Q_EMIT progressTextChanged(QStringLiteral("正在启动新版本..."));
    m_proving = true;
    m_proof->start(program, m_config.programArguments, m_config.programDir, m_published, m_config.proofMs);
}

void UpdateRun::onProven()
{
    m_proving = false;
    m_replacement->commit();
    m_downloaded.clear();
    setBusy(false);
    Q_EMIT finished();
}

void UpdateRun::onProofFailed(const QString &reason)
{
    m_proving = false;
    m_replacement->rollBack();
    m_downloaded.clear();
    const bool restarted = startInstalled();
    stop(QStringLiteral("更新失败：") + reason
         + (restarted ? QStringLiteral("。已恢复并启动原来的版本。") : QStringLiteral("。已恢复原来的版本。")));
}

void UpdateRun::stop(const QString &progressLine)
{
    Q_EMIT progressTextChanged(progressLine);
    setBusy(false);
    Q_EMIT gaveUp(progressLine);
}

bool UpdateRun::startInstalled()
{
    return startInstalledProgram(m_config.programDir, effectiveProgramName(), m_config.windowsRule,
                                 m_config.programArguments, m_config.launch);
}

void UpdateRun::skip()
{
    cancel();
    if (!startInstalled() && m_prompt) {
        // The user expects the program back: say why it is not.
        m_prompt(Icon::Critical, QStringLiteral("提示"),
                 QStringLiteral("无法启动程序 %1，请重新安装。")
                     .arg(QDir::toNativeSeparators(QDir(m_config.programDir).filePath(effectiveProgramName()))));
    }
    Q_EMIT finished();
}

void UpdateRun::cancel()
{
    m_download->abort();
    if (m_proving) {
        // The new program is up already: it stays, and so do the backups
        // until the next run finds it in place.
        m_proof->release();
        m_proving = false;
    } else if (m_replacement->isRunning()) {
        m_replacement->rollBack();
    }
    for (const InstallItem &item : std::as_const(m_downloaded))
        QFile::remove(item.downloaded);
    m_downloaded.clear();
    setBusy(false);
}

void UpdateRun::setBusy(bool busy)
{
    if (m_busy == busy)
        return;
    m_busy = busy;
    Q_EMIT busyChanged(busy);
}

} // namespace updater
