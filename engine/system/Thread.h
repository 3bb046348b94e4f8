// The engine's worker threads: one record per thread, started with a stack size of its own and
// joined (or let go) at most once. Every thread the engine makes goes through it.
#pragma once

#include <pthread.h>

#include <cstddef>

namespace Vorn {

class ThreadRecord {
public:
    ThreadRecord() : m_thread(), m_started(false), m_joined(false) {}
    // Joins a thread still running: a record never outlives its thread unnoticed.
    ~ThreadRecord() { Join(); }
    ThreadRecord(const ThreadRecord&) = delete;
    ThreadRecord& operator=(const ThreadRecord&) = delete;

    // False when the thread could not be made (nothing then runs). A stack size of 0 takes the
    // system's default; any other is raised to the system's least.
    bool Start(void* (*entry)(void*), void* argument, size_t stackSize);
    // Waits for the thread once; later calls, and calls on a record never started, return at once.
    void Join();
    // The thread frees its own resources when it ends; Join then does nothing.
    void Detach();
    bool IsJoined() const { return m_joined || !m_started; }

private:
    pthread_t m_thread;
    bool m_started;
    bool m_joined;
};

} // namespace Vorn
