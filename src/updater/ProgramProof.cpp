#include "ProgramProof.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringDecoder>
#include <QTimer>

namespace updater {

QString readVersionFile(const QString &programDir)
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

ProgramProof::ProgramProof(QObject *parent)
    : QObject(parent),
      m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, [this] {
        release();
        Q_EMIT proven();
    });
}

ProgramProof::~ProgramProof()
{
    // Whatever was started is the user's program now; ending the updater must not end it.
    release();
}

void ProgramProof::start(const QString &program, const QStringList &arguments, const QString &programDir,
                         const QString &version, int proofMs)
{
    release();
    m_programDir = programDir;
    m_version = version;
    m_name = QFileInfo(program).fileName();
    m_process = new QProcess;
    // No pipes to us: the program outlives the updater.
    m_process->setStandardInputFile(QProcess::nullDevice());
    m_process->setStandardOutputFile(QProcess::nullDevice());
    m_process->setStandardErrorFile(QProcess::nullDevice());
    m_process->setWorkingDirectory(programDir);
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart || !m_process)
            return;
        const QString why = m_process->errorString();
        m_timer->stop();
        m_process->deleteLater();
        m_process = nullptr;
        Q_EMIT failed(QStringLiteral("无法启动 %1（%2）").arg(m_name, why));
    });
    connect(m_process, &QProcess::finished, this,
            [this](int code, QProcess::ExitStatus status) { onEnded(code, status == QProcess::CrashExit); });
    m_timer->start(proofMs);
    m_process->start(program, arguments);
}

void ProgramProof::onEnded(int exitCode, bool crashed)
{
    if (!m_process)
        return;
    m_timer->stop();
    m_process->deleteLater();
    m_process = nullptr;
    if (!m_version.isEmpty() && readVersionFile(m_programDir) == m_version) {
        Q_EMIT proven(); // it started far enough to write its version, then ended on its own
        return;
    }
    Q_EMIT failed(crashed ? QStringLiteral("新版本 %1 启动后崩溃").arg(m_name)
                          : QStringLiteral("新版本 %1 启动后立即退出（退出代码 %2）").arg(m_name).arg(exitCode));
}

void ProgramProof::release()
{
    m_timer->stop();
    if (!m_process)
        return;
    // Deleting a QProcess ends its program, so the object is let go instead:
    // the program runs on, and the system reaps it after we are gone.
    m_process->disconnect(this);
    m_process = nullptr;
}

} // namespace updater
