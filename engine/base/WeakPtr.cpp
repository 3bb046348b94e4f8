#include "base/WeakPtr.h"

#include <mutex>

namespace Vorn {

namespace {
// Constant-initialised, so it is usable from static constructors and destructors alike.
std::mutex s_linkMutex;
} // namespace

WeakRefCounter::WeakReference::~WeakReference()
{
    std::lock_guard<std::mutex> lock(s_linkMutex);
    // A replaced record (see AcquireWeakReference) has no target and must not clear the link of
    // its successor.
    if (m_target && m_target->m_weakReference.load(std::memory_order_relaxed) == this)
        m_target->m_weakReference.store(nullptr, std::memory_order_release);
}

WeakRefCounter::~WeakRefCounter()
{
    if (!m_weakReference.load(std::memory_order_acquire))
        return;
    std::lock_guard<std::mutex> lock(s_linkMutex);
    WeakReference* record = m_weakReference.load(std::memory_order_relaxed);
    if (record) {
        record->m_target = nullptr;
        m_weakReference.store(nullptr, std::memory_order_release);
    }
}

WeakRefCounter::WeakReference* WeakRefCounter::AcquireWeakReference()
{
    std::lock_guard<std::mutex> lock(s_linkMutex);
    WeakReference* record = m_weakReference.load(std::memory_order_relaxed);
    if (record && record->TryAddRef())
        return record;
    // No record, or the last weak pointer has just released it and its destructor waits for the
    // mutex: detach the dying record and start a new one.
    if (record)
        record->m_target = nullptr;
    record = new WeakReference(this);
    record->AddRef();
    m_weakReference.store(record, std::memory_order_release);
    return record;
}

WeakRefCounter* WeakRefCounter::LockTarget(WeakReference* record,
                                           const RefCounter* (*toCounter)(WeakRefCounter*))
{
    std::lock_guard<std::mutex> lock(s_linkMutex);
    WeakRefCounter* target = record->m_target;
    if (target && toCounter(target)->TryAddRef())
        return target;
    return nullptr;
}

} // namespace Vorn
