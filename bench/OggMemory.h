// The integer decoder's callbacks over a memory copy, as simple as they can be: the plain ov_read
// loops the benchmarks measure the engine's Ogg source against.
#pragma once

#include <tremor/ivorbisfile.h>

#include <cstdio>
#include <cstring>

struct OggMemory {
    const unsigned char* data;
    size_t size;
    size_t position;
};

inline size_t OggMemoryRead(void* out, size_t size, size_t count, void* source)
{
    OggMemory* m = static_cast<OggMemory*>(source);
    size_t n = size * count;
    if (n > m->size - m->position)
        n = m->size - m->position;
    std::memcpy(out, m->data + m->position, n);
    m->position += n;
    return n / size;
}

inline int OggMemorySeek(void* source, ogg_int64_t offset, int whence)
{
    OggMemory* m = static_cast<OggMemory*>(source);
    const ogg_int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? m->position : m->size;
    if (base + offset < 0 || base + offset > static_cast<ogg_int64_t>(m->size))
        return -1;
    m->position = static_cast<size_t>(base + offset);
    return 0;
}

inline int OggMemoryClose(void*)
{
    return 0;
}

inline long OggMemoryTell(void* source)
{
    return static_cast<long>(static_cast<OggMemory*>(source)->position);
}

// Opens vf over memory, which must outlive it; 0 on success, as ov_open_callbacks.
inline int OggMemoryOpen(OggMemory* memory, OggVorbis_File* vf)
{
    const ov_callbacks callbacks = {OggMemoryRead, OggMemorySeek, OggMemoryClose, OggMemoryTell};
    return ov_open_callbacks(memory, vf, nullptr, 0, callbacks);
}
