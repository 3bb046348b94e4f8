#include "application/DebugOverlay.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "Version.h"
#include "application/AbstractApp.h"
#include "application/DebugOverlayImages.h"
#include "application/DebugPlot.h"
#include "application/FpsCounter.h"
#include "base/AssetDict.h"
#include "base/Registry.h"
#include "base/TextDict.h"
#include "base/WideString.h"
#include "graphics/postprocess/Tint.h"
#include "graphics/surface/Surface.h"
#include "sound/AudioSource.h"
#include "system/AllocPool.h"
#include "system/Memory.h"
#include "system/NumberParse.h"
#include "vfs/File.h"

namespace Vorn {

// The application defines its name; a program without one (a test, a tool) greets with none. The
// weak reference keeps the engine from demanding the definition.
extern NarrowString g_applicationName __attribute__((weak));

SmartPtr<DebugOverlay> g_debugOverlay;
bool DebugOverlay::s_consoleEnabled = false;
int DebugOverlay::s_counter = 0;
bool g_debugOverlayException = false;
NarrowString g_debugOverlayExceptionText;

namespace {

using namespace DebugOverlayImages;

const Color BLACK_SHADE = {0, 0, 0, 0xC0};
const Color BLACK_BAND = {0, 0, 0, 0x80};
const Color GREY = {0x80, 0x80, 0x80, 0xFF};
const Color WHITE = {0xFF, 0xFF, 0xFF, 0xFF};
const Color RED = {0xFF, 0x00, 0x00, 0xFF};

const char ESCAPE = 0x01;
const unsigned char ARROW_UP = 0xA0, ARROW_DOWN = 0xA1, ARROW_LEFT = 0xA2, UNKNOWN_GLYPH = 0xA3;
const unsigned char CORNER_TL = 0xA4, CORNER_TR = 0xA5, CORNER_BL = 0xA6, CORNER_BR = 0xA7;
const unsigned char EDGE_H = 0xB3, EDGE_V = 0xB4;

// A connection thread only reads, queues and writes.
const size_t CONNECTION_STACK_SIZE = 0xA000;
const int SEND_TIMEOUT_MS = 2000;
const int SCROLL_PAGE = 20;
const int HSCROLL_STEP = 10;
const int DRAG_LINE_PIXELS = 7;

const char* const HELP_LINES[] = {
    "1. assets: show managed assets",
    "           star denotes held asset",
    "2. reglist: lists registry keys",
    "3. regcallbacks: lists registry callbacks",
    "regset reg/path value: sets registry key",
    "4. logging: switch VORN_MSG logging",
    "5. texts: show text dictionary",
    "6. plot: show / hide all debug plots",
    "  61. plot f: show / hide fps plot",
    "  62. plot m: show / hide memory plot",
    "  63. plot v: show / hide video memory plot",
    "7. exit: close application",
    "8. floppy: show disk access indicator",
    "9. timeskew skew: set time skew",
    "13. pool: pool allocator stats",
};

// Characters of the keys 13 to 22 (digits) and 31 to 39, plain and shifted.
const char DIGITS_SHIFTED[] = {0x29, 0x21, 0x40, 0x23, 0x24, 0x25, 0x5E, 0x26, 0x2A, 0x28};
const char PUNCTUATION[] = {0x27, 0x2F, 0x2E, 0x3D, 0x3B, 0x2C, 0x2D, 0x5B, 0x5D};
const char PUNCTUATION_SHIFTED[] = {0x22, 0x3F, 0x3E, 0x2B, 0x3A, 0x3C, 0x5F, 0x7B, 0x7D};

NarrowString Escape(int r, int g, int b)
{
    NarrowString text(1, ESCAPE);
    text.push_back(static_cast<char>(r));
    text.push_back(static_cast<char>(g));
    text.push_back(static_cast<char>(b));
    return text;
}

bool StartsWith(const NarrowString& text, const char* prefix)
{
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

// Whether an asset's held object is still alive; the dictionary holds weak pointers to surfaces
// and to sounds.
bool IsHeld(const Any& value)
{
    if (value.IsEmpty())
        return false;
    if (auto* surface = dynamic_cast<Any::Holder<WeakPtr<Surface>>*>(value.content))
        return static_cast<bool>(surface->held.Lock());
    if (auto* sound = dynamic_cast<Any::Holder<WeakPtr<AudioSource>>*>(value.content))
        return static_cast<bool>(sound->held.Lock());
    return false;
}

void WriteRegistryNode(DebugOverlay& overlay, const Registry::Node& node, const NarrowString& name,
                       int depth, DebugOverlay::RemoteConnection* connection)
{
    overlay.Print(NarrowString(depth, ' ') + Escape(0xC0, 0xC0, 0xFF) + "[" + name + "]", connection);
    for (const auto& entry : node.keys) {
        const RegistryKey& key = *entry.second;
        NarrowString line = NarrowString(depth + 2, ' ') + Escape(0x80, 0xFF, 0x80) + entry.first +
                            Escape(0xFF, 0xFF, 0xFF);
        switch (key.GetType()) {
        case RegistryKey::TYPE_BOOL: line += key.GetBool() ? ": true" : ": false"; break;
        case RegistryKey::TYPE_INT: line += ": "; line.AppendInt(key.GetInt()); break;
        case RegistryKey::TYPE_FLOAT: line += ": "; line.AppendFloat(key.GetFloat()); break;
        case RegistryKey::TYPE_STRING: line += NarrowString(": \"") + key.GetText() + "\""; break;
        default: break;
        }
        overlay.Print(line, connection);
    }
    for (const auto& entry : node.children)
        WriteRegistryNode(overlay, *entry.second, entry.first, depth + 2, connection);
}

} // namespace

DebugOverlay* DebugOverlay::Create()
{
    DebugOverlay* overlay = new DebugOverlay;
    overlay->LoadImages();
    g_debugOverlay = overlay;
    return overlay;
}

DebugOverlay::DebugOverlay() : m_tint(new Tint), m_fpsCounter(new FpsCounter)
{
    for (const char* line : HELP_LINES)
        m_helpLines.push_back(line);
    Print(Version::String, nullptr);
}

void DebugOverlay::LoadImages()
{
    m_font = CreateFont();
    m_diskIcon = CreateDiskIcon();
    m_networkIcon = CreateNetworkIcon();
}

DebugOverlay::~DebugOverlay()
{
    m_listenSocket = nullptr;
    for (auto& connection : m_connections)
        CloseConnection(connection.get());
    m_connections.clear();
    if (m_networkStarted)
        Network::Release();
}

void DebugOverlay::CloseConnection(RemoteConnection* connection)
{
    {
        std::lock_guard<std::mutex> lock(connection->mutex);
        connection->closing = true;
        if (connection->socket) {
            connection->socket->WriteString("Application is shutting down. KTHXBAI\r\n");
            // Wakes the thread out of its blocking read.
            connection->socket->Shutdown();
        }
    }
    connection->answered.notify_all();
    connection->thread.Join();
}

// ---- printing and commands ------------------------------------------------------------------

void DebugOverlay::AppendLine(const NarrowString& line)
{
    m_consoleLines.push_back(line);
    if (m_verticalScroll > 0)
        ++m_verticalScroll;   // the lines on screen stay where they are
    if (m_consoleLines.size() > MAX_CONSOLE_LINES) {
        size_t drop = m_consoleLines.size() - MAX_CONSOLE_LINES;
        m_consoleLines.erase(m_consoleLines.begin(), m_consoleLines.begin() + drop);
    }
    ClampScroll();
}

void DebugOverlay::Print(const NarrowString& text, RemoteConnection* connection)
{
    size_t start = 0;
    for (;;) {
        size_t end = text.find('\n', start);
        NarrowString line = text.substr(start, end == NarrowString::npos ? NarrowString::npos : end - start);
        if (connection) {
            // The connection's thread sends it once the command is done.
            std::lock_guard<std::mutex> lock(connection->mutex);
            connection->reply += line;
            connection->reply += "\r\n";
        } else {
            AppendLine(line);
        }
        if (end == NarrowString::npos)
            break;
        start = end + 1;
    }
}

void DebugOverlay::RegisterCommand(const NarrowString& name, CommandHandler handler, void* context,
                                   const NarrowString& help)
{
    if (!handler)
        return;
    m_commands[name] = Command{handler, context};
    m_helpLines.push_back(help.empty() ? name : NarrowString(name + ": " + help));
}

void DebugOverlay::TogglePlot(int index)
{
    if (m_plots[index]) {
        m_plots[index] = nullptr;
        return;
    }
    DebugPlot::Source source;
    switch (index) {
    case PLOT_FPS: {
        FpsCounter* counter = m_fpsCounter.Get();
        source = [counter] { return counter->rate; };
        break;
    }
    case PLOT_MEMORY: source = [] { return Memory::GetUsed() / 1024.0f; }; break;
    case PLOT_VIDEO_MEMORY: source = [] { return Memory::GetFree() / 1024.0f; }; break;
    default: source = [] { return static_cast<float>(s_counter); }; break;
    }
    m_plots[index] = new DebugPlot(source);
}

void DebugOverlay::ExecuteCommand(const NarrowString& line, RemoteConnection* connection)
{
    if (!connection) {
        m_history.push_back(line);
        m_historyIndex = -1;
    }
    auto is = [&](const char* shortForm, const char* longForm) {
        return line == shortForm || line == longForm;
    };
    if (is("1", "assets")) {
        CmdAssets(connection);
    } else if (is("2", "reglist")) {
        if (!g_registry)
            Print("Registry not available", connection);
        else
            WriteRegistryNode(*this, g_registry->GetRoot(), "root", 0, connection);
    } else if (is("3", "regcallbacks")) {
        CmdRegCallbacks(connection);
    } else if (StartsWith(line, "regset ")) {
        CmdRegSet(line.substr(7), connection);
    } else if (is("4", "logging")) {
        if (connection) {
            Print("VORN_MSG logging not available on remote connections", connection);
        } else {
            m_logging = !m_logging;
            Print(m_logging ? "Logging enabled" : "Logging disabled", connection);
        }
    } else if (is("5", "texts")) {
        if (!g_textDict) {
            Print("TextDict not available", connection);
        } else {
            for (const auto& entry : g_textDict->GetTexts())
                Print(entry.first + " -> " + NarrowString(entry.second), connection);
        }
    } else if (is("6", "plot")) {
        bool anyMissing = false;
        for (const auto& plot : m_plots)
            anyMissing = anyMissing || !plot;
        for (int i = 0; i < PLOT_COUNT; ++i)
            if (static_cast<bool>(m_plots[i]) != anyMissing)
                TogglePlot(i);
    } else if (is("61", "plot f")) {
        TogglePlot(PLOT_FPS);
    } else if (is("62", "plot m")) {
        TogglePlot(PLOT_MEMORY);
    } else if (is("63", "plot v")) {
        TogglePlot(PLOT_VIDEO_MEMORY);
    } else if (is("64", "plot b")) {
        TogglePlot(PLOT_COUNTER);
    } else if (is("7", "exit")) {
        if (AbstractApp::s_application)
            AbstractApp::s_application->Quit();
    } else if (is("8", "floppy")) {
        showActivity = !showActivity;
        g_vfsAccess.store(false);
    } else if (StartsWith(line, "9 ")) {
        CmdTimeSkew(line.c_str() + 2, connection);
    } else if (StartsWith(line, "timeskew ")) {
        CmdTimeSkew(line.c_str() + 9, connection);
    } else if (is("13", "pool")) {
        showPools = !showPools;
    } else if (is("", "help")) {
        for (const NarrowString& help : m_helpLines)
            Print(help, connection);
    } else {
        size_t blank = line.find(' ');
        NarrowString name = line.substr(0, blank);
        NarrowString argument = blank == NarrowString::npos ? NarrowString() : line.substr(blank + 1);
        auto found = m_commands.find(name);
        if (found != m_commands.end())
            found->second.handler(found->second.context, argument, connection);
        else
            Print("Unknown command", connection);
    }
}

void DebugOverlay::CmdAssets(RemoteConnection* connection)
{
    if (!g_assetDict) {
        Print("AssetDict not available", connection);
        return;
    }
    Print("Assets maintained by AssetDict:", connection);
    const AssetDict::AssetMap& cached = g_assetDict->GetCachedAssets();
    int held = 0;
    int total = 0;
    for (const auto& entry : g_assetDict->GetAssets()) {
        ++total;
        if (cached.count(entry.first)) {
            Print("C " + entry.first, connection);
            ++held;
        } else if (IsHeld(entry.second)) {
            Print("* " + entry.first, connection);
            ++held;
        } else {
            Print("  " + entry.first, connection);
        }
    }
    NarrowString summary("Held/total: ");
    summary.AppendInt(held);
    summary += "/";
    summary.AppendInt(total);
    Print(summary, connection);
}

void DebugOverlay::CmdRegCallbacks(RemoteConnection* connection)
{
    if (!g_registry) {
        Print("Registry not available", connection);
        return;
    }
    std::vector<Registry::Callback> callbacks = g_registry->GetCallbacks();
    // Grouped by path, paths in the order they first registered.
    std::vector<std::string> paths;
    for (const Registry::Callback& callback : callbacks)
        if (std::find(paths.begin(), paths.end(), callback.path) == paths.end())
            paths.push_back(callback.path);
    for (const std::string& path : paths) {
        Print(path, connection);
        for (const Registry::Callback& callback : callbacks)
            if (callback.path == path)
                Print("  " + callback.tag, connection);
    }
}

void DebugOverlay::CmdRegSet(const NarrowString& argument, RemoteConnection* connection)
{
    if (!g_registry) {
        Print("Registry not available", connection);
        return;
    }
    size_t blank = argument.find(' ');
    if (blank == NarrowString::npos) {
        Print("Bad params", connection);
        return;
    }
    NarrowString path = argument.substr(0, blank);
    NarrowString value = argument.substr(blank + 1);
    if (value.empty()) {
        Print("Empty value", connection);
        return;
    }
    Registry& registry = *g_registry;
    if (!registry.FindKey(path.c_str(), true)) {
        Print("Bad registry path", connection);
        return;
    }
    bool set;
    const char first = value.front();
    const char last = value.back();
    if (value == "true" || value == "false") {
        set = registry.SetBool(path.c_str(), value == "true");
    } else if (value.size() >= 2 && first == last && (first == '\'' || first == '"')) {
        set = registry.SetString(path.c_str(), value.substr(1, value.size() - 2).c_str());
    } else {
        double number = StrToDouble(value.c_str(), nullptr);
        // A whole number that fits an int key is one; anything else is kept as a float.
        if (number == std::floor(number) && number >= -2147483648.0 && number <= 2147483647.0)
            set = registry.SetInt(path.c_str(), static_cast<s32>(number));
        else
            set = registry.SetFloat(path.c_str(), static_cast<float>(number));
    }
    if (!set)
        Print("Setting registry value failed", connection);
}

void DebugOverlay::CmdTimeSkew(const char* number, RemoteConnection* connection)
{
    // A skew of 0 or below stops or reverses time, a huge one makes frames run away; text that
    // is no number reads as 0 and so gets the smallest skew.
    double value = std::atof(number);
    if (!(value >= MIN_TIME_SKEW))
        value = MIN_TIME_SKEW;
    if (value > MAX_TIME_SKEW)
        value = MAX_TIME_SKEW;
    g_timeSkew.store(static_cast<float>(value));
    NarrowString reply("Time skew: ");
    reply.AppendFloat(static_cast<float>(value));
    Print(reply, connection);
}

// ---- input ------------------------------------------------------------------------------------

void DebugOverlay::ClampScroll()
{
    int lines = static_cast<int>(m_consoleLines.size());
    int limit = m_rows > 0 ? std::max(0, lines - m_rows) : std::max(0, lines - 1);
    m_verticalScroll = std::min(std::max(m_verticalScroll, 0), limit);
}

void DebugOverlay::ScrollBack(int lines)
{
    m_verticalScroll += lines;
    ClampScroll();
}

void DebugOverlay::OnKeyDown(int key)
{
    char c = 0;
    if (key >= 13 && key <= 22)
        c = m_shift ? DIGITS_SHIFTED[key - 13] : static_cast<char>('0' + key - 13);
    else if (key >= 40 && key <= 65)
        c = static_cast<char>((m_shift ? 'A' : 'a') + key - 40);
    else if (key == 27)
        c = ' ';
    else if (key >= 31 && key <= 39)
        c = m_shift ? PUNCTUATION_SHIFTED[key - 31] : PUNCTUATION[key - 31];
    if (c) {
        m_inputLine.push_back(c);
        return;
    }
    const int newest = static_cast<int>(m_history.size()) - 1;
    switch (key) {
    case KEY_BACKSPACE:
        if (!m_inputLine.empty())
            m_inputLine.pop_back();
        break;
    case KEY_ENTER: {
        NarrowString line = m_inputLine;
        Print("> " + line, nullptr);
        m_inputLine.clear();
        ExecuteCommand(line, nullptr);
        break;
    }
    case KEY_UP:
        if (newest < 0)
            break;
        m_historyIndex = m_historyIndex < 0 ? newest : std::max(0, m_historyIndex - 1);
        m_inputLine = m_history[m_historyIndex];
        break;
    case KEY_DOWN:
        if (m_historyIndex < 0)
            break;
        m_historyIndex = std::min(newest, m_historyIndex + 1);
        m_inputLine = m_history[m_historyIndex];
        break;
    case KEY_LEFT:
        m_horizontalScroll = std::max(0, m_horizontalScroll - HSCROLL_STEP);
        break;
    case KEY_RIGHT:
        m_horizontalScroll += HSCROLL_STEP;
        break;
    case KEY_PAGE_DOWN:
        ScrollBack(-SCROLL_PAGE);
        break;
    case KEY_PAGE_UP:
        ScrollBack(SCROLL_PAGE);
        break;
    case KEY_SHIFT:
        m_shift = true;
        break;
    default:
        break;
    }
}

void DebugOverlay::OnKeyUp(int key)
{
    if (key == KEY_SHIFT)
        m_shift = false;
}

void DebugOverlay::OnTouchDown(int, int y, int id)
{
    if (id == TOUCH_PAGE_BACK) {
        ScrollBack(SCROLL_PAGE);
    } else if (id == TOUCH_PAGE_FORWARD) {
        ScrollBack(-SCROLL_PAGE);
    } else if (id == TOUCH_DRAG) {
        m_dragAnchor = m_dragPrevious = m_dragCurrent = y;
        m_dragging = true;
        m_flickSpeed = 0.0f;
    }
}

void DebugOverlay::OnTouchMove(int, int y, int id)
{
    if (id != TOUCH_DRAG || !m_dragging)
        return;
    m_dragPrevious = m_dragCurrent;
    m_dragCurrent = y;
}

void DebugOverlay::OnTouchUp(int, int, int id)
{
    if (id != TOUCH_DRAG || !m_dragging)
        return;
    m_flickSpeed = static_cast<float>(m_dragCurrent - m_dragPrevious);
    m_flickTime = 0.0f;
    m_flickOffset = 0.0f;
    m_dragging = false;
}

// ---- update -----------------------------------------------------------------------------------

void DebugOverlay::UpdateScrolling(float seconds)
{
    if (m_dragging) {
        // Dragging down (toward larger y) scrolls back, a line per 7 pixels.
        while (m_dragCurrent - m_dragAnchor >= DRAG_LINE_PIXELS) {
            ScrollBack(1);
            m_dragAnchor += DRAG_LINE_PIXELS;
        }
        while (m_dragAnchor - m_dragCurrent >= DRAG_LINE_PIXELS) {
            ScrollBack(-1);
            m_dragAnchor -= DRAG_LINE_PIXELS;
        }
        return;
    }
    if (std::fabs(m_flickSpeed) <= 0.1f)
        return;
    m_flickTime += seconds;
    while (m_flickTime >= 0.1f && std::fabs(m_flickSpeed) > 0.1f) {
        m_flickTime -= 0.1f;
        m_flickOffset += m_flickSpeed;
        m_flickSpeed *= 0.8f;
    }
    while (m_flickOffset >= 2.0f) {
        m_flickOffset -= 2.0f;
        ScrollBack(1);
    }
    while (m_flickOffset <= -2.0f) {
        m_flickOffset += 2.0f;
        ScrollBack(-1);
        if (m_verticalScroll == 0) {
            m_flickSpeed = 0.0f;
            m_flickOffset = 0.0f;
        }
    }
}

void DebugOverlay::Update(float seconds)
{
    m_blink += seconds;
    if (m_blink > 0.5f)
        m_blink = -0.5f;
    if (s_consoleEnabled)
        UpdateScrolling(seconds);
    if (showFps || m_plots[PLOT_FPS])
        m_fpsCounter->Update(seconds);
    for (auto& plot : m_plots)
        if (plot)
            plot->Update(seconds);
    UpdateRemote();
}

// ---- drawing ----------------------------------------------------------------------------------

void DebugOverlay::DrawText(Surface* target, int x, int y, const NarrowString& text)
{
    if (!target || !m_font)
        return;
    bool tinted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == ESCAPE) {
            if (i + 3 >= text.size())
                break;   // a cut-off escape ends the text
            m_tint->SetColor(static_cast<unsigned char>(text[i + 1]) / 255.0f,
                             static_cast<unsigned char>(text[i + 2]) / 255.0f,
                             static_cast<unsigned char>(text[i + 3]) / 255.0f);
            tinted = true;
            i += 3;
            continue;
        }
        if (c == '\t') {
            x += 16;
            continue;
        }
        if (c < FIRST_CODE || c > LAST_CODE)
            c = UNKNOWN_GLYPH;
        int cell = c - FIRST_CODE;
        Rect glyph = {(cell % GLYPHS_PER_ROW) * GLYPH_WIDTH, (cell / GLYPHS_PER_ROW) * GLYPH_HEIGHT,
                      GLYPH_WIDTH, GLYPH_HEIGHT};
        if (tinted)
            m_tint->Render(m_font.Get(), target, x, y, glyph);
        else
            target->Blit(static_cast<float>(x), static_cast<float>(y), m_font.Get(), glyph);
        x += GLYPH_WIDTH;
    }
}

void DebugOverlay::Render(Surface* screen)
{
    if (!screen)
        return;
    const int width = screen->GetWidth();
    const int height = screen->GetHeight();
    if (g_debugOverlayException)
        RenderException(screen, width);
    else if (s_consoleEnabled)
        RenderConsole(screen, width, height);
    else
        RenderReadouts(screen, width, height);
}

void DebugOverlay::RenderException(Surface* target, int width)
{
    const int n = std::max<int>(15, static_cast<int>(g_debugOverlayExceptionText.size()));
    const int x = (width - (n + 4) * GLYPH_WIDTH) / 2;
    const NarrowString red = Escape(0xF7, 0x20, 0x01);
    const NarrowString edge(static_cast<size_t>(n + 2), static_cast<char>(EDGE_H));
    DrawText(target, x, 100, red + static_cast<char>(CORNER_TL) + edge + static_cast<char>(CORNER_TR));
    DrawText(target, x, 148, red + static_cast<char>(CORNER_BL) + edge + static_cast<char>(CORNER_BR));
    for (int row = 0; row < 5; ++row) {
        NarrowString side = static_cast<char>(EDGE_V) + NarrowString(static_cast<size_t>(n + 2), ' ') +
                            static_cast<char>(EDGE_V);
        const int y = 108 + row * 8;
        if (y == 116 && m_blink > 0.0f)
            side.replace(static_cast<size_t>((n - 11) / 2), 15, "GURU MEDITATION");
        if (y == 132)
            side.replace(2, g_debugOverlayExceptionText.size(), g_debugOverlayExceptionText);
        DrawText(target, x, y, red + side);
    }
}

void DebugOverlay::RenderConsole(Surface* target, int width, int height)
{
    target->FillRect(0, 0, static_cast<float>(width), static_cast<float>(height), BLACK_SHADE);
    m_rows = std::max(1, height / GLYPH_HEIGHT - 3);
    ClampScroll();
    const int lines = static_cast<int>(m_consoleLines.size());
    if (m_font)
        m_font->SetFlags(m_font->GetFlags() | Surface::FLAG_COLORKEY);
    int first = 0;
    int last = -1;
    if (lines > 0) {
        last = lines - 1 - m_verticalScroll;
        first = std::max(0, last - m_rows + 1);
        for (int i = first; i <= last; ++i) {
            const int row = m_rows - 1 - (last - i);
            const NarrowString& line = m_consoleLines[i];
            NarrowString shown = line;
            if (m_horizontalScroll > 0) {
                shown = NarrowString(1, static_cast<char>(ARROW_LEFT));
                if (static_cast<size_t>(m_horizontalScroll) < line.size())
                    shown += line.substr(static_cast<size_t>(m_horizontalScroll));
            }
            DrawText(target, 0, (row + 1) * GLYPH_HEIGHT, shown);
        }
        const NarrowString up(3, static_cast<char>(ARROW_UP));
        const NarrowString down(3, static_cast<char>(ARROW_DOWN));
        if (first > 0)
            DrawText(target, 0, 0, " " + up);
        if (m_verticalScroll > 0)
            DrawText(target, 0, height - 16, " " + down);
        target->DrawRect(width - 6.0f, 2.0f, width - 2.0f, height - 2.0f, GREY);
        const float k = (height - 6.0f) / lines;
        target->FillRect(width - 5.0f, first * k + 4.0f, width - 3.0f, last * k + 4.0f + 1.0f, GREY);
    }
    DrawText(target, 0, height - GLYPH_HEIGHT, "> " + m_inputLine);
    if (m_blink >= 0.0f) {
        const float length = static_cast<float>(m_inputLine.size());
        target->DrawHLine(6 * length + 12, 6 * length + 18, height - 1.0f, WHITE);
    }
    if (m_font)
        m_font->SetFlags(m_font->GetFlags() & ~Surface::FLAG_COLORKEY);
}

void DebugOverlay::RenderReadouts(Surface* target, int width, int height)
{
    int nextX = 0;
    if (showFps) {
        NarrowString text("FPS: ");
        text.AppendInt(static_cast<int>(m_fpsCounter->rate));
        DrawText(target, 0, 0, text);
        nextX = 70;
    }
    if (showMemory) {
        NarrowString text("MEM: ");
        text.AppendInt(Memory::GetUsed() / 1024);
        text += "KB";
        DrawText(target, nextX, 0, text);
        nextX = showFps ? 175 : 105;
    }
    if (showVideoMemory) {
        NarrowString text("VRAM: ");
        text.AppendInt(Memory::GetFree() / 1024);
        text += "KB";
        DrawText(target, nextX, 0, text);
    }
    if (showActivity) {
        if (g_vfsAccess.exchange(false) && m_diskIcon)
            target->Blit(width - 32.0f, height - 32.0f, m_diskIcon.Get(), Rect{0, 0, 32, 32});
        if (g_netAccess.exchange(false) && m_networkIcon)
            target->Blit(width - 64.0f, height - 32.0f, m_networkIcon.Get(), Rect{0, 0, 32, 32});
    }
    int plotCount = 0;
    for (const auto& plot : m_plots)
        plotCount += plot ? 1 : 0;
    if (plotCount > 0) {
        target->FillRect(0, height - 100.0f, static_cast<float>(width), static_cast<float>(height),
                         BLACK_BAND);
        const int step = width / plotCount;
        int x = 10;
        for (const auto& plot : m_plots) {
            if (!plot)
                continue;
            plot->Render(target, x, height - 90, step - 20, 80);
            x += step;
        }
    }
    if (showPools) {
        AllocPool* pools = AllocPool::s_instance.load(std::memory_order_acquire);
        int y = 32;
        for (AllocPool::Pool* pool = pools ? pools->GetFirstPool() : nullptr; pool;
             pool = pool->next.load(std::memory_order_acquire), y += 8) {
            char size[16];
            std::snprintf(size, sizeof(size), "%5i", static_cast<int>(pool->blockSize));
            DrawText(target, 0, y, size);
            target->FillRect(41, y, 147, y + 8.0f, BLACK_BAND);
            target->DrawRect(42.5f, y + 0.5f, 146.5f, y + 7.5f, WHITE);
            if (pool->count > 0) {
                float length = pool->GetUsedCount() * 100.0f / pool->count;
                target->FillRect(44, y + 2.0f, 44 + length, y + 6.0f, RED);
            }
        }
    }
}

// ---- remote console ---------------------------------------------------------------------------

bool DebugOverlay::OpenRemotePort(u16 port)
{
    if (!m_networkStarted) {
        Network::Init();
        m_networkStarted = true;
    }
    Network* network = Network::GetInstance();
    SmartPtr<ListenSocket> listener(network ? network->CreateListenSocket() : nullptr);
    if (!listener)
        return false;
    listener->Listen(Network::LOOPBACK, port);
    if (!listener->IsListening())
        return false;
    m_listenSocket = listener;
    return true;
}

u16 DebugOverlay::GetRemotePort() const
{
    return m_listenSocket ? m_listenSocket->GetPort() : 0;
}

u32 DebugOverlay::GetRemoteAddress() const
{
    return m_listenSocket ? m_listenSocket->GetAddress() : 0;
}

void* DebugOverlay::RemoteConnectionEntry(void* connection)
{
    auto* record = static_cast<RemoteConnection*>(connection);
    record->overlay->RemoteLoop(record);
    return nullptr;
}

void DebugOverlay::RemoteLoop(RemoteConnection* connection)
{
    SmartPtr<StreamSocket> socket;
    NarrowString reply;
    {
        std::lock_guard<std::mutex> lock(connection->mutex);
        socket = connection->socket;
        reply.swap(connection->reply);
    }
    socket->WriteString(reply);
    for (;;) {
        NarrowString line;
        // Bytes one at a time up to the line feed; a client that sends no line feed is cut off
        // rather than kept growing the line.
        char c;
        bool complete = false;
        while (line.size() <= MAX_REMOTE_LINE && socket->Read(&c, 1) == 1) {
            if (c == '\n') {
                complete = true;
                break;
            }
            if (c != '\r')
                line.push_back(c);
        }
        if (!complete)
            break;
        {
            std::unique_lock<std::mutex> lock(connection->mutex);
            if (connection->closing)
                break;
            connection->waiting = true;
            {
                std::lock_guard<std::mutex> queueLock(m_queueMutex);
                m_queue.push_back(QueuedCommand{connection, line});
            }
            connection->answered.wait(lock, [&] { return !connection->waiting || connection->closing; });
            if (connection->closing)
                break;
            reply.clear();
            reply.swap(connection->reply);
        }
        if (!reply.empty() && !socket->WriteString(reply))
            break;
    }
    std::lock_guard<std::mutex> lock(connection->mutex);
    connection->socket = nullptr;
    socket = nullptr;
    connection->finished.store(true, std::memory_order_release);
}

void DebugOverlay::UpdateRemote()
{
    if (m_listenSocket) {
        // At most one client a frame.
        if (StreamSocket* accepted = m_listenSocket->Accept()) {
            std::unique_ptr<RemoteConnection> connection(new RemoteConnection);
            connection->overlay = this;
            connection->socket = accepted;
            // A client that stops reading must not hold its thread, or the shutdown, for ever.
            accepted->SetSendTimeout(SEND_TIMEOUT_MS);
            Print(Version::String, connection.get());
            const NarrowString name = &g_applicationName ? g_applicationName : NarrowString();
            Print(name + " remote debug connection", connection.get());
            if (connection->thread.Start(&RemoteConnectionEntry, connection.get(), CONNECTION_STACK_SIZE))
                m_connections.push_back(std::move(connection));
        }
    }

    std::deque<QueuedCommand> queue;
    {
        std::lock_guard<std::mutex> lock(m_queueMutex);
        queue.swap(m_queue);
    }
    for (QueuedCommand& command : queue) {
        ExecuteCommand(command.line, command.connection);
        {
            std::lock_guard<std::mutex> lock(command.connection->mutex);
            command.connection->waiting = false;
        }
        command.connection->answered.notify_all();
    }

    for (auto it = m_connections.begin(); it != m_connections.end();) {
        if ((*it)->finished.load(std::memory_order_acquire)) {
            (*it)->thread.Join();
            it = m_connections.erase(it);
        } else {
            ++it;
        }
    }
}

} // namespace Vorn
