#include "support/LockHolder.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <chrono>

LockHolder::LockHolder(const QString &file, int holdMs)
{
    m_thread = std::thread([this, file, holdMs] {
        const QString name = QStringLiteral("lock-holder-%1").arg(quintptr(this), 0, 16);
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(file);
            QSqlQuery q(db);
            if (!db.open() || !q.exec(QStringLiteral("BEGIN IMMEDIATE"))
                || !q.exec(QStringLiteral("INSERT INTO keywords (keys) VALUES ('held by another program')"))) {
                m_state = 2;
                return;
            }
            m_state = 1;
            std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
            // Leave the table as it was: only the lock mattered.
            q.exec(QStringLiteral("ROLLBACK"));
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
        m_state = 2;
    });
}

LockHolder::~LockHolder()
{
    if (m_thread.joinable())
        m_thread.join();
}

bool LockHolder::waitUntilHeld()
{
    return QTest::qWaitFor([this] { return m_state.load() != 0; }, 5000) && m_state.load() == 1;
}
