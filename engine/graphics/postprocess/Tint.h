// Draws a source rectangle with its colours multiplied by a tint, which may be over-bright (a
// component above 1 brightens). A tint within 0..1 needs only the vertex colour of the built-in
// programs; a brighter one uses the Tint shader program.
#pragma once

#include "base/SmartPtr.h"
#include "graphics/postprocess/PostProcess.h"

namespace Vorn {

class OpenGLShader;

class Tint final : public PostProcess {
public:
    // Neutral tint (1, 1, 1).
    Tint();
    ~Tint() override;

    // Each component x 255, truncated.
    void SetColor(float r, float g, float b);
    void Render(Surface* source, Surface* target, int x, int y, const Rect& rect) override;

    int GetRed() const { return m_r; }
    int GetGreen() const { return m_g; }
    int GetBlue() const { return m_b; }

private:
    int m_r;
    int m_g;
    int m_b;
    SmartPtr<OpenGLShader> m_program;
};

} // namespace Vorn
