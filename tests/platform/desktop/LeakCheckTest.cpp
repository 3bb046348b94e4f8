// In a leak-checked build, a leak of ours is reported even when a desktop library called the code
// that made it: the tests' suppressions name the GL driver's modules, not SDL, X11 or D-Bus, whose
// start-up allocations the platform's own guard covers instead.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>

#if defined(__SANITIZE_ADDRESS__)
#define LEAK_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(leak_sanitizer)
#define LEAK_CHECKED 1
#endif
#endif

#ifdef LEAK_CHECKED
#include <sanitizer/lsan_interface.h>
#endif

namespace {

#ifdef LEAK_CHECKED
// The only copy of the callback's allocation, kept disguised while the check runs so that nothing
// points at it.
volatile std::uintptr_t s_hidden = 0;
constexpr std::uintptr_t DISGUISE = ~std::uintptr_t(0);

int AllocateInCallback(void*, SDL_Event* event)
{
    if (event->type == SDL_USEREVENT)
        s_hidden = reinterpret_cast<std::uintptr_t>(new char[77]) ^ DISGUISE;
    return 0;
}
#endif

TEST(LeakCheck, OurAllocationUnderAnSdlCallIsReported)
{
#ifndef LEAK_CHECKED
    GTEST_SKIP() << "not a leak-checked build";
#else
    // SDL's own start-up keeps what it allocates, as under the platform's guard.
    __lsan_disable();
    const int started = SDL_InitSubSystem(SDL_INIT_EVENTS);
    __lsan_enable();
    ASSERT_EQ(started, 0) << SDL_GetError();
    SDL_AddEventWatch(&AllocateInCallback, nullptr);
    SDL_Event event{};
    event.type = SDL_USEREVENT;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
    SDL_DelEventWatch(&AllocateInCallback, nullptr);
    ASSERT_NE(s_hidden, 0u);
    testing::internal::CaptureStderr();
    const int found = __lsan_do_recoverable_leak_check();
    testing::internal::GetCapturedStderr();
    delete[] reinterpret_cast<char*>(s_hidden ^ DISGUISE);
    SDL_FlushEvent(SDL_USEREVENT);
    SDL_QuitSubSystem(SDL_INIT_EVENTS);
    EXPECT_NE(found, 0);
#endif
}

}  // namespace
