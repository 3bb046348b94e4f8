// A scrolling graph of the debug overlay: samples a value source ten times a second over a
// ten-second window, keeps a running average and a minimum and maximum that ease toward their
// targets, and draws itself with axes and labels into a rectangle.
#pragma once

#include <functional>
#include <vector>

#include "base/RefCounter.h"

namespace Vorn {

class Surface;

class DebugPlot : public RefCounter {
public:
    typedef std::function<float()> Source;

    // A value that moves toward its target by factor of the distance every step seconds.
    struct EasedValue {
        EasedValue(float target, float shown, float factor)
            : target(target), shown(shown), factor(factor), step(0.033f), time(0.0f)
        {
        }
        void Update(float seconds);

        float target;
        float shown;
        float factor;
        float step;
        float time;
    };

    explicit DebugPlot(Source source);

    void Update(float seconds);
    // Draws into the rectangle (x, y, w, h) of target.
    void Render(Surface* target, int x, int y, int w, int h);

    // Samples kept: window / period.
    int GetCapacity() const { return static_cast<int>(m_window / m_period + 0.5f); }
    const std::vector<float>& GetSamples() const { return m_samples; }
    float GetAverage() const { return m_average; }
    const EasedValue& GetMinimum() const { return m_minimum; }
    const EasedValue& GetMaximum() const { return m_maximum; }

private:
    float m_clock;
    float m_period;
    float m_window;
    Source m_source;
    std::vector<float> m_samples;
    EasedValue m_minimum;
    EasedValue m_maximum;
    float m_average;
};

} // namespace Vorn
