#include "common/DataFolder.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace DataFolder {

bool isWritableFolder(const QString &dir)
{
    if (!QDir(dir).exists())
        return false;
    QTemporaryFile probe(dir + QStringLiteral("/.write-test-XXXXXX"));
    return probe.open();
}

QString resolve(const QStringList &arguments, const QString &programDir)
{
    const qsizetype at = arguments.indexOf(QStringLiteral("--data"));
    return resolveGiven(at >= 0 && at + 1 < arguments.size() ? arguments.at(at + 1) : QString(), programDir);
}

QString resolveGiven(const QString &given, const QString &programDir, bool create)
{
    QString dir = given;
    if (dir.isEmpty())
        dir = qEnvironmentVariable("VELTRANA_HOME");
    if (dir.isEmpty() && isWritableFolder(programDir))
        dir = programDir;
    // The per-user folder is the program's own, not a name someone typed:
    // it is made at once, or a first command after installing would find
    // no data folder.
    if (dir.isEmpty()) {
        dir = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
        create = true;
    }
    if (create)
        QDir().mkpath(dir);
    return QDir(dir).absolutePath();
}

QStringList withoutDataOption(const QStringList &arguments)
{
    QStringList out = arguments;
    const qsizetype at = out.indexOf(QStringLiteral("--data"));
    if (at >= 0) {
        out.removeAt(at);
        if (at < out.size())
            out.removeAt(at);
    }
    return out;
}

} // namespace DataFolder
