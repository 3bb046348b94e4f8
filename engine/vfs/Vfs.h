// The virtual file system: files are opened by virtual path ("common/levels/a.bin") through an
// ordered list of mounts, newest first.
//
// Every function that returns a File* hands out a new file on which nobody holds a reference yet:
// the caller takes one at once (SmartPtr), and the last release closes and frees the file.
#pragma once

#include "base/NarrowString.h"
#include "base/SmartPtr.h"
#include "vfs/File.h"
#include "vfs/VfsMount.h"

namespace Vorn {

class VfsStaticData : public RefCounter {
public:
    const SmartPtr<VfsMount>& GetHead() const { return m_head; }
    void SetHead(const SmartPtr<VfsMount>& head) { m_head = head; }

private:
    SmartPtr<VfsMount> m_head;
};

// The mount list; null until Vfs::Init. Releasing it releases every mount.
extern SmartPtr<VfsStaticData> g_vfsStaticData;

namespace Vfs {

// Starts a new, empty mount list, dropping the previous one with every mount.
void Init();
void Shutdown();

// Mounts a directory (ending in '/') on mountPoint. False when the directory is too long for a
// directory mount; nothing is linked then.
bool MountNative(const NarrowString& directory, const char* mountPoint, u32 flags);
// Why MountPak refused an archive: the error of opening it (errno), or, when it opened, what of
// it was refused.
struct MountFailure {
    int openError = 0;
    const char* damage = nullptr;
};

// Mounts the pak at pakPath (in the install area) on mountPoint. False, and nothing linked, when
// the archive is missing or damaged; failure, when given, then says why.
bool MountPak(const NarrowString& pakPath, const char* mountPoint, u32 flags,
              MountFailure* failure = nullptr);
// Links mount at the head of the list. False when it is null or already in the list.
bool AddMount(VfsStaticData* data, VfsMount* mount);

// The first mount whose mount point matches the path, from start (or the head when start is null).
VfsMount* FindMount(VfsStaticData* data, const char* path, VfsMount* start);
// Unlinks mount from the list and returns it; null when it is not in the list.
SmartPtr<VfsMount> Unmount(VfsMount* mount);
// Unlinks the newest mount whose mount point matches path and returns it.
SmartPtr<VfsMount> UnmountPoint(const char* path);

// The first matching mount decides, unless it has FALL_THROUGH and cannot open the path; then the
// later matching mounts are asked in turn.
File* Open(const char* path);
File* OpenWrite(const char* path);
// The whole file read into memory (a CachedFile).
File* OpenCached(const char* path);
// An EncryptedFile with the key, read from path, or started empty to be written to path.
File* OpenEncrypted(const char* path, const NarrowString& key);
File* CreateEncrypted(const char* path, const NarrowString& key);

} // namespace Vfs

} // namespace Vorn
