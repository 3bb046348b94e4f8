// The on-screen developer console: a scrolling text console with line editing and history, a
// command interpreter shared with the remote console (TCP, loopback only), read-outs over the
// game (frame rate, memory, disk and network activity, pool statistics, value plots) and a
// blinking exception screen, all drawn with a built-in 6 x 8 font. The one instance lives in
// g_debugOverlay, made by Create; the application base class routes input to it while the console
// shows, updates it before the application and draws it after the application's frame.
//
// This file and DebugOverlay.cpp hold the console view; ConsoleCommands.cpp holds the command
// table and its built-in commands; RemoteConsole.h the TCP server.
//
// Threads: everything runs on the main thread. Connection threads of the remote console only read
// command lines and write replies; each line they read is queued and executed by Update on the
// main thread, so commands never race the frame.
#pragma once

#include <list>
#include <map>
#include <memory>
#include <vector>

#include "base/NarrowString.h"
#include "base/RefCounter.h"
#include "base/SmartPtr.h"
#include "system/Types.h"

namespace Vorn {

class DebugPlot;
class FpsCounter;
class RemoteConnection;
class RemoteConsole;
class Surface;
class Tint;

class DebugOverlay : public RefCounter {
public:
    // One client of the remote console (RemoteConsole.h); null for the local console.
    typedef Vorn::RemoteConnection RemoteConnection;

    // fn(context, argument text, connection or null).
    typedef void (*CommandHandler)(void* context, const NarrowString& argument,
                                   RemoteConnection* connection);

    // Touch ids of the console: 3 and 4 page back and forward, 0 drags.
    enum TouchId { TOUCH_DRAG = 0, TOUCH_PAGE_BACK = 3, TOUCH_PAGE_FORWARD = 4 };

    static constexpr u16 REMOTE_PORT = 1337;
    // The time skew a command may set: above 0, at most this.
    static constexpr float MIN_TIME_SKEW = 0.01f;
    static constexpr float MAX_TIME_SKEW = 8.0f;
    // Local console lines kept; the oldest go first.
    static constexpr size_t MAX_CONSOLE_LINES = 10000;
    // A remote connection that sends nothing for this long is ended.
    static constexpr int REMOTE_IDLE_MS = 5 * 60 * 1000;

    // A new overlay in g_debugOverlay, replacing (and releasing) any previous one. Needs a current
    // GL context for its font and icons.
    static DebugOverlay* Create();
    // An overlay without its pictures, not installed (Create loads them): text then draws
    // nothing, everything else works. Needs no GL.
    DebugOverlay();
    ~DebugOverlay() override;

    // Once per tick, with the unscaled frame time, before the application's update: blink, console
    // scrolling, counters and plots, then the remote console (accept, run queued commands, reap).
    virtual void Update(float seconds);
    // Once per drawn frame, after the application's drawing.
    virtual void Render(Surface* screen);
    virtual void OnTouchDown(int x, int y, int id);
    virtual void OnTouchMove(int x, int y, int id);
    virtual void OnTouchUp(int x, int y, int id);
    virtual void OnKeyDown(int key);
    virtual void OnKeyUp(int key);

    // Splits the text at each '\n'. With a null connection every line is appended to the console;
    // with a connection each line goes to that client followed by "\r\n".
    void Print(const NarrowString& text, RemoteConnection* connection);
    // Runs one command line; replies go where the command came from. A local line joins the
    // history. Main thread.
    void ExecuteCommand(const NarrowString& line, RemoteConnection* connection);
    // Adds a command called as "name" or "name argument text"; help ("name: help") joins the help
    // lines. A built-in command keeps its name: registering it again changes nothing.
    void RegisterCommand(const NarrowString& name, CommandHandler handler, void* context,
                         const NarrowString& help);

    // Draws text with the built-in font: 6 pixels a byte, tab 16; byte 1 and three bytes of red,
    // green and blue tint what follows; codes outside the font draw a box.
    void DrawText(Surface* target, int x, int y, const NarrowString& text);
    // The escape that tints the text after it (red, green, blue, 0 to 255).
    static NarrowString ColorEscape(int r, int g, int b);

    // Listens on the loopback address only (never on other interfaces: the console runs any
    // command for whoever connects). Port 0 lets the system choose; GetRemotePort tells which.
    // False, with one line on stderr, when the port cannot be had: the game goes on without it.
    // A connection idle for idleMs is ended.
    bool OpenRemotePort(u16 port = REMOTE_PORT, int idleMs = REMOTE_IDLE_MS);
    u16 GetRemotePort() const;
    // The address the remote console listens on (host order), 0 when closed.
    u32 GetRemoteAddress() const;
    size_t GetRemoteConnectionCount() const;

    const std::vector<NarrowString>& GetConsoleLines() const { return m_consoleLines; }
    const std::vector<NarrowString>& GetHistory() const { return m_history; }
    const NarrowString& GetInputLine() const { return m_inputLine; }
    int GetVerticalScroll() const { return m_verticalScroll; }
    int GetHorizontalScroll() const { return m_horizontalScroll; }
    bool IsLoggingEnabled() const { return m_logging; }
    float GetBlinkTimer() const { return m_blink; }
    bool HasPlot(int index) const { return index >= 0 && index < PLOT_COUNT && m_plots[index]; }
    const FpsCounter* GetFpsCounter() const { return m_fpsCounter.Get(); }

    enum Plot { PLOT_FPS = 0, PLOT_MEMORY = 1, PLOT_VIDEO_MEMORY = 2, PLOT_COUNTER = 3, PLOT_COUNT = 4 };
    // Read-out switches, all off at creation.
    bool showFps = false;
    bool showMemory = false;
    bool showActivity = false;
    bool showVideoMemory = false;
    bool showPools = false;

    // True while the console is shown.
    static bool s_consoleEnabled;
    // What the "b" plot samples; nothing in the engine changes it.
    static int s_counter;

protected:
    void LoadImages();

private:
    DebugOverlay(const DebugOverlay&) = delete;
    DebugOverlay& operator=(const DebugOverlay&) = delete;
    friend struct ConsoleCommands;

    // Whether a command takes text after its name: NONE (the whole line is the name, which may
    // hold blanks, as "plot f"), REQUIRED (the name, a blank, then any text) or OPTIONAL.
    enum Argument { ARGUMENT_NONE, ARGUMENT_REQUIRED, ARGUMENT_OPTIONAL };
    struct Command {
        CommandHandler handler;
        void* context;
        Argument argument;
        bool builtIn;
    };

    void RegisterBuiltins();
    void AppendLine(const NarrowString& line);
    // Keeps the view scroll within the lines there are (rows on screen as last drawn).
    void ClampScroll();
    void ScrollBack(int lines);
    void TogglePlot(int index);
    void UpdateScrolling(float seconds);
    void RenderException(Surface* target, int width);
    void RenderConsole(Surface* target, int width, int height);
    void RenderReadouts(Surface* target, int width, int height);
    void RenderPools(Surface* target);

    SmartPtr<Surface> m_font;
    SmartPtr<Tint> m_tint;
    SmartPtr<Surface> m_diskIcon;
    SmartPtr<Surface> m_networkIcon;
    NarrowString m_inputLine;
    std::vector<NarrowString> m_consoleLines;
    std::vector<NarrowString> m_history;
    std::list<NarrowString> m_helpLines;
    int m_verticalScroll = 0;
    int m_horizontalScroll = 0;
    int m_rows = 0;   // text rows of the console as last drawn; 0 before the first frame
    bool m_logging = false;
    float m_blink = -0.5f;
    bool m_shift = false;
    int m_historyIndex = -1;
    bool m_dragging = false;
    int m_dragAnchor = 0;
    int m_dragPrevious = 0;
    int m_dragCurrent = 0;
    float m_flickSpeed = 0.0f;
    float m_flickTime = 0.0f;
    float m_flickOffset = 0.0f;
    std::map<NarrowString, Command> m_commands;
    SmartPtr<FpsCounter> m_fpsCounter;
    SmartPtr<DebugPlot> m_plots[PLOT_COUNT];
    std::unique_ptr<RemoteConsole> m_remote;
};

extern SmartPtr<DebugOverlay> g_debugOverlay;
// True while the overlay's exception screen is shown; the next touch or key dismisses it.
extern bool g_debugOverlayException;
// The text the exception screen shows.
extern NarrowString g_debugOverlayExceptionText;

} // namespace Vorn
