#pragma once

#include <QString>
#include <atomic>
#include <thread>

// Another program's write transaction on a database file: a connection of
// its own, on a thread of its own, takes the write lock and keeps it for
// `holdMs` before it commits. The main thread's event loop stays free, as
// it would with a real second process.
class LockHolder
{
public:
    LockHolder(const QString &file, int holdMs);
    ~LockHolder();
    LockHolder(const LockHolder &) = delete;
    LockHolder &operator=(const LockHolder &) = delete;

    // Waits until the lock is held; false when it could not be taken.
    bool waitUntilHeld();

private:
    std::thread m_thread;
    std::atomic<int> m_state{0};   // 0 starting, 1 held, 2 failed or done
};
