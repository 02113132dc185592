#include "CheckedFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace updater {

namespace {

bool syncHandle(QFile &file)
{
#ifdef Q_OS_WIN
    return FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(file.handle())));
#else
    return ::fsync(file.handle()) == 0;
#endif
}

QString nameOf(const QString &path) { return QFileInfo(path).fileName(); }

} // namespace

QString systemReason(int errorNumber)
{
    switch (errorNumber) {
    case ENOSPC: return QStringLiteral("磁盘空间不足");
    case EACCES:
    case EPERM: return QStringLiteral("没有写入权限");
    case EROFS: return QStringLiteral("文件夹只读");
    case ENOENT: return QStringLiteral("文件不存在");
    case EEXIST: return QStringLiteral("文件已存在");
    case EISDIR: return QStringLiteral("同名文件夹已存在");
    case EIO: return QStringLiteral("读写错误");
    case EXDEV: return QStringLiteral("不在同一个磁盘上");
    default: return QStringLiteral("系统错误 %1").arg(errorNumber);
    }
}

bool writeSynced(const QString &path, QIODevice &source, QFileDevice::Permissions permissions, QString *error)
{
    QFile out(path);
    const auto failWith = [&](const QString &what) {
        const int code = errno;
        *error = what + nameOf(path) + QStringLiteral("（") + systemReason(code) + QStringLiteral("）");
        out.close();
        QFile::remove(path);
        return false;
    };
    errno = 0;
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return failWith(QStringLiteral("无法写入 "));
    while (!source.atEnd()) {
        const QByteArray block = source.read(64 * 1024);
        if (block.isEmpty()) {
            errno = EIO;
            return failWith(QStringLiteral("无法读取下载的 "));
        }
        if (out.write(block) != block.size())
            return failWith(QStringLiteral("无法写入 "));
    }
    if (!out.flush() || !out.setPermissions(permissions) || !syncHandle(out))
        return failWith(QStringLiteral("无法写入 "));
    out.close();
    if (out.error() != QFileDevice::NoError)
        return failWith(QStringLiteral("无法写入 "));
    return true;
}

bool writeSynced(const QString &path, const QString &sourceFile, QFileDevice::Permissions permissions, QString *error)
{
    QFile in(sourceFile);
    if (!in.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("无法读取下载的 ") + nameOf(sourceFile);
        return false;
    }
    return writeSynced(path, in, permissions, error);
}

bool keepBackup(const QString &path, const QString &backup, QString *error)
{
    if (QFileInfo::exists(backup) && !QFile::remove(backup)) {
        *error = QStringLiteral("无法删除旧的备份 ") + nameOf(backup);
        return false;
    }
#ifndef Q_OS_WIN
    if (::link(QFile::encodeName(path).constData(), QFile::encodeName(backup).constData()) == 0)
        return true;
#endif
    // No hard links here: a copy does the same job, only slower.
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("无法备份 ") + nameOf(path);
        return false;
    }
    if (!writeSynced(backup, in, in.permissions(), error)) {
        *error = QStringLiteral("无法备份 ") + nameOf(path) + QStringLiteral("：") + *error;
        return false;
    }
    return true;
}

bool renameOver(const QString &from, const QString &to, QString *error)
{
#ifdef Q_OS_WIN
    const bool ok = MoveFileExW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(from).utf16()),
                                reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(to).utf16()),
                                MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    const int code = ok ? 0 : EACCES;
#else
    const bool ok = std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
    const int code = ok ? 0 : errno;
#endif
    if (!ok)
        *error =
            QStringLiteral("无法替换 ") + nameOf(to) + QStringLiteral("（") + systemReason(code) + QStringLiteral("）");
    return ok;
}

void syncFolder(const QString &dir)
{
#ifndef Q_OS_WIN
    const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#else
    Q_UNUSED(dir)
#endif
}

} // namespace updater
