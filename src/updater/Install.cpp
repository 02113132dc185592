#include "Install.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>

namespace updater {

bool startDetached(const QString &program, const QString &workingDir)
{
    QProcess process;
    process.setProgram(program);
    process.setWorkingDirectory(workingDir);
    return process.startDetached();
}

bool isPlainFileName(const QString &name)
{
    if (name.isEmpty() || name.trimmed().isEmpty() || name.contains(QLatin1String("..")))
        return false;
    for (const QChar c : name) {
        if (c == u'/' || c == u'\\' || c == u':' || c.unicode() < 0x20)
            return false;
    }
    return !QDir::isAbsolutePath(name);
}

QString fileNameOf(const QString &address)
{
    QString a = address.trimmed().toLower();
    a.remove(QLatin1String("http://"));
    return a.section(u'/', -1);
}

QString defaultProgramName()
{
#ifdef Q_OS_WIN
    return QStringLiteral("veltrana.exe");
#else
    return QStringLiteral("veltrana");
#endif
}

bool isProgramFile(const QString &fileName, const QString &programName)
{
    return fileName.contains(QLatin1String(".exe")) || fileName.contains(QLatin1String("newver"))
           || fileName == programName;
}

QString installedMainProgram(const QString &programDir, const QString &programName, bool windowsRule)
{
    const QDir dir(programDir);
    if (!programName.isEmpty() && QFileInfo(dir.filePath(programName)).isFile())
        return dir.filePath(programName);
    if (!windowsRule)
        return {};
    const QStringList files = dir.entryList(QDir::Files, QDir::Name);
    for (const QString &name : files) {
        if (name.contains(QLatin1String(".exe")) && !name.contains(QLatin1String("update"))
            && !name.contains(QLatin1String("autorun")) && !name.contains(QLatin1String("newver")))
            return dir.filePath(name);
    }
    return {};
}

bool saveDataFile(const QString &downloaded, const QString &target, QString *error)
{
    QFile in(downloaded);
    QSaveFile out(target);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("无法保存 ") + QFileInfo(target).fileName();
        return false;
    }
    while (!in.atEnd()) {
        const QByteArray block = in.read(64 * 1024);
        if (block.isEmpty() || out.write(block) != block.size()) {
            out.cancelWriting();
            *error = QStringLiteral("无法保存 ") + QFileInfo(target).fileName();
            return false;
        }
    }
    if (!out.commit()) {
        *error = QStringLiteral("无法保存 ") + QFileInfo(target).fileName();
        return false;
    }
    in.close();
    in.remove();
    return true;
}

namespace {

QString freeBackupName(const QString &path)
{
    QString candidate = path + QStringLiteral(".old");
    for (int n = 1; QFileInfo::exists(candidate); ++n)
        candidate = path + QStringLiteral(".old") + QString::number(n);
    return candidate;
}

} // namespace

bool replaceAndStart(const QString &downloaded, const QString &programDir, const QString &programName,
                     bool windowsRule, const Launcher &launch, QString *error)
{
    const QString target = QDir(programDir).filePath(programName);
    const QString old = installedMainProgram(programDir, programName, windowsRule);
    QString backup;
    QFileDevice::Permissions permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                                           | QFileDevice::ReadOther;
    if (!old.isEmpty()) {
        permissions = QFile(old).permissions();
        backup = freeBackupName(old);
        if (!QFile::rename(old, backup)) {
            *error = QStringLiteral("无法备份 ") + QFileInfo(old).fileName();
            return false;
        }
    }
    const auto putBack = [&] {
        if (!backup.isEmpty())
            QFile::rename(backup, old);
    };

    if (QFileInfo::exists(target) || !QFile::rename(downloaded, target)) {
        putBack();
        *error = QStringLiteral("无法替换 ") + programName;
        return false;
    }
    QFile::setPermissions(target, permissions | QFileDevice::ExeOwner | QFileDevice::ExeUser | QFileDevice::ExeGroup
                                      | QFileDevice::ExeOther);
    if (!launch || !launch(target, programDir)) {
        // The new file is ours to take away; the old program comes back as it was.
        QFile::rename(target, downloaded);
        putBack();
        *error = QStringLiteral("无法启动 ") + programName;
        return false;
    }
    if (!backup.isEmpty())
        QFile::remove(backup);
    return true;
}

} // namespace updater
