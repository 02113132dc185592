#pragma once

// The updater's own checked file writing (it shares no code with the main
// program): every write and the flush are checked and the data is synced to
// disk before a file counts as written, so a crash or a full disk never
// leaves a half file under a name that matters.

#include <QFileDevice>
#include <QString>

class QIODevice;

namespace updater {

// Copies `source` to `path` (created or truncated), sets `permissions`,
// syncs it and closes it. On failure `path` is removed and `error` says why.
bool writeSynced(const QString &path, QIODevice &source, QFileDevice::Permissions permissions, QString *error);
bool writeSynced(const QString &path, const QString &sourceFile, QFileDevice::Permissions permissions, QString *error);

// Keeps `path` under `backup` as well: a hard link where the file system has
// them, else a synced copy. An earlier `backup` is replaced.
bool keepBackup(const QString &path, const QString &backup, QString *error);

// Renames `from` over `to` in one step (an existing `to` is replaced).
bool renameOver(const QString &from, const QString &to, QString *error);

// Makes the renames in `dir` durable.
void syncFolder(const QString &dir);

// The reason of the last failed system call, in Chinese where we know it.
QString systemReason(int errorNumber);

} // namespace updater
