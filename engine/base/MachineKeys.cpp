// The registry's /machine subtree: keys whose values are read from the device at each request and
// which refuse every change.
#include "application/AbstractApp.h"
#include "base/Registry.h"
#include "graphics/Display.h"
#include "graphics/OpenGL.h"
#include "graphics/surface/Surface.h"

namespace Vorn {
namespace {

class MachineKey final : public RegistryKeyProtected {
public:
    typedef u32 (*WordGetter)();
    typedef const char* (*TextGetter)();

    MachineKey(Type type, WordGetter word, TextGetter text)
        : RegistryKeyProtected(type), m_wordGetter(word), m_textGetter(text)
    {
    }

    u32 Get() const override { return m_wordGetter ? m_wordGetter() : 0; }
    const char* GetText() const override { return m_textGetter ? m_textGetter() : ""; }

private:
    WordGetter m_wordGetter;
    TextGetter m_textGetter;
};

// Without a running application and display the screen facts read 0.
Display* CurrentDisplay()
{
    return AbstractApp::s_application ? AbstractApp::s_application->GetDisplay() : nullptr;
}

Surface* CurrentScreen()
{
    Display* display = CurrentDisplay();
    return display ? display->GetScreen() : nullptr;
}

u32 ResolutionX()
{
    Surface* screen = CurrentScreen();
    return screen ? static_cast<u32>(screen->GetWidth()) : 0;
}

u32 ResolutionY()
{
    Surface* screen = CurrentScreen();
    return screen ? static_cast<u32>(screen->GetHeight()) : 0;
}

// The key's own reading of the mask as a whole value, not the display's bit meaning.
u32 Orientation()
{
    Display* display = CurrentDisplay();
    switch (display ? display->GetOrientation() : 0) {
    case 2: return 90;
    case 4: return 180;
    case 8: return 270;
    default: return 0;
    }
}

const char* Platform() { return "unknown"; }
u32 HasFbo() { return OpenGL::GetCaps().fbo ? 1 : 0; }
u32 HasGlsl() { return OpenGL::GetCaps().glsl ? 1 : 0; }
u32 HasVbo() { return OpenGL::GetCaps().vbo ? 1 : 0; }
u32 HasPvr() { return OpenGL::GetCaps().pvr ? 1 : 0; }
u32 HasDxtc() { return OpenGL::GetCaps().dxtc ? 1 : 0; }
u32 HasEtc() { return OpenGL::GetCaps().etc ? 1 : 0; }
u32 TextureSize() { return static_cast<u32>(OpenGL::GetCaps().texsize); }
u32 TextureUnits() { return static_cast<u32>(OpenGL::GetCaps().tmu); }
const char* Vendor() { return OpenGL::GetVendor().c_str(); }
const char* Renderer() { return OpenGL::GetRenderer().c_str(); }
const char* Version() { return OpenGL::GetVersion().c_str(); }

const struct {
    const char* path;
    RegistryKey::Type type;
    MachineKey::WordGetter word;
    MachineKey::TextGetter text;
} MACHINE_KEYS[] = {
    {"/machine/resolution/x", RegistryKey::TYPE_INT, ResolutionX, nullptr},
    {"/machine/resolution/y", RegistryKey::TYPE_INT, ResolutionY, nullptr},
    {"/machine/orientation", RegistryKey::TYPE_INT, Orientation, nullptr},
    {"/machine/platform", RegistryKey::TYPE_STRING, nullptr, Platform},
    {"/machine/gl/fbo", RegistryKey::TYPE_BOOL, HasFbo, nullptr},
    {"/machine/gl/glsl", RegistryKey::TYPE_BOOL, HasGlsl, nullptr},
    {"/machine/gl/vbo", RegistryKey::TYPE_BOOL, HasVbo, nullptr},
    {"/machine/gl/pvr", RegistryKey::TYPE_BOOL, HasPvr, nullptr},
    {"/machine/gl/dxtc", RegistryKey::TYPE_BOOL, HasDxtc, nullptr},
    {"/machine/gl/etc", RegistryKey::TYPE_BOOL, HasEtc, nullptr},
    {"/machine/gl/texsize", RegistryKey::TYPE_INT, TextureSize, nullptr},
    {"/machine/gl/tmu", RegistryKey::TYPE_INT, TextureUnits, nullptr},
    {"/machine/gl/vendor", RegistryKey::TYPE_STRING, nullptr, Vendor},
    {"/machine/gl/renderer", RegistryKey::TYPE_STRING, nullptr, Renderer},
    {"/machine/gl/version", RegistryKey::TYPE_STRING, nullptr, Version},
};

} // namespace

void Registry::CreateMachineKeys()
{
    for (const auto& row : MACHINE_KEYS) {
        Node* node = FindNode(row.path, true, true);
        std::string path(row.path);
        node->keys[path.substr(path.rfind('/') + 1)].reset(
            new MachineKey(row.type, row.word, row.text));
    }
}

} // namespace Vorn
