#include "support/LockHolder.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

LockHolder::LockHolder(const QString &file)
{
    m_thread = std::thread([this, file] {
        const QString name = QStringLiteral("lock-holder-%1").arg(quintptr(this), 0, 16);
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(file);
            QSqlQuery q(db);
            if (db.open() && q.exec(QStringLiteral("BEGIN IMMEDIATE"))
                && q.exec(QStringLiteral("INSERT INTO keywords (keys) VALUES ('held by another program')"))) {
                m_state = 1;
                std::unique_lock<std::mutex> lock(m_mutex);
                m_released.wait(lock, [this] { return m_release; });
                // Leave the table as it was: only the lock mattered.
                q.exec(QStringLiteral("ROLLBACK"));
            }
            q.finish();
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
        m_state = 2;
    });
}

LockHolder::~LockHolder() { release(); }

void LockHolder::release()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_release = true;
    }
    m_released.notify_one();
    if (m_thread.joinable())
        m_thread.join();
}

bool LockHolder::waitUntilHeld()
{
    return QTest::qWaitFor([this] { return m_state.load() != 0; }, 5000) && m_state.load() == 1;
}
