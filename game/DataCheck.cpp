#include "DataCheck.h"

#include <cerrno>  // program_invocation_short_name
#include <cstdio>
#include <memory>
#include <string>

#include "BinaryFiles.h"
#include "Consts.h"
#include "Content.h"
#include "Game.h"
#include "GLFont.h"
#include "Images.h"
#include "Mounts.h"
#include "base/NarrowString.h"
#include "base/SmartPtr.h"
#include "base/Xml.h"
#include "base/XmlIterator.h"
#include "graphics/image/ImageLoader.h"
#include "vfs/PakMount.h"
#include "vfs/Vfs.h"

namespace DataCheck {

namespace {

using Vorn::NarrowString;

// The archive entry behind a path of the game's file system, or null when no archive holds it.
const Vorn::PakMount::Entry* EntryOf(const NarrowString& path, Vorn::PakMount** pak)
{
    Vorn::VfsMount* mount = Vorn::Vfs::FindMount(Vorn::g_vfsStaticData.Get(), path.c_str(), nullptr);
    *pak = dynamic_cast<Vorn::PakMount*>(mount);
    return *pak ? (*pak)->FindEntry(path.c_str() + mount->GetMountPointLength()) : nullptr;
}

// The member at path, opened; when it is not there, that is said and null returned.
Vorn::SmartPtr<Vorn::File> OpenNeeded(const NarrowString& path)
{
    Vorn::SmartPtr<Vorn::File> file(Vorn::Vfs::Open(path.c_str()));
    if (!file) {
        Vorn::PakMount* pak = nullptr;
        EntryOf(path, &pak);
        const std::string where = pak ? pak->GetArchiveName() : "the game's archives";
        const char* mountPoint = pak ? pak->GetMountPoint() : "";
        std::fprintf(stderr, "%s: %s: %s is missing\n", program_invocation_short_name, where.c_str(),
                     path.c_str() + std::string(mountPoint).size());
    }
    return file;
}

// Whether a loader found the member good: it said nothing wrong, and its archive did not find a
// block of it damaged on the way (a reader may make do with part of the bytes).
bool Intact(const NarrowString& path, bool loaded)
{
    Vorn::PakMount* pak = nullptr;
    const Vorn::PakMount::Entry* entry = EntryOf(path, &pak);
    return loaded && !(entry && pak->IsReportedDamaged(*entry));
}

// A description (text table, atlas, glyph table) holding an element named tag below its root, or
// below the root's first element when nested.
bool CheckXml(const NarrowString& path, const char* tag, bool nested = false)
{
    Vorn::SmartPtr<Vorn::File> file = OpenNeeded(path);
    if (!file)
        return false;
    Vorn::SmartPtr<Vorn::Xml> xml = Vorn::Xml::CreateFromStream(file.Get());
    Vorn::XmlTag parent = xml ? xml->GetRoot() : nullptr;
    if (nested)
        parent = Vorn::XmlIterator(parent, nullptr).GetTag();
    const bool found = Vorn::XmlIterator(parent, tag).IsValid();
    if (xml && !found)
        file->ReportDamage(("it holds no <" + std::string(tag) + "> element").c_str());
    return Intact(path, found);
}

// An image, decoded whole (on the processor: nothing is made for the GPU).
bool CheckImage(const NarrowString& path)
{
    Vorn::SmartPtr<Vorn::File> file = OpenNeeded(path);
    if (!file)
        return false;
    Vorn::SmartPtr<Vorn::ImageLoader> loader(Vorn::ImageLoader::GetLoader(file.Get()));
    const std::unique_ptr<Vorn::MemPixelData> pixels(loader ? loader->ReadPixels() : nullptr);
    return Intact(path, static_cast<bool>(pixels));
}

}  // namespace

bool CheckCommonArchive()
{
    bool good = true;
    for (int language = 0; language < Game::LANGUAGE_COUNT; ++language)
        good &= CheckXml(Game::GetLanguagePath(language), "string");
    BinaryFiles::Init();
    for (int level = 0; level < Content::LEVEL_COUNT; ++level) {
        const NarrowString path = Content::GetLevelPath() + BinaryFiles::files[level];
        if (!OpenNeeded(path)) {
            good = false;
            continue;
        }
        good &= Intact(path, Content::LoadBinary(level));
    }
    return good;
}

bool CheckDeviceArchive(int screenWidth)
{
    bool good = true;
    for (const char* atlas : Game::AtlasFiles(screenWidth)) {
        const NarrowString description = Game::DevicePath(atlas);
        good &= CheckXml(description, "rect");
        // The picture is the one the atlas loads: its name without "xml", and an image extension.
        const NarrowString base(description.substr(0, description.size() - 3));
        const NarrowString picture = Vorn::ImageLoader::FindImageFile(base);
        good &= CheckImage(picture.empty() ? NarrowString(base + "png") : picture);
    }
    // The fonts' pictures are frames of the atlases: what is left of a font is its glyph table.
    Images::Init();
    for (int theme = 0; theme < Consts::THEMES_COUNT; ++theme) {
        for (int font : {Consts::THEME_FONT[theme], Consts::THEME_FONT_SMALL[theme]})
            good &= CheckXml(GLFont::DescriptionPath(font), "char", true);
    }
    return good;
}

}  // namespace DataCheck
