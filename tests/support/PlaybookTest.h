// The process entry started and stopped around a test's application, for fixtures that drive its
// loop pass by pass.
#pragma once

#include <cstdlib>
#include <memory>

#include <gtest/gtest.h>

#include "application/playbook/Clock.h"
#include "application/playbook/PlaybookProcess.h"
#include "sound/mixer/Mixer.h"
#include "standin/events.h"
#include "standin/standin.h"
#include "support/HeadlessGL.h"

namespace VornTest {

// The headless backend (software GL) with its stepped clock at 16 ms a frame and a display of
// width x height. Call before the process starts.
inline void UseHeadlessBackend(int width, int height)
{
    standin_set_backend(STANDIN_BACKEND_HEADLESS);
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    standin_set_display_size(width, height);
    standin_clock_set_step(16);
}

template <class App>
class PlaybookTest : public ::testing::Test {
protected:
    // Starts the process around started, which the process then owns, and keeps the GL driver
    // loaded past its end; last is the clock's time once it has started.
    void StartProcess(App* started)
    {
        app = started;
        process.reset(new Vorn::PlaybookProcess(app));
        ASSERT_EQ(process->Start(), Vorn::PlaybookProcess::EXIT_OK);
        KeepGLDriverLoaded();
        last = Vorn::GetTime();
    }
    void StopProcess()
    {
        process.reset();
        Vorn::g_mixer = nullptr;
    }
    bool Pass() { return app->RunPass(last); }

    App* app = nullptr;
    std::unique_ptr<Vorn::PlaybookProcess> process;
    Vorn::u64 last = 0;
};

}  // namespace VornTest
