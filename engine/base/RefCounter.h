// Intrusive reference count, the base of nearly every shared engine and game object.
#pragma once

#include <atomic>

#include "system/Types.h"

namespace Vorn {

// A new object has count 0: the first SmartPtr that takes it raises the count to 1, and the release
// that takes the count below 1 deletes the object through its virtual destructor.
//
// The count is atomic because the audio playback thread shares sources, effects and files with the
// main thread; copying one SmartPtr concurrently with releasing another to the same object is safe.
class RefCounter {
public:
    RefCounter() : m_count(0) {}
    virtual ~RefCounter() {}

    void AddRef() const { m_count.fetch_add(1, std::memory_order_relaxed); }

    // Returns true while references remain, false when this call destroyed the object.
    bool RemRef() const
    {
        // acq_rel: every write made through other references happens before the destructor runs.
        if (m_count.fetch_sub(1, std::memory_order_acq_rel) - 1 < 1) {
            delete this;
            return false;
        }
        return true;
    }

    s32 GetRefCount() const { return m_count.load(std::memory_order_relaxed); }

    // Copies are new objects with their own count: nobody holds them yet.
    RefCounter(const RefCounter&) : m_count(0) {}
    RefCounter& operator=(const RefCounter&) { return *this; }

private:
    friend class WeakRefCounter;

    // Adds a reference only while the count is above 0: a weak pointer must not revive an object
    // whose last strong reference is already gone (its destructor may be running on another thread).
    bool TryAddRef() const
    {
        s32 count = m_count.load(std::memory_order_relaxed);
        while (count > 0) {
            if (m_count.compare_exchange_weak(count, count + 1, std::memory_order_acquire,
                                              std::memory_order_relaxed))
                return true;
        }
        return false;
    }

    mutable std::atomic<s32> m_count;
};

} // namespace Vorn
