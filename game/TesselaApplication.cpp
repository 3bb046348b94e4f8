#include "TesselaApplication.h"

#include "Consts.h"
#include "Content.h"
#include "DataCheck.h"
#include "Game.h"
#include "Graphics.h"
#include "Image.h"
#include "Language.h"
#include "Mounts.h"
#include "StringTools.h"
#include "TextsManager.h"
#include "application/AppGlobals.h"
#include "application/playbook/CreateApplication.h"
#include "base/AssetDict.h"
#include "graphics/Display.h"
#include "graphics/pixeldata/PixelData.h"
#include "graphics/surface/Surface.h"
#include "vfs/PlatformFiles.h"
#include "vfs/Vfs.h"
#include "vfs/VfsMount.h"

#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace Tessela {

namespace {

const char* const VERSION_NAME = "1.0";
const char* const VERSION_CODE = "1";
const char* const COMMON_ARCHIVE = "data_common.pak";

struct ArchiveMount {
    const char* name;
    const char* mountPoint;
    // Reads the members the game cannot do without; false, with each failure said, when one is
    // missing or damaged.
    bool (*check)(int screenWidth);
};

bool CheckCommon(int)
{
    return DataCheck::CheckCommonArchive();
}

// The directory the install area shows, for messages: where app/native/ leads, even when that
// is nowhere.
std::string InstallDirectory()
{
    const std::string area = Vorn::PlatformFiles::InstallRoot();
    char buffer[PATH_MAX];
    if (realpath(area.c_str(), buffer))
        return buffer;
    const std::string link = area.substr(0, area.size() - 1);
    const ssize_t n = readlink(link.c_str(), buffer, sizeof(buffer) - 1);
    return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : link;
}

// Says on stderr why the game cannot start on the archive: not there, there but not readable
// (and why), or damaged (and what).
void ReportArchive(const char* name, const Vorn::Vfs::MountFailure& failure)
{
    const std::string directory = InstallDirectory();
    std::string problem;
    if (failure.openError == ENOENT)
        problem = "is missing from " + directory;
    else if (failure.openError != 0)
        problem = "cannot be read in " + directory + ": " + std::strerror(failure.openError);
    else
        problem = "is damaged in " + directory + (failure.damage ? std::string(": ") + failure.damage : "");
    std::fprintf(stderr, "%s: cannot start: the game's archive %s %s\n", program_invocation_short_name, name,
                 problem.c_str());
}

} // namespace

std::string TesselaApplication::s_appVersionName(VERSION_NAME);
std::string TesselaApplication::s_appVersionCode(VERSION_CODE);
int TesselaApplication::s_baseScreenWidth = 0;
int TesselaApplication::s_baseScreenHeight = 0;

Vorn::PlaybookApplication* CreateApplication()
{
    return new TesselaApplication();
}

TesselaApplication::TesselaApplication()
    : Vorn::PlaybookApplication(0), surfaceWidth(0), surfaceHeight(0)
{
    Vorn::g_applicationName = "Tessela";
    Vorn::g_assetDict = new Vorn::AssetDict();
}

TesselaApplication::~TesselaApplication()
{
    // The image table is static: released with the application, while GL still has its
    // context, also when the shutdown slot never ran.
    Content::s_images.clear();
    offscreen = nullptr;
    graphics = nullptr;
    game = nullptr;
}

void TesselaApplication::Initialize()
{
    if (GetDisplay())
        GetDisplay()->SetOrientation(Vorn::Display::ORIENTATION_90);
    ResetVersionStrings();
    Vorn::Vfs::Init();
    StringTools::Init();
    TextsManager::Instance().ResetDictionary();
    Content::SetLevelPath(LEVEL_DIRECTORY);
    if (!MountData()) {
        // Nothing is drawn and nothing is saved: the process ends here with its message.
        AbandonStart();
        return;
    }
    Content::SetImagePath("");
    Consts::Init(s_baseScreenWidth, s_baseScreenHeight, Language::EFIGS);
    graphics = new Graphics(nullptr);
    game = new Game();
    game->screenWidth = Consts::SCREEN_WIDTH;
    game->screenHeight = Consts::SCREEN_HEIGHT;
    game->Init();
}

void TesselaApplication::Release()
{
    if (game)
        game->Release();
}

void TesselaApplication::OnKeyDown(int) {}

void TesselaApplication::OnKeyUp(int) {}

void TesselaApplication::OnFocus(bool focused)
{
    if (!game)
        return;
    if (focused)
        game->OnResume();
    else
        game->OnPause();
}

void TesselaApplication::Update(float seconds)
{
    if (game)
        game->Update(static_cast<int>(seconds * 1000.0));
}

void TesselaApplication::Render(Vorn::Surface* screen)
{
    if (!game || !graphics || !offscreen || !screen)
        return;
    if (!graphics->target)
        graphics->target = offscreen;
    offscreen->Clear(Vorn::Color{255, 255, 255, 255});
    game->Render(graphics);
    // The engine clears an RGBA target to alpha 0, so what the game leaves uncovered would let the
    // previous frame show through the stretch: the screen is cleared to the same white under it.
    screen->Clear(Vorn::Color{255, 255, 255, 255});
    screen->StretchBlit(offscreen.Get(),
                        Vorn::Rect{0, 0, offscreen->GetWidth(), offscreen->GetHeight()});
}

void TesselaApplication::OnTouchDown(int x, int y, int id)
{
    if (game && ToBase(x, y, id))
        game->OnTouchDown(x, y);
}

void TesselaApplication::OnTouchUp(int x, int y, int id)
{
    if (game && ToBase(x, y, id))
        game->OnTouchUp(x, y);
}

void TesselaApplication::OnTouchMove(int x, int y, int id)
{
    if (game && ToBase(x, y, id))
        game->OnTouchMove(x, y);
}

bool TesselaApplication::MountData()
{
    ScreenSize(surfaceWidth, surfaceHeight);
    const BaseSize base = ChooseBaseSize(surfaceWidth);
    s_baseScreenWidth = base.width;
    s_baseScreenHeight = base.height;

    // Archive paths are taken under the install area (app/native/), which the platform points at
    // the built or installed archives. Without either archive, or with a member the game needs
    // damaged, there is nothing to show: each archive that fails is said, and the start-up ends.
    const ArchiveMount archives[] = {{base.archive, DEVICE_MOUNT, &DataCheck::CheckDeviceArchive},
                                     {COMMON_ARCHIVE, COMMON_MOUNT, &CheckCommon}};
    bool mounted = true;
    for (const ArchiveMount& archive : archives) {
        Vorn::Vfs::MountFailure failure;
        if (!Vorn::Vfs::MountPak(archive.name, archive.mountPoint, 0, &failure)) {
            ReportArchive(archive.name, failure);
            mounted = false;
        }
    }
    if (!mounted)
        return false;
    bool intact = true;
    for (const ArchiveMount& archive : archives) {
        if (!archive.check(base.width)) {
            Vorn::Vfs::MountFailure failure;
            failure.damage = "a member the game needs is damaged or missing (said above)";
            ReportArchive(archive.name, failure);
            intact = false;
        }
    }
    if (!intact)
        return false;
    Vorn::Vfs::MountNative("./", SAVE_MOUNT,
                           Vorn::VfsMount::FALL_THROUGH | Vorn::VfsMount::SAVE_STORAGE);
    // A save cut short by a kill leaves its temporary file; the save it was replacing is intact.
    Vorn::PlatformFiles::RemoveSaveLeftovers();

    Vorn::Surface* screen = GetDisplay() ? GetDisplay()->GetScreen() : nullptr;
    Vorn::PixelData* screenData = screen ? screen->GetPixelData() : nullptr;
    const Vorn::s32 format = screenData ? screenData->GetFormat() : Vorn::PF_RGBA8888;
    offscreen = new Vorn::Surface(s_baseScreenWidth, s_baseScreenHeight, format);
    offscreen->SetFlags(offscreen->GetFlags() | Vorn::Surface::FLAG_LINEAR);
    return true;
}

void TesselaApplication::ResetVersionStrings()
{
    s_appVersionName = VERSION_NAME;
    s_appVersionCode = VERSION_CODE;
}

void TesselaApplication::ScreenSize(int& width, int& height) const
{
    Vorn::Surface* screen = GetDisplay() ? GetDisplay()->GetScreen() : nullptr;
    width = screen ? screen->GetWidth() : 0;
    height = screen ? screen->GetHeight() : 0;
}

bool TesselaApplication::ToBase(int& x, int& y, int id) const
{
    if (!IsPlayingTouch(id))
        return false;
    // The surface is measured at each touch: a rotation may have changed it since start-up.
    int width = 0;
    int height = 0;
    ScreenSize(width, height);
    x = ScaleTouch(x, s_baseScreenWidth, width);
    y = ScaleTouch(y, s_baseScreenHeight, height);
    return true;
}

} // namespace Tessela
