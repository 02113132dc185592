#include "keyworddb/KeywordImportRun.h"

#include <QMetaObject>
#include <QThread>
#include <memory>

KeywordImportRun::KeywordImportRun(QObject *parent)
    : QObject(parent)
{
}

KeywordImportRun::~KeywordImportRun()
{
    if (m_thread)
        m_thread->wait();
}

void KeywordImportRun::start(const KeywordStore::ScanSource &table, const QString &path, const QDate &today)
{
    if (m_thread)
        return;
    auto outcome = std::make_shared<KeywordImport::Outcome>();
    m_thread = QThread::create([this, table, path, today, outcome] {
        KeywordStore store;
        store.setLockWaitMs(table.lockWaitMs);
        if (!store.open(table.file)) {
            // The file is still checked first, so a bad file says so rather
            // than the table's trouble.
            *outcome = KeywordImport::readFile(path);
            if (outcome->status == KeywordImport::Outcome::Read) {
                outcome->status = KeywordImport::Outcome::WriteFailed;
                outcome->reason = store.lastError();
            }
            return;
        }
        *outcome = KeywordImport::importFile(store, path, today, [this](qsizetype done, qsizetype total) {
            // This object outlives the thread: its destructor waits for it.
            QMetaObject::invokeMethod(
                this, [this, done, total] { Q_EMIT progress(done, total); }, Qt::QueuedConnection);
        });
    });
    m_thread->setParent(this);
    connect(m_thread, &QThread::finished, this, [this, outcome] {
        m_thread->deleteLater();
        m_thread = nullptr;
        Q_EMIT finished(*outcome);
    });
    m_thread->start();
}
