#pragma once

#include <QString>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

// Another program's write transaction on a database file: a connection of
// its own, on a thread of its own, takes the write lock and keeps it until
// the test calls release() (or the holder is destroyed). The main thread's
// event loop stays free, as it would with a real second process.
class LockHolder
{
public:
    explicit LockHolder(const QString &file);
    ~LockHolder();
    LockHolder(const LockHolder &) = delete;
    LockHolder &operator=(const LockHolder &) = delete;

    // Waits until the lock is held; false when it could not be taken.
    bool waitUntilHeld();
    // Ends the transaction; returns once the lock is given up.
    void release();

private:
    std::thread m_thread;
    std::atomic<int> m_state{0}; // 0 starting, 1 held, 2 failed or done
    std::mutex m_mutex;
    std::condition_variable m_released;
    bool m_release = false;
};
