#include "application/DebugPlot.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "application/DebugOverlay.h"
#include "graphics/surface/Surface.h"

namespace Vorn {

namespace {

const Color WHITE = {0xFF, 0xFF, 0xFF, 0xFF};
const Color AXIS = {0xA0, 0xA0, 0xA0, 0xFF};
const Color AVERAGE = {0x40, 0xFF, 0x40, 0xFF};
const Color BLUE = {0x40, 0x40, 0xFF, 0xFF};
const Color RED = {0xFF, 0x40, 0x40, 0xFF};

NarrowString Number(int value)
{
    NarrowString text;
    text.AppendInt(value);
    return text;
}

} // namespace

void DebugPlot::EasedValue::Update(float seconds)
{
    time += seconds;
    while (time >= step && shown != target) {
        time -= step;
        float next = shown + (target - shown) * factor;
        // Halving toward the target ends on it: below the float's resolution it would not move.
        shown = next == shown ? target : next;
    }
    if (shown == target)
        time = 0.0f;
}

DebugPlot::DebugPlot(Source source)
    : m_clock(0.0f),
      m_period(0.1f),
      m_window(10.0f),
      m_source(std::move(source)),
      m_minimum(FLT_MAX, FLT_MAX, 0.5f),
      m_maximum(-FLT_MAX, -FLT_MAX, 0.5f),
      m_average(0.0f)
{
}

void DebugPlot::Update(float seconds)
{
    m_minimum.Update(seconds);
    m_maximum.Update(seconds);
    m_clock += seconds;
    if (m_clock < m_period)
        return;
    m_clock = 0.0f;

    float value = m_source ? m_source() : 0.0f;
    m_samples.push_back(value);
    if (m_minimum.shown == FLT_MAX)
        m_minimum.shown = m_minimum.target = value;
    else
        m_minimum.target = std::min(m_minimum.shown, value);
    if (m_maximum.shown == -FLT_MAX)
        m_maximum.shown = m_maximum.target = value;
    else
        m_maximum.target = std::max(m_maximum.shown, value);

    const size_t capacity = static_cast<size_t>(GetCapacity());
    const size_t n = m_samples.size();
    if (n > capacity)
        m_average = (value + capacity * m_average - m_samples[n - 1 - capacity]) / capacity;
    else
        m_average = (value + (n - 1) * m_average) / n;

    if (n > capacity) {
        m_samples.erase(m_samples.begin(), m_samples.begin() + (n - capacity));
        float range = m_maximum.shown - m_minimum.shown;
        if (m_average <= m_minimum.shown + 0.3f * range || m_average > m_maximum.shown - 0.3f * range) {
            auto extremes = std::minmax_element(m_samples.begin(), m_samples.end());
            m_minimum.target = *extremes.first;
            m_maximum.target = *extremes.second;
        }
        double sum = 0.0;
        for (float sample : m_samples)
            sum += sample;
        m_average = static_cast<float>(sum / m_samples.size());
    }
}

void DebugPlot::Render(Surface* target, int x, int y, int w, int h)
{
    if (!target)
        return;
    const float bottom = static_cast<float>(y + h);
    target->DrawVLine(x + w - 5.0f, bottom - 5.0f, y + 5.0f, AXIS);
    target->DrawHLine(x + 5.0f, x + w - 5.0f, bottom - 5.0f, WHITE);
    // Reference marks at the left edge: blue for the bottom of the range, red for its top.
    target->DrawHLine(x + 5.0f, x + 10.0f, bottom - 10.0f, BLUE);
    target->DrawHLine(x + 5.0f, x + 10.0f, y + 10.0f, RED);

    const float left = x + 10.0f;
    const float right = x + w - 10.0f;
    const float minimum = m_minimum.shown;
    const float range = m_maximum.shown - minimum;
    const float scale = range > 0.0f ? (h - 20) / range : 0.0f;
    auto height = [&](float value) {
        // The eased range may lag a new sample: keep the line inside the area.
        float offset = std::min(std::max((value - minimum) * scale, 0.0f), h - 20.0f);
        return bottom - 10.0f - offset;
    };

    DebugOverlay* overlay = g_debugOverlay.Get();
    if (m_samples.size() >= 2) {
        const float averageY = height(m_average);
        target->DrawHLine(left, right, averageY, AVERAGE);
        const float spacing = (w - 20) * m_period / m_window;
        float px = right;
        float py = height(m_samples.back());
        for (size_t i = m_samples.size() - 1; i > 0; --i) {
            float nx = px - spacing;
            if (nx < left)
                break;
            float ny = height(m_samples[i - 1]);
            target->DrawLine(px, py, nx, ny, WHITE);
            px = nx;
            py = ny;
        }
        if (overlay)
            overlay->DrawText(target, x + 12, static_cast<int>(averageY) - 3 - 8,
                              Number(static_cast<int>(m_average + 0.5f)));
    }
    if (!overlay || m_samples.empty())
        return;
    overlay->DrawText(target, x + 12, static_cast<int>(bottom) - 13,
                      Number(static_cast<int>(std::floor(minimum))));
    overlay->DrawText(target, x + 12, y + 7, Number(static_cast<int>(std::ceil(m_maximum.shown))));
    overlay->DrawText(target, x + 3 + (w - 20) / 2, static_cast<int>(bottom) - 8,
                      Number(static_cast<int>(m_window / 2)));
    overlay->DrawText(target, x + w - 8, static_cast<int>(bottom) - 8, Number(0));
}

} // namespace Vorn
