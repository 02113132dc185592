#pragma once

#include <QString>
#include <QStringList>

// Where the program keeps its data files (database, kws.txt, mykw.txt,
// myfav, endpoints.ini): "--data DIR", else $VELTRANA_HOME, else the
// program folder when it is writable, else the per-user app data folder.
namespace DataFolder {

// `arguments` are the command-line arguments (without the program name is
// fine); `programDir` the executable's folder. Creates the folder.
QString resolve(const QStringList &arguments, const QString &programDir);
// The same with the "--data" value already taken out (empty: none given).
// With `create` false a missing folder given or set in $VELTRANA_HOME is left
// missing: commands that only read must not leave a folder behind for a
// mistyped name. The per-user folder is always made.
QString resolveGiven(const QString &given, const QString &programDir, bool create = true);

// Removes "--data DIR" from the arguments (so commands see only their own).
QStringList withoutDataOption(const QStringList &arguments);

bool isWritableFolder(const QString &dir);

} // namespace DataFolder
