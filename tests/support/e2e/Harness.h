// End-to-end driver: runs a whole application headless through the process entry's start and
// stop, one frame at a time on the stepped clock, with touches and window events queued as the
// platform would send them. It reads back what the window shows and what any offscreen target
// holds, saves both as PNG, and captures what was written to the sound output. How to write a
// scenario: tests/e2e/README.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/HeadlessGL.h"

namespace Vorn {
class PlaybookApplication;
class PlaybookProcess;
class Surface;
}  // namespace Vorn

namespace VornTest {

class TempDir;

class Harness {
public:
    struct Options {
        // The display, in pixels as the user sees it.
        int width = 480;
        int height = 800;
        // What the sandbox's app/native/ shows; empty: the build tree's data directory (where
        // the game's archives are built).
        std::string archives;
        // What the sandbox's data/ (the save area) is; empty: a fresh empty directory. Give two
        // runs the same directory to see the second read what the first saved.
        std::string data;
        // Keep what is written to the sound output (TakeAudio); otherwise it is dropped.
        bool captureAudio = true;
    };

    Harness();
    explicit Harness(const Options& options);
    // Stops a running application and removes the sandbox.
    ~Harness();
    Harness(const Harness&) = delete;
    Harness& operator=(const Harness&) = delete;

    // Starts app (new, nobody holding it yet) as the process entry does, in a fresh sandbox: the
    // platform services, the window, the display, then the application's start-up. False when the
    // start failed; ExitCode tells how.
    bool Start(Vorn::PlaybookApplication* app);
    // One pass of the event loop lasting ms: the queued events are delivered, then one tick of
    // ms / 1000 seconds draws a frame. False once the application has quit (no tick then).
    bool Frame(int ms = 16);
    // Up to count frames; the number that ran (fewer when the application quit).
    int Frames(int count, int ms = 16);
    // Frames until done() holds, at most limit of them; true when it held.
    bool RunUntil(const std::function<bool()>& done, int limit = 1000, int ms = 16);

    // Input for the next frame, in the order queued. Positions are window pixels.
    void TouchDown(int x, int y, int id = 0);
    void TouchMove(int x, int y, int id = 0);
    void TouchUp(int x, int y, int id = 0);
    // Down, holdMs of frames, up, one more frame.
    void Tap(int x, int y, int holdMs = 100);
    // Down at (x0, y0), steps moves of one frame each to (x1, y1), up there, one more frame.
    void Drag(int x0, int y0, int x1, int y1, int steps = 8, int ms = 16);
    // Navigator events: activation, window state (NAVIGATOR_WINDOW_*), an orientation check
    // followed by the change, the exit.
    void Activate(bool active);
    void SetWindowState(int state);
    void Rotate(int angle);
    void Exit();

    // The end of the run as the process entry ends it: the application's shutdown slot, its
    // release, the platform taken down. The exit code (also ExitCode).
    int Stop();
    int ExitCode() const { return m_exitCode; }
    bool Running() const { return m_process != nullptr; }

    // What the window shows: the last frame drawn.
    Image ReadWindow();
    // What an offscreen target (or any surface) holds.
    Image ReadSurface(Vorn::Surface* surface);
    bool SaveWindowPng(const std::string& path);
    bool SaveSurfacePng(Vorn::Surface* surface, const std::string& path);
    static bool SavePng(const Image& image, const std::string& path);

    // Samples (16-bit, stereo interleaved, 44100 Hz) written to the sound output since the last
    // call. The playback thread runs in real time while frames are stepped: waits up to
    // timeoutMs for at least minSamples.
    std::vector<int16_t> TakeAudio(size_t minSamples = 0, int timeoutMs = 2000);

    // The running application (null after Stop) and the sandbox directory (the working directory
    // while it runs).
    Vorn::PlaybookApplication* App() const;
    std::string SandboxPath() const;

private:
    Options m_options;
    std::unique_ptr<TempDir> m_sandbox;
    std::string m_previousDirectory;
    std::unique_ptr<Vorn::PlaybookProcess> m_process;
    uint64_t m_last = 0;
    int m_exitCode = 0;
};

}  // namespace VornTest
