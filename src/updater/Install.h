#pragma once

// Which files of the program folder the updater may touch, and putting
// downloaded files in place so that a kill at any instant leaves a runnable
// main program: each file is written and synced as NAME.new, the old one is
// kept as NAME.old, and one rename puts the new one in place.

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

namespace updater {

// Starts `program` in `workingDir` without waiting; false when it did not start.
using Launcher = std::function<bool(const QString &program, const QStringList &arguments, const QString &workingDir)>;
bool startDetached(const QString &program, const QStringList &arguments, const QString &workingDir);

// True for a bare file name: no folder part, nothing absolute, no "..".
bool isPlainFileName(const QString &name);

// Names a version page may never list: the user's files (database, keyword
// lists, favourites, endpoints), "ver.txt", the updater itself, lock files,
// "Temp" and the names the updater works with (.new, .old, .part).
bool isProtectedName(const QString &name);

// The name a download is saved under: the last "/" part of the lower-cased,
// trimmed address with "http://" removed.
QString fileNameOf(const QString &address);

// The name a download takes in the program folder: a page rule set listed as
// ".../rules/NAME.ini" goes into the program folder's rules/ ("rules/NAME.ini");
// anything else is fileNameOf(address).
QString installNameOf(const QString &address);
// A name the updater may place: a plain file name, or "rules/" and a plain
// ".ini" name.
bool isInstallName(const QString &name);

// The main program's file name when the page names none.
QString defaultProgramName();

// A download is the program file when its name has ".exe" or "newver" in it,
// or is the program name itself; anything else is a data file.
bool isProgramFile(const QString &fileName, const QString &programName);

// The installed main program: with the Windows rule the file named
// `programName`, else the first file whose name contains ".exe" and none of
// "update", "autorun", "newver"; elsewhere only the file named `programName`.
// Empty when there is none.
QString installedMainProgram(const QString &programDir, const QString &programName, bool windowsRule);

// Starts the installed main program (see installedMainProgram) with
// `arguments`; false when there is none or it did not start.
bool startInstalledProgram(const QString &programDir, const QString &programName, bool windowsRule,
                           const QStringList &arguments, const Launcher &launch);

// The file in the program folder that names the files a replacement is
// working on, from before its first step until it is committed or rolled
// back: only those files' .new and .old are ever touched by a later start.
QString journalPath(const QString &programDir);

// What an earlier run cut short leaves behind, put right before anything
// else. For the main program and the names in the journal: a NAME.old whose
// NAME is missing (or, for the main program, not executable) is put back,
// other NAME.old and every NAME.new are removed. Then the .part files of
// earlier working folders under `tempDir` go, and those folders when empty.
// Returns what it did.
QStringList recoverProgramFolder(const QString &programDir, const QString &programName, const QString &tempDir);

struct InstallItem {
    QString downloaded;   // the finished download in the working folder
    QString name;         // its name in the program folder
    bool program = false; // made executable
};

// Puts the downloads in place, one step at a time (each step is announced by
// `step`; tests name one after which it holds, to kill it there), then says
// `placed` or `failed`. Until `commit` every replaced file keeps its NAME.old, so
// `rollBack` can put the folder back as it was.
class Replacement : public QObject
{
    Q_OBJECT
public:
    Replacement(QString programDir, QString holdAfter, QObject *parent = nullptr);

    void start(const QList<InstallItem> &items);
    void rollBack();
    void commit();
    bool isRunning() const { return m_running; }

Q_SIGNALS:
    void step(const QString &what);
    void placed();
    void failed(const QString &reason);

private:
    enum class Stage { WriteNew, KeepOld, Rename };
    void next();
    bool doStep(const InstallItem &item, QString *error);
    QString path(const QString &name) const;

    QString m_programDir;
    QString m_holdAfter;
    QString m_lastStep;
    QList<InstallItem> m_items;
    qsizetype m_index = 0;
    Stage m_stage = Stage::WriteNew;
    bool m_running = false;
    QStringList m_backedUp; // names whose NAME.old we made
    QStringList m_created;  // names that had no file before
    QStringList m_written;  // NAME.new files we wrote
};

} // namespace updater
