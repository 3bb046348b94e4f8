#include "application/DebugOverlay.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include <cerrno>
#include <cstdio>

#include "Version.h"
#include "application/AbstractApp.h"
#include "application/DebugOverlayImages.h"
#include "application/DebugPlot.h"
#include "application/FpsCounter.h"
#include "application/KeyCodes.h"
#include "application/RemoteConsole.h"
#include "graphics/postprocess/Tint.h"
#include "graphics/surface/Surface.h"
#include "network/Network.h"
#include "system/AllocPool.h"
#include "system/Memory.h"
#include "vfs/File.h"

namespace Vorn {

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

const int SCROLL_PAGE = 20;
const int HSCROLL_STEP = 10;
const int DRAG_LINE_PIXELS = 7;

// Characters of the digit keys and of the keys QUOTE to RIGHT_BRACKET, plain and shifted.
const char DIGITS_SHIFTED[] = {0x29, 0x21, 0x40, 0x23, 0x24, 0x25, 0x5E, 0x26, 0x2A, 0x28};
const char PUNCTUATION[] = {0x27, 0x2F, 0x2E, 0x3D, 0x3B, 0x2C, 0x2D, 0x5B, 0x5D};
const char PUNCTUATION_SHIFTED[] = {0x22, 0x3F, 0x3E, 0x2B, 0x3A, 0x3C, 0x5F, 0x7B, 0x7D};

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
    RegisterBuiltins();
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
    // Clients are told and their threads joined before anything they might print to goes.
    m_remote.reset();
}

NarrowString DebugOverlay::ColorEscape(int r, int g, int b)
{
    NarrowString text(1, ESCAPE);
    text.push_back(static_cast<char>(r));
    text.push_back(static_cast<char>(g));
    text.push_back(static_cast<char>(b));
    return text;
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
            connection->Queue(line);
        } else {
            AppendLine(line);
        }
        if (end == NarrowString::npos)
            break;
        start = end + 1;
    }
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
    if (key >= Key::DIGIT_0 && key <= Key::DIGIT_9)
        c = m_shift ? DIGITS_SHIFTED[key - Key::DIGIT_0] : static_cast<char>('0' + key - Key::DIGIT_0);
    else if (key >= Key::LETTER_A && key <= Key::LETTER_Z)
        c = static_cast<char>((m_shift ? 'A' : 'a') + key - Key::LETTER_A);
    else if (key == Key::SPACE)
        c = ' ';
    else if (key >= Key::QUOTE && key <= Key::RIGHT_BRACKET)
        c = m_shift ? PUNCTUATION_SHIFTED[key - Key::QUOTE] : PUNCTUATION[key - Key::QUOTE];
    if (c) {
        m_inputLine.push_back(c);
        return;
    }
    const int newest = static_cast<int>(m_history.size()) - 1;
    switch (key) {
    case Key::BACKSPACE:
        if (!m_inputLine.empty())
            m_inputLine.pop_back();
        break;
    case Key::ENTER: {
        NarrowString line = m_inputLine;
        Print("> " + line, nullptr);
        m_inputLine.clear();
        ExecuteCommand(line, nullptr);
        break;
    }
    case Key::UP:
        if (newest < 0)
            break;
        m_historyIndex = m_historyIndex < 0 ? newest : std::max(0, m_historyIndex - 1);
        m_inputLine = m_history[m_historyIndex];
        break;
    case Key::DOWN:
        if (m_historyIndex < 0)
            break;
        m_historyIndex = std::min(newest, m_historyIndex + 1);
        m_inputLine = m_history[m_historyIndex];
        break;
    case Key::LEFT:
        m_horizontalScroll = std::max(0, m_horizontalScroll - HSCROLL_STEP);
        break;
    case Key::RIGHT:
        m_horizontalScroll += HSCROLL_STEP;
        break;
    case Key::PAGE_DOWN:
        ScrollBack(-SCROLL_PAGE);
        break;
    case Key::PAGE_UP:
        ScrollBack(SCROLL_PAGE);
        break;
    case Key::SHIFT:
        m_shift = true;
        break;
    default:
        break;
    }
}

void DebugOverlay::OnKeyUp(int key)
{
    if (key == Key::SHIFT)
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
    if (m_remote)
        m_remote->Update();
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
    const NarrowString red = ColorEscape(0xF7, 0x20, 0x01);
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
    if (showPools)
        RenderPools(target);
}

void DebugOverlay::RenderPools(Surface* target)
{
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

// ---- remote console ---------------------------------------------------------------------------

bool DebugOverlay::OpenRemotePort(u16 port, int idleMs)
{
    if (!m_remote)
        m_remote.reset(new RemoteConsole(*this));
    if (m_remote->Open(Network::LOOPBACK, port, idleMs))
        return true;
    const int error = m_remote->GetError();
    std::fprintf(stderr, "%s: cannot serve the remote console on 127.0.0.1:%u: %s; going on without it\n",
                 program_invocation_short_name, static_cast<unsigned>(port),
                 error == EADDRINUSE ? "the port is taken by another program" : std::strerror(error));
    return false;
}

u16 DebugOverlay::GetRemotePort() const
{
    return m_remote ? m_remote->GetPort() : 0;
}

u32 DebugOverlay::GetRemoteAddress() const
{
    return m_remote ? m_remote->GetAddress() : 0;
}

size_t DebugOverlay::GetRemoteConnectionCount() const
{
    return m_remote ? m_remote->GetConnectionCount() : 0;
}

} // namespace Vorn
