// Strong, counting pointer to a RefCounter object: the only owner type for shared objects.
#pragma once

#include <cstddef>
#include <type_traits>
#include <utility>

#include "base/RefCounter.h"

namespace Vorn {

template <class T>
class SmartPtr {
public:
    SmartPtr() : m_ptr(nullptr) {}
    SmartPtr(std::nullptr_t) : m_ptr(nullptr) {}
    SmartPtr(T* ptr) : m_ptr(ptr) { Acquire(m_ptr); }
    SmartPtr(const SmartPtr& other) : m_ptr(other.m_ptr) { Acquire(m_ptr); }
    SmartPtr(SmartPtr&& other) noexcept : m_ptr(other.m_ptr) { other.m_ptr = nullptr; }
    template <class U, class = typename std::enable_if<std::is_convertible<U*, T*>::value>::type>
    SmartPtr(const SmartPtr<U>& other) : m_ptr(other.Get()) { Acquire(m_ptr); }

    ~SmartPtr() { Release(m_ptr); }

    // The new pointee is taken before the old one is released, so assigning an object to the
    // pointer that already holds its last reference keeps it alive.
    SmartPtr& operator=(T* ptr)
    {
        Acquire(ptr);
        T* old = m_ptr;
        m_ptr = ptr;
        Release(old);
        return *this;
    }
    SmartPtr& operator=(const SmartPtr& other) { return *this = other.m_ptr; }
    SmartPtr& operator=(SmartPtr&& other) noexcept
    {
        if (this != &other) {
            T* old = m_ptr;
            m_ptr = other.m_ptr;
            other.m_ptr = nullptr;
            Release(old);
        }
        return *this;
    }
    SmartPtr& operator=(std::nullptr_t) { return *this = static_cast<T*>(nullptr); }

    void Reset() { *this = nullptr; }

    // Takes over a reference the caller already holds, without counting again.
    static SmartPtr Adopt(T* ptr)
    {
        SmartPtr result;
        result.m_ptr = ptr;
        return result;
    }

    T* Get() const { return m_ptr; }
    T* operator->() const { return m_ptr; }
    T& operator*() const { return *m_ptr; }
    explicit operator bool() const { return m_ptr != nullptr; }

private:
    static void Acquire(T* ptr)
    {
        if (ptr)
            static_cast<const RefCounter*>(ptr)->AddRef();
    }
    static void Release(T* ptr)
    {
        if (ptr)
            static_cast<const RefCounter*>(ptr)->RemRef();
    }

    T* m_ptr;
};

template <class T, class U>
bool operator==(const SmartPtr<T>& a, const SmartPtr<U>& b) { return a.Get() == b.Get(); }
template <class T, class U>
bool operator!=(const SmartPtr<T>& a, const SmartPtr<U>& b) { return a.Get() != b.Get(); }
template <class T, class U>
bool operator==(const SmartPtr<T>& a, const U* b) { return a.Get() == b; }
template <class T, class U>
bool operator!=(const SmartPtr<T>& a, const U* b) { return a.Get() != b; }
template <class T, class U>
bool operator==(const U* a, const SmartPtr<T>& b) { return a == b.Get(); }
template <class T, class U>
bool operator!=(const U* a, const SmartPtr<T>& b) { return a != b.Get(); }
template <class T>
bool operator==(const SmartPtr<T>& a, std::nullptr_t) { return !a; }
template <class T>
bool operator!=(const SmartPtr<T>& a, std::nullptr_t) { return static_cast<bool>(a); }
template <class T>
bool operator<(const SmartPtr<T>& a, const SmartPtr<T>& b) { return a.Get() < b.Get(); }

} // namespace Vorn
