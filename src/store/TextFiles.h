#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The program's own list files, line by line: GB18030 (the ANSI code page's superset),
// lines ended by CR LF, written through CheckedFile, so a crash or a full
// disk never leaves half a file. Readers take LF endings too.
namespace TextFiles {

// Writes `lines`, each ended by CR LF. False when the file cannot be written
// (the old file is then as it was); `failure` gets the reason.
bool writeLines(const QString &path, const QStringList &lines, QString *failure = nullptr);
// The whole file decoded as GB18030; empty when missing. `exists` tells them apart.
QString readAll(const QString &path, bool *exists = nullptr);
// The lines of a GB18030 file, line ends removed (a last empty line too).
QStringList readLines(const QString &path, bool *exists = nullptr);
// A file a user picked, UTF-8 or GB18030 (TextFile::decodeImport tells
// them apart). Lines as read, line ends removed.
QStringList readImport(const QString &path, bool *ok = nullptr);

} // namespace TextFiles
