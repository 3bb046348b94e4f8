// Builders of image files for the loader tests: containers around given data, and the files made
// by reference encoders (ImageMagick's DDS writer, etc1tool's PKM files) kept in files/.
#pragma once

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "system/Types.h"

namespace VornTest {

typedef std::vector<Vorn::u8> Bytes8;

inline void PutU16(Bytes8& out, Vorn::u32 v)
{
    out.push_back(static_cast<Vorn::u8>(v));
    out.push_back(static_cast<Vorn::u8>(v >> 8));
}

inline void PutU32(Bytes8& out, Vorn::u32 v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<Vorn::u8>(v >> (8 * i)));
}

inline void SetU32(Bytes8& out, size_t at, Vorn::u32 v)
{
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<Vorn::u8>(v >> (8 * i));
}

inline void Append(Bytes8& out, const Bytes8& more)
{
    out.insert(out.end(), more.begin(), more.end());
}

inline Bytes8 Text(const std::string& text)
{
    return Bytes8(text.begin(), text.end());
}

// A file of files/ (empty when it cannot be read).
inline Bytes8 Fixture(const char* name)
{
    const std::string path = std::string(VORN_SOURCE_DIR) + "/tests/engine/graphics/image/files/" + name;
    Bytes8 bytes;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        Vorn::u8 buffer[4096];
        size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0)
            bytes.insert(bytes.end(), buffer, buffer + got);
        std::fclose(f);
    }
    return bytes;
}

// A DDS file: the 128-byte header with the fields the loader reads, for "DX10" a 20-byte
// extension whose first word is dxgi, then the blocks.
inline Bytes8 DdsFile(Vorn::u32 width, Vorn::u32 height, const char* fourCC, const Bytes8& blocks, Vorn::u32 dxgi = 0)
{
    Bytes8 out(128, 0);
    std::memcpy(out.data(), "DDS ", 4);
    SetU32(out, 4, 124);
    SetU32(out, 12, height);
    SetU32(out, 16, width);
    SetU32(out, 76, 32);
    SetU32(out, 80, 4);  // FourCC present
    std::memcpy(out.data() + 84, fourCC, 4);
    if (std::memcmp(fourCC, "DX10", 4) == 0) {
        PutU32(out, dxgi);
        PutU32(out, 3);  // 2D texture
        PutU32(out, 0);
        PutU32(out, 1);
        PutU32(out, 0);
    }
    Append(out, blocks);
    return out;
}

// The blocks of a DDS fixture (after its 128-byte header).
inline Bytes8 DdsBlocks(const Bytes8& dds)
{
    return dds.size() > 128 ? Bytes8(dds.begin() + 128, dds.end()) : Bytes8();
}

// A version 2 PVR file. dataSize -1: the data's own size.
inline Bytes8 PvrV2(Vorn::u32 width, Vorn::u32 height, Vorn::u32 pixelType, Vorn::u32 bitsPerPixel, bool alpha,
                    const Bytes8& data, long long dataSize = -1)
{
    Bytes8 out;
    PutU32(out, 52);
    PutU32(out, height);
    PutU32(out, width);
    PutU32(out, 0);
    PutU32(out, pixelType | (alpha ? 0x8000u : 0u));
    PutU32(out, dataSize < 0 ? static_cast<Vorn::u32>(data.size()) : static_cast<Vorn::u32>(dataSize));
    PutU32(out, bitsPerPixel);
    for (int i = 0; i < 4; ++i)
        PutU32(out, 0);
    out.insert(out.end(), {'P', 'V', 'R', '!'});
    PutU32(out, 1);
    Append(out, data);
    return out;
}

// A version 3 PVR file.
inline Bytes8 PvrV3(Vorn::u32 width, Vorn::u32 height, Vorn::u64 pixelFormat, const Bytes8& data,
                    const Bytes8& metadata = Bytes8())
{
    Bytes8 out;
    PutU32(out, 0x03525650);
    PutU32(out, 0);
    PutU32(out, static_cast<Vorn::u32>(pixelFormat));
    PutU32(out, static_cast<Vorn::u32>(pixelFormat >> 32));
    PutU32(out, 0);
    PutU32(out, 0);
    PutU32(out, height);
    PutU32(out, width);
    PutU32(out, 1);
    PutU32(out, 1);
    PutU32(out, 1);
    PutU32(out, 1);
    PutU32(out, static_cast<Vorn::u32>(metadata.size()));
    Append(out, metadata);
    Append(out, data);
    return out;
}

// The width, height and blocks of a PKM file (16-byte header, big-endian sizes).
struct Pkm {
    Vorn::u32 width = 0;
    Vorn::u32 height = 0;
    Bytes8 blocks;
};

inline Pkm ReadPkm(const Bytes8& file)
{
    Pkm pkm;
    if (file.size() < 16)
        return pkm;
    pkm.width = (file[12] << 8) | file[13];
    pkm.height = (file[14] << 8) | file[15];
    pkm.blocks.assign(file.begin() + 16, file.end());
    return pkm;
}

inline Bytes8 C565File(Vorn::u32 width, Vorn::u32 height, const Bytes8& pixels)
{
    Bytes8 out = Text("C565");
    PutU32(out, width);
    PutU32(out, height);
    Append(out, pixels);
    return out;
}

inline Bytes8 CrleFile(Vorn::u32 width, Vorn::u32 height, const Bytes8& runs, long long size = -1)
{
    Bytes8 out = Text("CRLE");
    PutU32(out, width);
    PutU32(out, height);
    PutU32(out, size < 0 ? static_cast<Vorn::u32>(runs.size()) : static_cast<Vorn::u32>(size));
    Append(out, runs);
    return out;
}

inline Bytes8 PvrPlusFile(int colourCodec, int alphaCodec, const Bytes8& colour, const Bytes8& alpha)
{
    Bytes8 out = Text("PVR+");
    out.push_back(static_cast<Vorn::u8>(colourCodec | (alphaCodec << 2)));
    Append(out, colour);
    Append(out, alpha);
    return out;
}

}  // namespace VornTest
