#include "Install.h"

#include "CheckedFile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>

namespace updater {

bool startDetached(const QString &program, const QStringList &arguments, const QString &workingDir)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
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

bool isProtectedName(const QString &name)
{
    const QString n = name.trimmed().toLower();
    static const QStringList exact = {QStringLiteral("kws.txt"),      QStringLiteral("mykw.txt"),
                                      QStringLiteral("myfav"),        QStringLiteral("endpoints.ini"),
                                      QStringLiteral("ver.txt"),      QStringLiteral("temp"),
                                      QStringLiteral("settings.ini"), QStringLiteral("rules.ini")};
    static const QStringList prefixes = {QStringLiteral("db.sqlite"), QStringLiteral("update")};
    static const QStringList suffixes = {QStringLiteral(".lock"), QStringLiteral(".new"), QStringLiteral(".old"),
                                         QStringLiteral(".part")};
    if (exact.contains(n))
        return true;
    for (const QString &p : prefixes) {
        if (n.startsWith(p))
            return true;
    }
    for (const QString &s : suffixes) {
        if (n.endsWith(s))
            return true;
    }
    return false;
}

QString fileNameOf(const QString &address)
{
    QString a = address.trimmed().toLower();
    a.remove(QLatin1String("http://"));
    return a.section(u'/', -1);
}

QString installNameOf(const QString &address)
{
    const QString name = fileNameOf(address);
    QString a = address.trimmed().toLower();
    a.remove(QLatin1String("http://"));
    if (a.section(u'/', -2, -2) == QLatin1String("rules") && name.endsWith(QLatin1String(".ini")))
        return QStringLiteral("rules/") + name;
    return name;
}

bool isInstallName(const QString &name)
{
    if (name.startsWith(QLatin1String("rules/"))) {
        const QString file = name.mid(6);
        return isPlainFileName(file) && file.endsWith(QLatin1String(".ini")) && !isProtectedName(file);
    }
    return isPlainFileName(name);
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

bool startInstalledProgram(const QString &programDir, const QString &programName, bool windowsRule,
                           const QStringList &arguments, const Launcher &launch)
{
    const QString program = installedMainProgram(programDir, programName, windowsRule);
    return !program.isEmpty() && launch && launch(program, arguments, programDir);
}

QString journalPath(const QString &programDir) { return QDir(programDir).filePath(QStringLiteral("update.journal")); }

QStringList recoverProgramFolder(const QString &programDir, const QString &programName, const QString &tempDir)
{
    QStringList done;
    const QDir dir(programDir);
    QStringList names{programName};
    QFile journal(journalPath(programDir));
    // The journal lives from before the first replacement until the new
    // program has proved it runs: finding it means that proof never came, so
    // every backup goes back, even over a file that looks fine.
    const bool unproven = journal.exists();
    if (journal.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : journal.readAll().split('\n')) {
            const QString name = QString::fromUtf8(line).trimmed();
            // A journal is ours, but its names are checked all the same.
            if (isInstallName(name) && !isProtectedName(name) && !names.contains(name))
                names << name;
        }
        journal.close();
    }
    for (const QString &name : std::as_const(names)) {
        const QString old = name + QStringLiteral(".old");
        if (QFileInfo(dir.filePath(old)).isFile()) {
            const QFileInfo current(dir.filePath(name));
            const bool unusable = unproven || !current.isFile() || (name == programName && !current.isExecutable());
            QString error;
            if (unusable && renameOver(dir.filePath(old), dir.filePath(name), &error)) {
                // A rename between two links of one file does nothing: drop the second name.
                if (QFileInfo(dir.filePath(old)).isFile() && QFileInfo(dir.filePath(name)).isFile())
                    QFile::remove(dir.filePath(old));
                done << QStringLiteral("restored ") + name;
            } else if (!unusable && QFile::remove(dir.filePath(old)))
                done << QStringLiteral("removed ") + old;
        }
        const QString stale = name + QStringLiteral(".new");
        if (QFileInfo(dir.filePath(stale)).isFile() && QFile::remove(dir.filePath(stale)))
            done << QStringLiteral("removed ") + stale;
    }
    if (journal.exists() && journal.remove())
        done << QStringLiteral("removed update.journal");
    syncFolder(programDir);

    const QDir temp(tempDir);
    const QStringList works = temp.entryList({QStringLiteral("Tidewise_*")}, QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &work : works) {
        QDir folder(temp.filePath(work));
        const QStringList parts = folder.entryList({QStringLiteral("*.part")}, QDir::Files | QDir::Hidden);
        for (const QString &part : parts) {
            if (folder.remove(part))
                done << QStringLiteral("removed ") + work + u'/' + part;
        }
        if (temp.rmdir(work)) // only empty ones go; whatever else is kept there stays
            done << QStringLiteral("removed ") + work;
    }
    return done;
}

Replacement::Replacement(QString programDir, QString holdAfter, QObject *parent)
    : QObject(parent),
      m_programDir(std::move(programDir)),
      m_holdAfter(std::move(holdAfter))
{
}

QString Replacement::path(const QString &name) const { return QDir(m_programDir).filePath(name); }

void Replacement::start(const QList<InstallItem> &items)
{
    m_items = items;
    m_index = 0;
    m_stage = Stage::WriteNew;
    m_backedUp.clear();
    m_created.clear();
    m_written.clear();
    m_running = true;
    QStringList names;
    for (const InstallItem &item : items)
        names << item.name;
    QByteArray list = names.join(u'\n').toUtf8() + '\n';
    QBuffer buffer(&list);
    buffer.open(QIODevice::ReadOnly);
    QString error;
    if (!writeSynced(journalPath(m_programDir), buffer,
                     QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther,
                     &error)) {
        m_running = false;
        QTimer::singleShot(0, this, [this, error] { Q_EMIT failed(error); });
        return;
    }
    syncFolder(m_programDir);
    QTimer::singleShot(0, this, &Replacement::next);
}

void Replacement::next()
{
    if (!m_running)
        return;
    if (m_index >= m_items.size()) {
        m_running = false;
        syncFolder(m_programDir);
        Q_EMIT placed();
        return;
    }
    const InstallItem &item = m_items.at(m_index);
    QString error;
    if (!doStep(item, &error)) {
        m_running = false;
        Q_EMIT failed(error);
        return;
    }
    // Each step leaves the folder in a state a kill may find it in.
    if (m_lastStep != m_holdAfter)
        QTimer::singleShot(0, this, &Replacement::next);
}

bool Replacement::doStep(const InstallItem &item, QString *error)
{
    const QString target = path(item.name);
    switch (m_stage) {
    case Stage::WriteNew: {
        // A rule set goes into rules/, which an older install may not have.
        if (!QDir().mkpath(QFileInfo(target).absolutePath())) {
            *error = QStringLiteral("cannot create ") + QFileInfo(target).absolutePath();
            return false;
        }
        QFileDevice::Permissions mode = QFileInfo::exists(target)
            ? QFile::permissions(target)
            : QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
        if (item.program)
            mode |= QFileDevice::ExeOwner | QFileDevice::ExeUser | QFileDevice::ExeGroup | QFileDevice::ExeOther;
        if (!writeSynced(target + QStringLiteral(".new"), item.downloaded, mode, error))
            return false;
        m_written << item.name;
        m_stage = Stage::KeepOld;
        m_lastStep = (item.name + QStringLiteral(".new written"));
        Q_EMIT step(m_lastStep);
        return true;
    }
    case Stage::KeepOld:
        if (QFileInfo::exists(target)) {
            if (!keepBackup(target, target + QStringLiteral(".old"), error))
                return false;
            m_backedUp << item.name;
        } else {
            m_created << item.name;
        }
        m_stage = Stage::Rename;
        m_lastStep = (item.name + QStringLiteral(".old kept"));
        Q_EMIT step(m_lastStep);
        return true;
    case Stage::Rename:
        if (!renameOver(target + QStringLiteral(".new"), target, error))
            return false;
        m_written.removeAll(item.name);
        QFile::remove(item.downloaded);
        m_stage = Stage::WriteNew;
        ++m_index;
        m_lastStep = (item.name + QStringLiteral(" replaced"));
        Q_EMIT step(m_lastStep);
        return true;
    }
    return false;
}

void Replacement::rollBack()
{
    m_running = false;
    QString error;
    for (const QString &name : std::as_const(m_backedUp)) {
        renameOver(path(name) + QStringLiteral(".old"), path(name), &error);
        // A rename between two links of one file does nothing: the backup is still there.
        if (QFileInfo(path(name)).isFile())
            QFile::remove(path(name) + QStringLiteral(".old"));
    }
    for (const QString &name : std::as_const(m_created))
        QFile::remove(path(name));
    for (const QString &name : std::as_const(m_written))
        QFile::remove(path(name) + QStringLiteral(".new"));
    m_backedUp.clear();
    m_created.clear();
    m_written.clear();
    QFile::remove(journalPath(m_programDir));
    syncFolder(m_programDir);
}

void Replacement::commit()
{
    for (const QString &name : std::as_const(m_backedUp))
        QFile::remove(path(name) + QStringLiteral(".old"));
    m_backedUp.clear();
    m_created.clear();
    QFile::remove(journalPath(m_programDir));
    syncFolder(m_programDir);
}

} // namespace updater
