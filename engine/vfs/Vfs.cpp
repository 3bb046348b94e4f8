#include "vfs/Vfs.h"

#include <memory>

#include "vfs/CachedFile.h"
#include "vfs/EncryptedFile.h"
#include "vfs/NativeMount.h"
#include "vfs/PakMount.h"

namespace Vorn {

SmartPtr<VfsStaticData> g_vfsStaticData;

namespace Vfs {

namespace {

File* OpenThroughMounts(const char* path, bool write)
{
    if (!g_vfsStaticData || !path)
        return nullptr;
    VfsMount* mount = FindMount(g_vfsStaticData.Get(), path, nullptr);
    while (mount) {
        const char* relative = path + mount->GetMountPointLength();
        File* file = write ? mount->OpenWrite(relative) : mount->Open(relative);
        if (file)
            return file;
        if (!(mount->GetFlags() & VfsMount::FALL_THROUGH) || !mount->GetNext())
            return nullptr;
        mount = FindMount(g_vfsStaticData.Get(), path, mount->GetNext().Get());
    }
    return nullptr;
}

} // namespace

void Init()
{
    g_vfsStaticData = new VfsStaticData();
}

void Shutdown()
{
    g_vfsStaticData = nullptr;
}

bool AddMount(VfsStaticData* data, VfsMount* mount)
{
    // Held at once, so that a new mount that cannot be linked is freed rather than leaked.
    SmartPtr<VfsMount> held(mount);
    if (!data || !mount || mount->GetNext())
        return false; // a mount with a successor is already linked into a list
    for (VfsMount* m = data->GetHead().Get(); m; m = m->GetNext().Get()) {
        if (m == mount)
            return false;
    }
    mount->SetNext(data->GetHead());
    data->SetHead(held);
    return true;
}

bool MountNative(const NarrowString& directory, const char* mountPoint, u32 flags)
{
    if (directory.size() > NativeMount::MAX_DIRECTORY_LENGTH)
        return false;
    return AddMount(g_vfsStaticData.Get(), new NativeMount(directory.c_str(), mountPoint, flags));
}

bool MountPak(const NarrowString& pakPath, const char* mountPoint, u32 flags,
              MountFailure* failure)
{
    if (!g_vfsStaticData)
        return false;
    SmartPtr<PakMount> pak(new PakMount(pakPath.c_str(), mountPoint, flags));
    if (!pak->IsValid()) {
        if (failure) {
            failure->openError = pak->GetOpenError();
            failure->damage = pak->GetDamage();
        }
        return false;
    }
    return AddMount(g_vfsStaticData.Get(), pak.Get());
}

VfsMount* FindMount(VfsStaticData* data, const char* path, VfsMount* start)
{
    if (!data)
        return nullptr;
    for (VfsMount* mount = start ? start : data->GetHead().Get(); mount;
         mount = mount->GetNext().Get()) {
        if (mount->Matches(path))
            return mount;
    }
    return nullptr;
}

SmartPtr<VfsMount> Unmount(VfsMount* mount)
{
    if (!g_vfsStaticData || !mount)
        return nullptr;
    VfsMount* previous = nullptr;
    for (VfsMount* m = g_vfsStaticData->GetHead().Get(); m; m = m->GetNext().Get()) {
        if (m == mount) {
            SmartPtr<VfsMount> unlinked(mount);
            if (previous)
                previous->SetNext(mount->GetNext());
            else
                g_vfsStaticData->SetHead(mount->GetNext());
            mount->SetNext(nullptr);
            return unlinked;
        }
        previous = m;
    }
    return nullptr;
}

SmartPtr<VfsMount> UnmountPoint(const char* path)
{
    if (!g_vfsStaticData || !path)
        return nullptr;
    return Unmount(FindMount(g_vfsStaticData.Get(), path, nullptr));
}

File* Open(const char* path)
{
    return OpenThroughMounts(path, false);
}

File* OpenWrite(const char* path)
{
    return OpenThroughMounts(path, true);
}

File* OpenCached(const char* path)
{
    std::unique_ptr<CachedFile> file(new CachedFile());
    if (!file->Open(path) || !file->IsOpen())
        return nullptr;
    return file.release();
}

File* OpenEncrypted(const char* path, const NarrowString& key)
{
    std::unique_ptr<EncryptedFile> file(new EncryptedFile(key));
    if (!file->Open(path) || !file->IsOpen())
        return nullptr;
    return file.release();
}

File* CreateEncrypted(const char* path, const NarrowString& key)
{
    std::unique_ptr<EncryptedFile> file(new EncryptedFile(key));
    if (!file->OpenWrite(path) || !file->IsOpen())
        return nullptr;
    return file.release();
}

} // namespace Vfs

} // namespace Vorn
