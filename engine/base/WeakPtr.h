// Weak references: a WeakPtr names an object without keeping it alive and yields null once the
// object is gone.
#pragma once

#include <atomic>

#include "base/RefCounter.h"
#include "base/SmartPtr.h"

namespace Vorn {

// Second base class (beside RefCounter) of every weakly referenceable class. The object keeps an
// uncounted pointer to its record; the record is made by the first WeakPtr and counted by the weak
// pointers. Whichever of object and record dies first clears the other's pointer.
//
// All links between objects and records change under one process-wide mutex: the audio thread
// locks weak pointers while the main thread destroys their objects.
class WeakRefCounter {
public:
    class WeakReference : public RefCounter {
    public:
        ~WeakReference() override;

    private:
        friend class WeakRefCounter;
        explicit WeakReference(WeakRefCounter* target) : m_target(target) {}
        WeakRefCounter* m_target; // guarded by the link mutex
    };

    WeakRefCounter() : m_weakReference(nullptr) {}
    // A copy is a different object; weak pointers to the original do not see it.
    WeakRefCounter(const WeakRefCounter&) : m_weakReference(nullptr) {}
    WeakRefCounter& operator=(const WeakRefCounter&) { return *this; }
    virtual ~WeakRefCounter();

    // The object's record with one reference already taken for the caller, made when the object has
    // none (or only a dying one). For WeakPtr.
    WeakReference* AcquireWeakReference();

    // Under the link mutex: when the record's object is alive and its count is above 0, adds one
    // reference to it and returns it, else null. toCounter maps the object to its RefCounter part.
    static WeakRefCounter* LockTarget(WeakReference* record,
                                      const RefCounter* (*toCounter)(WeakRefCounter*));

    // True while a record exists (for tests of the record's lifetime).
    bool HasWeakReference() const { return m_weakReference.load(std::memory_order_acquire); }

private:
    std::atomic<WeakReference*> m_weakReference;
};

template <class T>
class WeakPtr {
public:
    WeakPtr() {}
    WeakPtr(std::nullptr_t) {}
    WeakPtr(T* ptr) { Attach(ptr); }
    WeakPtr(const SmartPtr<T>& ptr) { Attach(ptr.Get()); }

    WeakPtr& operator=(T* ptr)
    {
        WeakPtr other(ptr);
        m_record = std::move(other.m_record);
        return *this;
    }
    WeakPtr& operator=(const SmartPtr<T>& ptr) { return *this = ptr.Get(); }
    WeakPtr& operator=(std::nullptr_t)
    {
        m_record = nullptr;
        return *this;
    }

    void Reset() { m_record = nullptr; }

    // A strong pointer to the object while it lives (one more reference for as long as the caller
    // keeps it), else null.
    SmartPtr<T> Lock() const
    {
        if (!m_record)
            return SmartPtr<T>();
        WeakRefCounter* target = WeakRefCounter::LockTarget(m_record.Get(), &ToCounter);
        if (!target)
            return SmartPtr<T>();
        return SmartPtr<T>::Adopt(static_cast<T*>(target)); // the reference LockTarget took
    }

    bool IsEmpty() const { return !m_record; }
    bool operator==(const WeakPtr& other) const { return m_record == other.m_record; }
    bool operator!=(const WeakPtr& other) const { return m_record != other.m_record; }

private:
    static const RefCounter* ToCounter(WeakRefCounter* weak) { return static_cast<T*>(weak); }

    void Attach(T* ptr)
    {
        if (!ptr)
            return;
        m_record = SmartPtr<WeakRefCounter::WeakReference>::Adopt(
            static_cast<WeakRefCounter*>(ptr)->AcquireWeakReference());
    }

    SmartPtr<WeakRefCounter::WeakReference> m_record;
};

} // namespace Vorn
