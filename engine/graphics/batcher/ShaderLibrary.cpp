#include "graphics/batcher/ShaderLibrary.h"

// Positions are pixels of targets up to thousands wide, so the vertex stage computes them in
// highp (always available to vertex shaders): mediump would lose the half-pixel offsets of lines
// and outlines beyond 1024 pixels on hardware that honours it.

namespace Vorn {
namespace ShaderLibrary {

const char* const PositionMacro[4] = {
    "#define GLPOSITION gl_Position = vec4( inPos.x * screen[0] - 1.0, inPos.y * screen[1] - screen[2], 0.0, 1.0 );\n",
    "#define GLPOSITION gl_Position = vec4( -inPos.y * screen[0] + 1.0, inPos.x * screen[1] - screen[2], 0.0, 1.0 );\n",
    "#define GLPOSITION gl_Position = vec4( -inPos.x * screen[0] + 1.0, -inPos.y * screen[1] + screen[2], 0.0, 1.0 );\n",
    "#define GLPOSITION gl_Position = vec4( inPos.y * screen[0] - 1.0, -inPos.x * screen[1] + screen[2], 0.0, 1.0 );\n",
};

namespace {

const char TEXTURING_VERTEX[] =
    "uniform highp vec3 screen;\n"
    "attribute highp vec2 inPos;\n"
    "attribute mediump vec2 inUV;\n"
    "attribute lowp vec4 inColor;\n"
    "varying mediump vec2 vTex;\n"
    "varying lowp vec4 vColor;\n"
    "void main()\n"
    "{\n"
    "    vTex = inUV;\n"
    "    vColor = inColor;\n"
    "    GLPOSITION;\n"
    "}\n";

const char UV_VERTEX[] =
    "uniform highp vec3 screen;\n"
    "attribute highp vec2 inPos;\n"
    "attribute mediump vec2 inUV;\n"
    "varying mediump vec2 vTex;\n"
    "void main()\n"
    "{\n"
    "    vTex = inUV;\n"
    "    GLPOSITION;\n"
    "}\n";

}  // namespace

const char* const ColorKeyVertex = TEXTURING_VERTEX;
const char* const TexturingCommonVertex = TEXTURING_VERTEX;
const char* const DebugVertex = UV_VERTEX;
const char* const TintVertex = UV_VERTEX;

const char* const SolidVertex =
    "uniform highp vec3 screen;\n"
    "attribute highp vec2 inPos;\n"
    "attribute lowp vec4 inColor;\n"
    "varying lowp vec4 vColor;\n"
    "void main()\n"
    "{\n"
    "    vColor = inColor;\n"
    "    GLPOSITION;\n"
    "}\n";

// The two blur passes differ only in the axis of their five taps: TAP(k) is the offset of k
// texels along it.
#define VORN_BLUR_VERTEX(TAP)                              \
    "uniform highp vec3 screen;\n"                         \
    "uniform mediump float offset;\n"                      \
    "attribute highp vec2 inPos;\n"                        \
    "attribute mediump vec2 inUV;\n"                       \
    "varying mediump vec2 vTex1;\n"                        \
    "varying mediump vec2 vTex2;\n"                        \
    "varying mediump vec2 vTex3;\n"                        \
    "varying mediump vec2 vTex4;\n"                        \
    "varying mediump vec2 vTex5;\n"                        \
    "void main()\n"                                        \
    "{\n"                                                  \
    "    vTex1 = inUV + " TAP("-2.0 * offset") ";\n"       \
    "    vTex2 = inUV + " TAP("-offset") ";\n"             \
    "    vTex3 = inUV;\n"                                  \
    "    vTex4 = inUV + " TAP("offset") ";\n"              \
    "    vTex5 = inUV + " TAP("2.0 * offset") ";\n"        \
    "    GLPOSITION;\n"                                    \
    "}\n"
#define VORN_BLUR_ALONG_X(k) "vec2(" k ", 0.0)"
#define VORN_BLUR_ALONG_Y(k) "vec2(0.0, " k ")"

const char* const BlurHorizontalVertex = VORN_BLUR_VERTEX(VORN_BLUR_ALONG_X);
const char* const BlurVerticalVertex = VORN_BLUR_VERTEX(VORN_BLUR_ALONG_Y);

#undef VORN_BLUR_ALONG_Y
#undef VORN_BLUR_ALONG_X
#undef VORN_BLUR_VERTEX

// The key is compared within half a step of 8 bits: the key uniform (byte / 255 on the CPU) and
// the texel (the GPU's own conversion of the byte) need not be the same float to the last bit.
const char* const ColorKeyFragment =
    "precision mediump float;\n"
    "uniform sampler2D tex;\n"
    "uniform lowp vec3 key;\n"
    "varying mediump vec2 vTex;\n"
    "varying lowp vec4 vColor;\n"
    "void main()\n"
    "{\n"
    "    lowp vec4 t = texture2D(tex, vTex);\n"
    "    if (all(lessThan(abs(t.rgb - key), vec3(0.5 / 255.0))))\n"
    "        discard;\n"
    "    gl_FragColor = t * vColor;\n"
    "}\n";

// The plain textured fragment stages: one texture, the vertex colour, and what they make of them.
#define VORN_TEXTURED_FRAGMENT(COLOUR)                     \
    "precision mediump float;\n"                           \
    "uniform sampler2D tex;\n"                             \
    "varying mediump vec2 vTex;\n"                         \
    "varying lowp vec4 vColor;\n"                          \
    "void main()\n"                                        \
    "{\n"                                                  \
    "    gl_FragColor = " COLOUR ";\n"                     \
    "}\n"

const char* const TexturingFragment = VORN_TEXTURED_FRAGMENT("texture2D(tex, vTex) * vColor");

// tex holds 1 - alpha in its red channel, tex2 the colour.
const char* const CompositeTexturingFragment =
    "precision mediump float;\n"
    "uniform sampler2D tex;\n"
    "uniform sampler2D tex2;\n"
    "varying mediump vec2 vTex;\n"
    "varying lowp vec4 vColor;\n"
    "void main()\n"
    "{\n"
    "    lowp vec3 rgb = texture2D(tex2, vTex).rgb;\n"
    "    lowp float alpha = 1.0 - texture2D(tex, vTex).r;\n"
    "    gl_FragColor = vec4(rgb, alpha) * vColor;\n"
    "}\n";

const char* const AlphaTexturingFragment =
    VORN_TEXTURED_FRAGMENT("vColor * vec4(1.0, 1.0, 1.0, texture2D(tex, vTex).a)");

#undef VORN_TEXTURED_FRAGMENT

const char* const SolidFragment =
    "precision mediump float;\n"
    "varying lowp vec4 vColor;\n"
    "void main()\n"
    "{\n"
    "    gl_FragColor = vColor;\n"
    "}\n";

const char* const DebugFragment =
    "precision mediump float;\n"
    "uniform sampler2D tex;\n"
    "uniform lowp vec3 vColor;\n"
    "varying mediump vec2 vTex;\n"
    "void main()\n"
    "{\n"
    "    gl_FragColor = vec4(0.9 * vColor, 1.0) + 0.1 * texture2D(tex, vTex);\n"
    "}\n";

const char* const TintFragment =
    "precision mediump float;\n"
    "uniform mediump vec3 vColor;\n"
    "uniform sampler2D tex;\n"
    "varying mediump vec2 vTex;\n"
    "void main()\n"
    "{\n"
    "    gl_FragColor = texture2D(tex, vTex) * vec4(vColor, 1.0);\n"
    "}\n";

const char* const BlurFragment =
    "precision mediump float;\n"
    "uniform sampler2D tex;\n"
    "varying mediump vec2 vTex1;\n"
    "varying mediump vec2 vTex2;\n"
    "varying mediump vec2 vTex3;\n"
    "varying mediump vec2 vTex4;\n"
    "varying mediump vec2 vTex5;\n"
    "void main()\n"
    "{\n"
    "    lowp vec4 c1 = texture2D(tex, vTex1);\n"
    "    lowp vec4 c2 = texture2D(tex, vTex2);\n"
    "    lowp vec4 c3 = texture2D(tex, vTex3);\n"
    "    lowp vec4 c4 = texture2D(tex, vTex4);\n"
    "    lowp vec4 c5 = texture2D(tex, vTex5);\n"
    "    gl_FragColor = (c1 + c5) * 0.125 + (c2 + c4) * 0.219 + c3 * 0.312;\n"
    "}\n";

}  // namespace ShaderLibrary
}  // namespace Vorn
