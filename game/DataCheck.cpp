#include "DataCheck.h"

#include <algorithm>
#include <cerrno>  // program_invocation_short_name
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

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
#include "graphics/image/PngImageLoader.h"
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

// An atlas's picture. Its loading stage decodes it before the first menu anyway, so a PNG is
// only read here and held to a whole PNG, every chunk checked against its CRC, which finds what
// damage a decode would at a small part of the cost. Any other format is decoded whole (on the
// processor: nothing is made for the GPU).
bool CheckImage(const NarrowString& path)
{
    Vorn::SmartPtr<Vorn::File> file = OpenNeeded(path);
    if (!file)
        return false;
    // A picture named .png is one, written whole by the data builder: a start that no longer
    // says so is damage too, not another format.
    const bool png = Vorn::PngImageLoader::CanLoad(file.Get()) ||
                     (path.size() >= 4 && path.compare(path.size() - 4, 4, ".png") == 0);
    if (png) {
        std::vector<Vorn::u8> bytes(file->GetSize());
        file->Seek(0, Vorn::SeekableStream::FROM_START);
        std::string why = "it cannot be read whole";
        const bool good = Vorn::ImageLoader::ReadExactly(file.Get(), bytes.data(), bytes.size()) &&
                          Vorn::PngImageLoader::CheckWhole(bytes.data(), bytes.size(), why);
        if (!good)
            file->ReportDamage(why.c_str());
        return Intact(path, good);
    }
    file->Seek(0, Vorn::SeekableStream::FROM_START);
    Vorn::SmartPtr<Vorn::ImageLoader> loader(Vorn::ImageLoader::GetLoader(file.Get()));
    const std::unique_ptr<Vorn::MemPixelData> pixels(loader ? loader->ReadPixels() : nullptr);
    return Intact(path, static_cast<bool>(pixels));
}

// One member the start needs, and its check, which says what it finds wrong.
struct Needed {
    NarrowString path;
    std::function<bool(const NarrowString& path)> check;
};

// Runs the checks in the order their members lie in the archive: the members that share a coded
// block are read one after the other, so that the block is decoded once, not once for each time
// the reads come back to it. A member named twice is checked once.
bool CheckInArchiveOrder(std::vector<Needed> members)
{
    auto offset = [](const Needed& member) {
        Vorn::PakMount* pak = nullptr;
        const Vorn::PakMount::Entry* entry = EntryOf(member.path, &pak);
        return entry ? entry->dataOffset : ~0u;
    };
    std::stable_sort(members.begin(), members.end(),
                     [&](const Needed& a, const Needed& b) { return offset(a) < offset(b); });
    bool good = true;
    for (size_t i = 0; i < members.size(); ++i) {
        if (i == 0 || members[i].path != members[i - 1].path)
            good &= members[i].check(members[i].path);
    }
    return good;
}

}  // namespace

bool CheckCommonArchive()
{
    std::vector<Needed> members;
    for (int language = 0; language < Game::LANGUAGE_COUNT; ++language) {
        members.push_back({Game::GetLanguagePath(language),
                           [](const NarrowString& path) { return CheckXml(path, "string"); }});
    }
    BinaryFiles::Init();
    for (int level = 0; level < Content::LEVEL_COUNT; ++level) {
        members.push_back({Content::GetLevelPath() + BinaryFiles::files[level], [level](const NarrowString& path) {
                               return OpenNeeded(path) && Intact(path, Content::LoadBinary(level));
                           }});
    }
    return CheckInArchiveOrder(std::move(members));
}

bool CheckDeviceArchive(int screenWidth)
{
    std::vector<Needed> members;
    for (const char* atlas : Game::AtlasFiles(screenWidth)) {
        const NarrowString description = Game::DevicePath(atlas);
        members.push_back({description, [](const NarrowString& path) { return CheckXml(path, "rect"); }});
        // The picture is the one the atlas loads: its name without "xml", and an image extension.
        const NarrowString base(description.substr(0, description.size() - 3));
        const NarrowString picture = Vorn::ImageLoader::FindImageFile(base);
        members.push_back({picture.empty() ? NarrowString(base + "png") : picture, &CheckImage});
    }
    // The fonts' pictures are frames of the atlases: what is left of a font is its glyph table.
    Images::Init();
    for (int theme = 0; theme < Consts::THEMES_COUNT; ++theme) {
        for (int font : {Consts::THEME_FONT[theme], Consts::THEME_FONT_SMALL[theme]}) {
            members.push_back({GLFont::DescriptionPath(font),
                               [](const NarrowString& path) { return CheckXml(path, "char", true); }});
        }
    }
    return CheckInArchiveOrder(std::move(members));
}

}  // namespace DataCheck
