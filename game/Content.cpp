#include "Content.h"

#include <vector>

#include "BinaryFiles.h"
#include "Image.h"
#include "Images.h"
#include "vfs/Vfs.h"

std::map<int, Vorn::SmartPtr<Image>> Content::s_images;
Vorn::NarrowString Content::s_imagePath;
Vorn::NarrowString Content::s_levelPath;
std::unique_ptr<LevelFile> Content::s_levels[LEVEL_COUNT];

void Content::SetImagePath(const Vorn::NarrowString& dir)
{
    s_imagePath = dir + "/";
}

void Content::SetLevelPath(const Vorn::NarrowString& dir)
{
    s_levelPath = dir + "/";
}

bool Content::LoadBinary(int level)
{
    if (level < 0 || level >= LEVEL_COUNT)
        return false;
    Vorn::NarrowString path = s_levelPath + BinaryFiles::files[level];
    Vorn::SmartPtr<Vorn::File> file(Vorn::Vfs::Open(path.c_str()));
    if (!file)
        return GetLevel(level) != nullptr;
    // The size decides the buffer only once it is known to fit a level at all.
    const Vorn::u32 size = file->GetSize();
    std::vector<uint8_t> bytes(size <= MAX_LEVEL_BYTES ? size : 0);
    const bool read = size <= MAX_LEVEL_BYTES &&
                      (size == 0 || (file->Seek(0, Vorn::SeekableStream::FROM_START) &&
                                     file->Read(bytes.data(), size) == static_cast<Vorn::s32>(size)));
    if (read && SetBinary(level, bytes.data(), bytes.size()))
        return true;
    // A read that failed has been said by the archive already; a reported damage is said once.
    file->ReportDamage("it is not a valid level file");
    return SetBinary(level, nullptr, 0);
}

bool Content::SetBinary(int level, const uint8_t* data, size_t size)
{
    if (level < 0 || level >= LEVEL_COUNT)
        return false;
    std::unique_ptr<LevelFile> parsed(new LevelFile());
    if (!parsed->Parse(data, size)) {
        s_levels[level].reset();
        return false;
    }
    s_levels[level] = std::move(parsed);
    return true;
}

const LevelFile* Content::GetLevel(int level)
{
    if (level < 0 || level >= LEVEL_COUNT)
        return nullptr;
    return s_levels[level].get();
}

void Content::ForgetLevels()
{
    for (std::unique_ptr<LevelFile>& level : s_levels)
        level.reset();
}

void Content::LoadImage(int id)
{
    if (id < 0 || id >= Images::COUNT || s_images.count(id))
        return;
    s_images[id] = Image::Create(s_imagePath + Images::files[id]);
}

void Content::UnloadImage(int id)
{
    s_images.erase(id);
}
