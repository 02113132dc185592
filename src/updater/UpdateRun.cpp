#include "UpdateRun.h"

#include "Download.h"
#include "VersionPage.h"

#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QStringDecoder>
#include <QUrl>

#include <algorithm>

namespace updater {

UpdateRun::UpdateRun(RunConfig config, QObject *parent)
    : QObject(parent), m_config(std::move(config)), m_network(new QNetworkAccessManager(this)),
      m_page(new PageLoader(m_network, this)), m_download(new Download(m_network, this))
{
    m_network->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    connect(m_page, &PageLoader::loaded, this, &UpdateRun::onPage);
    connect(m_download, &Download::stateText, this, &UpdateRun::progressTextChanged);
    connect(m_download, &Download::progress, this, [this](qint64 bytes, int percent) {
        Q_EMIT progressTextChanged(Download::progressText(bytes, percent));
        Q_EMIT progressValueChanged(std::min(percent, 100));
    });
    connect(m_download, &Download::succeeded, this, &UpdateRun::onDownloaded);
    connect(m_download, &Download::failed, this, &UpdateRun::onDownloadFailed);
}

UpdateRun::~UpdateRun()
{
    m_download->abort();
}

QString UpdateRun::readInstalledVersion(const QString &programDir)
{
    QFile file(QDir(programDir).filePath(QStringLiteral("ver.txt")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray line = file.readLine();
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    // The main program writes it in the Chinese code page; a version is plain ASCII anyway.
    QStringDecoder decoder("GB18030");
    return decoder.isValid() ? QString(decoder.decode(line)) : QString::fromLatin1(line);
}

void UpdateRun::start()
{
    m_installed = readInstalledVersion(m_config.programDir);
    m_page->load(m_config.pageUrl, m_config.pageTimeoutMs);
}

void UpdateRun::onPage(const QString &html)
{
    const VersionInfo info = parseVersionPage(html);
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

QString UpdateRun::effectiveProgramName() const
{
    return isPlainFileName(m_names) ? m_names : defaultProgramName();
}

QString UpdateRun::refusedName() const
{
    if (!m_names.isEmpty() && !isPlainFileName(m_names))
        return m_names;
    for (const QString &entry : m_entries) {
        const QUrl url(entry.contains(QLatin1String("://")) ? entry : QStringLiteral("http://") + entry);
        const QString scheme = url.scheme().toLower();
        if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
            return entry;
        if (!isPlainFileName(fileNameOf(entry)))
            return entry;
    }
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
    // program folder must not get a single byte written.
    const QString refused = refusedName();
    if (!refused.isEmpty()) {
        const QString text = QStringLiteral("更新信息中的文件名不安全，已拒绝更新：") + refused;
        Q_EMIT progressTextChanged(text);
        if (m_prompt)
            m_prompt(Icon::Information, QStringLiteral("提示"), text);
        return;
    }
    m_restarts = 0;
    m_index = 0;
    Q_EMIT progressShown();
    setBusy(true);
    startDownload();
}

void UpdateRun::startDownload()
{
    m_currentAddress = m_entries.at(m_index);
    m_currentName = fileNameOf(m_currentAddress);
    Q_EMIT progressValueChanged(0);
    Q_EMIT progressTextChanged(QString());
    const QString address = m_currentAddress.contains(QLatin1String("://")) ? m_currentAddress
                                                                            : QStringLiteral("http://") + m_currentAddress;
    const QString part = QDir(m_config.workDir).filePath(m_currentName + QStringLiteral(".part"));
    m_download->start(QUrl(address), part, m_config.transferTimeoutMs);
    Q_EMIT progressTextChanged(QStringLiteral("请等待..."));
}

void UpdateRun::onDownloaded(const QString &file)
{
    Q_EMIT progressTextChanged(QStringLiteral("下载成功！"));
    QString error;
    const QString program = effectiveProgramName();
    if (isProgramFile(m_currentName, program)) {
        if (!replaceAndStart(file, m_config.programDir, program, m_config.windowsRule, m_config.launch, &error)) {
            QFile::remove(file);
            stop(QStringLiteral("更新失败：") + error);
            return;
        }
        setBusy(false);
        Q_EMIT finished();
        return;
    }
    if (!saveDataFile(file, QDir(m_config.programDir).filePath(m_currentName), &error)) {
        QFile::remove(file);
        stop(QStringLiteral("更新失败：") + error);
        return;
    }
    if (m_index + 1 < m_entries.size()) {
        ++m_index;
        startDownload();
        return;
    }
    // Only data files were listed: they are in place and there is no program to start.
    setBusy(false);
}

void UpdateRun::onDownloadFailed(const QString &reason)
{
    Q_EMIT progressTextChanged(QString());
    if (m_restarts < m_config.maxRestarts) {
        // Start over from the first address, as a new click would.
        ++m_restarts;
        m_index = 0;
        startDownload();
        return;
    }
    stop(QStringLiteral("下载失败：") + reason);
}

void UpdateRun::stop(const QString &progressLine)
{
    Q_EMIT progressTextChanged(progressLine);
    setBusy(false);
    Q_EMIT gaveUp(progressLine);
}

void UpdateRun::skip()
{
    cancel();
    const QString program = installedMainProgram(m_config.programDir, effectiveProgramName(), m_config.windowsRule);
    if (!program.isEmpty() && m_config.launch)
        m_config.launch(program, m_config.programDir);
    Q_EMIT finished();
}

void UpdateRun::cancel()
{
    m_download->abort();
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
