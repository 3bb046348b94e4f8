// The engine's built-in GLSL ES source texts. Every vertex source declares the uniform "screen"
// (x scale, y scale, y offset, set by the batcher) and ends its main function with GLPOSITION,
// which one of the position macros defines; the attributes are bound to fixed slots.
#pragma once

namespace Vorn {
namespace ShaderLibrary {

// One line each defining GLPOSITION for a screen turned by 0, 90, 180 and 270 degrees. Only the
// first is used: the window is never drawn turned.
extern const char* const PositionMacro[4];

// Vertex sources.
extern const char* const ColorKeyVertex;
extern const char* const TexturingCommonVertex;  // the same text as ColorKeyVertex
extern const char* const SolidVertex;
extern const char* const DebugVertex;
extern const char* const TintVertex;  // the same text as DebugVertex
extern const char* const BlurHorizontalVertex;
extern const char* const BlurVerticalVertex;

// Fragment sources.
extern const char* const ColorKeyFragment;
extern const char* const TexturingFragment;
extern const char* const CompositeTexturingFragment;
extern const char* const AlphaTexturingFragment;
extern const char* const SolidFragment;
extern const char* const DebugFragment;
extern const char* const TintFragment;
extern const char* const BlurFragment;

}  // namespace ShaderLibrary
}  // namespace Vorn
