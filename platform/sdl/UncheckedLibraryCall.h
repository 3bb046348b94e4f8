// The desktop libraries keep a few things they allocate for themselves (SDL's D-Bus connection, X
// resources, its tables of input devices) until the process ends and never free them. In a
// leak-checked build the leak checker looks away from exactly the calls that make them, each made
// under this guard (none of our code runs inside them), and from nothing else: a leak of ours is
// reported even when a library called the code that made it.
#pragma once

#if defined(__SANITIZE_ADDRESS__)
#define STANDIN_LEAK_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(leak_sanitizer)
#define STANDIN_LEAK_CHECKED 1
#endif
#endif

#ifdef STANDIN_LEAK_CHECKED
#include <sanitizer/lsan_interface.h>
#endif

namespace standin {

class UncheckedLibraryCall {
public:
#ifdef STANDIN_LEAK_CHECKED
    UncheckedLibraryCall() { __lsan_disable(); }
    ~UncheckedLibraryCall() { __lsan_enable(); }
#else
    // Not trivial, so that a guard held only for its scope is not taken for an unused variable.
    UncheckedLibraryCall() {}
    ~UncheckedLibraryCall() {}
#endif
    UncheckedLibraryCall(const UncheckedLibraryCall&) = delete;
    UncheckedLibraryCall& operator=(const UncheckedLibraryCall&) = delete;
};

}  // namespace standin
