// One-time inspection of the OpenGL ES 2.0 context, creation of the global batcher and release of
// all GL objects. All state is static: one GL context per process.
#pragma once


#include "base/NarrowString.h"
#include "system/Types.h"

namespace Vorn {

class OpenGL {
public:
    struct Capabilities {
        u8 fbo;   // framebuffer objects
        u8 vbo;   // vertex buffer objects
        u8 glsl;  // shading language
        u8 pvr;   // PVRTC textures
        u8 dxtc;  // S3TC textures
        u8 etc;   // ETC1 textures
        s32 texsize;  // largest texture edge
        s32 tmu;      // texture image units
    };

    // With the context current: reads extensions, vendor, renderer, version and limits, sets the
    // state the renderer relies on (unpack alignment 1) and installs a new batcher in g_batcher.
    static void Init();
    // Releases g_batcher, then the GL objects of every texture and framebuffer, then those of
    // every shader program; the objects survive and make their GL objects again on next use.
    static void Shutdown();

    // What the capability record reports of pvr, dxtc and etc: what the context can do, none
    // (every compressed image takes its software decoding) or all (compressed images keep their
    // blocks even where they cannot be drawn, for tests of the upload buffers). Tests run both
    // paths on the same files this way; the image extension list follows at its next use.
    enum CompressedOverride { COMPRESSED_AS_DETECTED, COMPRESSED_NONE, COMPRESSED_ALL };
    static void SetCompressedOverride(CompressedOverride mode);

    static const Capabilities& GetCaps();
    static const NarrowString& GetVendor();
    static const NarrowString& GetRenderer();
    static const NarrowString& GetVersion();
    // Whole-name match against the extension set (which set-ups only ever add to).
    static bool HasExtension(const char* name);
    // Splits an extension string at white space and adds every name; step 1 of Init.
    static void AddExtensions(const char* extensions);

    // The largest texture edge: the context's limit once Init ran, else DEFAULT_MAX_TEXTURE_SIZE.
    // Image loaders refuse larger images before allocating anything for them.
    static s32 GetMaxTextureSize();
    static constexpr s32 DEFAULT_MAX_TEXTURE_SIZE = 4096;
};

}  // namespace Vorn
