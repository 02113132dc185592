#pragma once

#include "keyworddb/KeywordImport.h"

#include <QDate>
#include <QObject>
#include <QString>

class QThread;

// An import of a keyword file on a thread of its own, over a connection of
// its own to the table's file: reading, checking and storing a large file
// takes seconds, and the window stays usable meanwhile. What it reports
// arrives on the thread that started it.
class KeywordImportRun : public QObject
{
    Q_OBJECT
public:
    explicit KeywordImportRun(QObject *parent = nullptr);
    // A running import is let finish: its one transaction is never cut.
    ~KeywordImportRun() override;

    // `table`: the keyword table's file and lock wait (KeywordStore::scanSource).
    void start(const KeywordStore::ScanSource &table, const QString &path, const QDate &today);
    bool isRunning() const { return m_thread != nullptr; }

Q_SIGNALS:
    // How many of the file's `total` keywords were gone through.
    void progress(qsizetype done, qsizetype total);
    void finished(const KeywordImport::Outcome &outcome);

private:
    QThread *m_thread = nullptr;
};
