// The on-screen developer console: a scrolling text console with line editing and history, a
// command interpreter shared with the remote console (TCP, loopback only), read-outs over the
// game (frame rate, memory, disk and network activity, pool statistics, value plots) and a
// blinking exception screen, all drawn with a built-in 6 x 8 font. The one instance lives in
// g_debugOverlay, made by Create; the application base class routes input to it while the console
// shows, updates it before the application and draws it after the application's frame.
//
// Threads: everything runs on the main thread. Connection threads of the remote console only read
// command lines and write replies; each line they read is queued and executed by Update on the
// main thread, so commands never race the frame.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "base/NarrowString.h"
#include "base/RefCounter.h"
#include "base/SmartPtr.h"
#include "network/Network.h"
#include "system/Types.h"

namespace Vorn {

class DebugPlot;
class FpsCounter;
class Surface;
class Tint;

class DebugOverlay : public RefCounter {
public:
    // One client of the remote console. Made by the accepting update, served by its own thread,
    // reaped by a later update once the thread has let go of the socket.
    struct RemoteConnection {
        DebugOverlay* overlay = nullptr;
        ThreadRecord thread;
        // Guards socket, reply, waiting and closing.
        std::mutex mutex;
        std::condition_variable answered;
        SmartPtr<StreamSocket> socket;   // null once the connection has ended
        NarrowString reply;              // lines printed for this client, not yet sent
        bool waiting = false;            // a command of this client is queued
        bool closing = false;            // the overlay is going: stop at once
        std::atomic<bool> finished{false};
    };

    // fn(context, argument text, connection or null).
    typedef void (*CommandHandler)(void* context, const NarrowString& argument,
                                   RemoteConnection* connection);

    // Key codes of the engine the console reads.
    enum Key {
        KEY_LEFT = 1, KEY_RIGHT = 2, KEY_UP = 3, KEY_DOWN = 4, KEY_ENTER = 6, KEY_BACKSPACE = 9,
        KEY_SHIFT = 10, KEY_PAGE_DOWN = 25, KEY_PAGE_UP = 26,
    };
    // Touch ids of the console: 3 and 4 page back and forward, 0 drags.
    enum TouchId { TOUCH_DRAG = 0, TOUCH_PAGE_BACK = 3, TOUCH_PAGE_FORWARD = 4 };

    static constexpr u16 REMOTE_PORT = 1337;
    // The time skew a command may set: above 0, at most this.
    static constexpr float MIN_TIME_SKEW = 0.01f;
    static constexpr float MAX_TIME_SKEW = 8.0f;
    // Local console lines kept; the oldest go first.
    static constexpr size_t MAX_CONSOLE_LINES = 10000;
    // A remote command line longer than this ends the connection.
    static constexpr size_t MAX_REMOTE_LINE = 4096;

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
    void RegisterCommand(const NarrowString& name, CommandHandler handler, void* context,
                         const NarrowString& help);

    // Draws text with the built-in font: 6 pixels a byte, tab 16; byte 1 and three bytes of red,
    // green and blue tint what follows; codes outside the font draw a box.
    void DrawText(Surface* target, int x, int y, const NarrowString& text);

    // Listens on the loopback address only (never on other interfaces: the console runs any
    // command for whoever connects). Port 0 lets the system choose; GetRemotePort tells which.
    // False when the port cannot be had.
    bool OpenRemotePort(u16 port = REMOTE_PORT);
    u16 GetRemotePort() const;
    // The address the remote console listens on (host order), 0 when closed.
    u32 GetRemoteAddress() const;
    size_t GetRemoteConnectionCount() const { return m_connections.size(); }
    // Thread entry of a connection.
    static void* RemoteConnectionEntry(void* connection);
    void RemoteLoop(RemoteConnection* connection);

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

    struct Command {
        CommandHandler handler;
        void* context;
    };
    struct QueuedCommand {
        RemoteConnection* connection;
        NarrowString line;
    };

    void AppendLine(const NarrowString& line);
    // Keeps the view scroll within the lines there are (rows on screen as last drawn).
    void ClampScroll();
    void ScrollBack(int lines);
    void TogglePlot(int index);
    void CmdAssets(RemoteConnection* connection);
    void CmdRegList(RemoteConnection* connection);
    void CmdRegCallbacks(RemoteConnection* connection);
    void CmdRegSet(const NarrowString& argument, RemoteConnection* connection);
    void CmdTimeSkew(const char* number, RemoteConnection* connection);
    void UpdateScrolling(float seconds);
    void UpdateRemote();
    void RenderException(Surface* target, int width);
    void RenderConsole(Surface* target, int width, int height);
    void RenderReadouts(Surface* target, int width, int height);
    void CloseConnection(RemoteConnection* connection);

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
    SmartPtr<ListenSocket> m_listenSocket;
    bool m_networkStarted = false;
    std::list<std::unique_ptr<RemoteConnection>> m_connections;
    // Lines read by connection threads, run by Update.
    std::mutex m_queueMutex;
    std::deque<QueuedCommand> m_queue;
};

extern SmartPtr<DebugOverlay> g_debugOverlay;
// True while the overlay's exception screen is shown; the next touch or key dismisses it.
extern bool g_debugOverlayException;
// The text the exception screen shows.
extern NarrowString g_debugOverlayExceptionText;

} // namespace Vorn
