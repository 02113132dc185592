#pragma once

// Putting downloaded files into the program folder, and which file is the
// main program.

#include <QString>
#include <QStringList>

#include <functional>

namespace updater {

// Starts `program` in `workingDir` without waiting; false when it did not start.
using Launcher = std::function<bool(const QString &program, const QString &workingDir)>;
bool startDetached(const QString &program, const QString &workingDir);

// True for a bare file name: no folder part, nothing absolute, no "..".
bool isPlainFileName(const QString &name);

// The name a download is saved under: the last "/" part of the lower-cased,
// trimmed address with "http://" removed.
QString fileNameOf(const QString &address);

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

// Puts a data file in place under `target` in one step (write beside, then rename).
bool saveDataFile(const QString &downloaded, const QString &target, QString *error);

// Replaces the main program with `downloaded`, named `programName`, and starts
// it. The old file is renamed to a backup first and the backup is removed only
// once the new program has started; if the move or the start fails, the
// backup is put back. No other file of the folder is touched.
bool replaceAndStart(const QString &downloaded, const QString &programDir, const QString &programName,
                     bool windowsRule, const Launcher &launch, QString *error);

} // namespace updater
