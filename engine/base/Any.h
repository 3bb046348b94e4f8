// Type-erased value holder. There is no run-time type query: whoever reads an Any knows which
// Holder type it stored (the asset dictionary keeps strong or weak pointers to surfaces and sounds).
#pragma once

#include <type_traits>
#include <utility>

namespace Vorn {

class Any {
public:
    class Placeholder {
    public:
        virtual ~Placeholder() {}
        virtual Placeholder* Clone() const = 0;
    };

    template <class V>
    class Holder : public Placeholder {
    public:
        explicit Holder(const V& value) : held(value) {}
        Placeholder* Clone() const override { return new Holder(held); }
        V held;
    };

    Any() : content(nullptr) {}
    template <class V, class = typename std::enable_if<
                           !std::is_same<typename std::decay<V>::type, Any>::value>::type>
    Any(const V& value) : content(new Holder<V>(value)) {}
    Any(const Any& other) : content(other.content ? other.content->Clone() : nullptr) {}
    Any(Any&& other) noexcept : content(other.content) { other.content = nullptr; }
    ~Any() { delete content; }

    Any& operator=(const Any& other)
    {
        Any copy(other);
        std::swap(content, copy.content);
        return *this;
    }
    Any& operator=(Any&& other) noexcept
    {
        std::swap(content, other.content);
        return *this;
    }

    bool IsEmpty() const { return content == nullptr; }

    // The stored value, read as the Holder<V> the caller put in.
    template <class V>
    V& Get() const { return static_cast<Holder<V>*>(content)->held; }

    Placeholder* content;
};

} // namespace Vorn
