#include "common/CheckedFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <filesystem>
#include <system_error>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

std::filesystem::path fsPath(const QString &path)
{
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

// The file a symbolic link names is the one to replace; the link stays.
QString realTarget(const QString &target)
{
    const QFileInfo info(target);
    return info.isSymLink() ? info.symLinkTarget() : info.absoluteFilePath();
}

// After the rename, the folder's entry must reach the disk too; a folder that
// cannot be opened for that (some file systems, Windows) only loses this
// extra safety, not the file.
void syncFolder(const QString &folder)
{
#ifndef Q_OS_WIN
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#else
    Q_UNUSED(folder);
#endif
}

} // namespace

QString CheckedFile::Result::message() const
{
    return QStringLiteral("cannot write ") + QDir::toNativeSeparators(path) + QStringLiteral(": ") + reason;
}

CheckedFile::CheckedFile(const QString &target, Faults faults)
    : m_target(target),
      m_faults(std::move(faults))
{
    m_result.path = target;
}

CheckedFile::~CheckedFile() { cancel(); }

bool CheckedFile::fault(Step step)
{
    const int code = m_faults ? m_faults(step) : 0;
    if (code == 0)
        return false;
    fail(code, qt_error_string(code));
    return true;
}

bool CheckedFile::fail(int code, const QString &reason)
{
    m_result.ok = false;
    m_result.code = code;
    m_result.reason = reason;
    cancel();
    return false;
}

bool CheckedFile::failFromFile() { return fail(int(m_file.error()), m_file.errorString()); }

bool CheckedFile::open()
{
    if (fault(Step::Open))
        return false;
    const QString real = realTarget(m_target);
    const QFileInfo info(real);
    if (info.isDir())
        return fail(EISDIR, qt_error_string(EISDIR));
    // Hidden and with a suffix of its own, so a left-over temporary (after a
    // kill) is never read as a day file or a list.
    const QString stem = info.absolutePath() + QStringLiteral("/.") + info.fileName() + QLatin1Char('.');
    for (int attempt = 0; attempt < 16; ++attempt) {
        const QString name =
            stem + QString::number(QRandomGenerator::global()->generate(), 36) + QStringLiteral(".part");
        m_file.setFileName(name);
        if (m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)) {
            m_temporary = name;
            m_result = Result{};
            m_result.path = m_target;
            if (info.exists())
                m_file.setPermissions(QFile::permissions(real));
            return true;
        }
        if (QFileInfo::exists(name))
            continue; // a name clash: try another
        break;
    }
    return failFromFile();
}

bool CheckedFile::write(const QByteArray &bytes)
{
    if (m_temporary.isEmpty() || m_handedOver)
        return false;
    if (fault(Step::Write))
        return false;
    if (m_file.write(bytes) != bytes.size())
        return failFromFile();
    return true;
}

QString CheckedFile::handOver()
{
    if (m_temporary.isEmpty())
        return {};
    m_file.close();
    m_handedOver = true;
    return m_temporary;
}

bool CheckedFile::syncHandle()
{
#ifdef Q_OS_WIN
    const int done = ::_commit(m_file.handle());
#else
    const int done = ::fsync(m_file.handle());
#endif
    if (done != 0)
        return fail(errno, qt_error_string(errno));
    return true;
}

bool CheckedFile::commit()
{
    if (m_temporary.isEmpty())
        return false;
    // What another writer left under our name is synced through a handle of
    // our own.
    if (m_handedOver && !m_file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly))
        return failFromFile();
    if (fault(Step::Flush))
        return false;
    if (!m_file.flush())
        return failFromFile();
    if (fault(Step::Sync) || !syncHandle())
        return false;
    if (fault(Step::Close))
        return false;
    m_file.close();
    if (m_file.error() != QFileDevice::NoError)
        return failFromFile();
    if (fault(Step::Rename))
        return false;
    const QString real = realTarget(m_target);
    std::error_code error;
    std::filesystem::rename(fsPath(m_temporary), fsPath(real), error);
    if (error)
        return fail(error.value(), QString::fromLocal8Bit(error.message()));
    m_temporary.clear();
    syncFolder(QFileInfo(real).absolutePath());
    return true;
}

void CheckedFile::cancel()
{
    m_file.close();
    if (!m_temporary.isEmpty())
        QFile::remove(m_temporary);
    m_temporary.clear();
    m_handedOver = false;
}

CheckedFile::Result CheckedFile::replace(const QString &target, const QByteArray &bytes, Faults faults)
{
    CheckedFile file(target, std::move(faults));
    if (file.open() && file.write(bytes))
        file.commit();
    return file.result();
}
