#include "graphics/image/TextureCodecs.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/ByteReader.h"

namespace Vorn {

namespace TextureCodecs {

namespace {

// A 5:6:5 word with green moved to bits 21-26, so that red and blue (bits 11-15 and 0-4) and
// green can be interpolated together in one 32-bit operation; the gaps take the fractions.
u32 Spread(u32 c)
{
    return (c & 0xF81F) | ((c & 0x07E0) << 16);
}

// Back to 5:6:5. All six bits of green are kept: an interpolated colour whose ends share their
// green must keep that green exactly, as GPUs decode it.
u16 Pack(u32 x)
{
    return static_cast<u16>((x & 0xF81F) | ((x & 0x07E00000) >> 16));
}

// 5:6:5 widened by bit replication to the little-endian word 0x00RRGGBB (bytes B, G, R).
u32 Widen565(u32 c)
{
    const u32 r = c >> 11, g = (c >> 5) & 63, b = c & 31;
    return ((b << 3) | (b >> 2)) | (((g << 2) | (g >> 4)) << 8) | (((r << 3) | (r >> 2)) << 16);
}

int BlocksAcross(int side)
{
    return (side + 3) / 4;
}

// The pixels of block (bx, by) that lie inside the image.
int BlockSpan(int block, int side)
{
    return std::min(4, side - block * 4);
}

}  // namespace

namespace {

// The palette of one colour block, for the decoders' inner loops.
inline void ColourPalette(u16 c0, u16 c1, bool fourColour, u16 palette[4])
{
    const u32 p0 = Spread(c0), p1 = Spread(c1);
    palette[0] = c0;
    palette[1] = c1;
    if (fourColour || c0 > c1) {
        // 5/16 and 21/32 stand for one and two thirds; modulo 2^32 a negative difference works
        // like a positive one, and the low 27 bits hold every field.
        const u32 d = p1 - p0;
        palette[2] = Pack(p0 + (((5u * d) >> 4) & 0x07FFFFFFu));
        palette[3] = Pack(p0 + ((21u * d) >> 5));
    } else {
        palette[2] = Pack((p0 + p1) >> 1);
        palette[3] = 0;
    }
}

// Eight bytes of a row, the little-endian 64-bit word of its pixels, in one store where the
// machine is little-endian. The words are put together in registers: pixels stored one by one
// and then copied on would stall the wide load that follows them.
inline void StoreRow(u8* out, u64 pixels)
{
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    std::memcpy(out, &pixels, 8);
#else
    for (int i = 0; i < 8; ++i)
        out[i] = static_cast<u8>(pixels >> (8 * i));
#endif
}

// A DXT1 block that lies wholly inside the image: each row one 8-byte store.
inline void Dxt1Block(const u8* block, u8* out, size_t pitch)
{
    u16 palette[4];
    ColourPalette(LoadLE16(block), LoadLE16(block + 2), false, palette);
    u32 indices = LoadLE32(block + 4);
    for (int y = 0; y < 4; ++y, indices >>= 8, out += pitch) {
        StoreRow(out, static_cast<u64>(palette[indices & 3]) | (static_cast<u64>(palette[(indices >> 2) & 3]) << 16) |
                          (static_cast<u64>(palette[(indices >> 4) & 3]) << 32) |
                          (static_cast<u64>(palette[(indices >> 6) & 3]) << 48));
    }
}

// A block at the right or bottom edge: only its columns x rows pixels inside the image.
void Dxt1EdgeBlock(const u8* block, u8* out, size_t pitch, int columns, int rows)
{
    u16 palette[4];
    ColourPalette(LoadLE16(block), LoadLE16(block + 2), false, palette);
    u32 indices = LoadLE32(block + 4);
    for (int y = 0; y < rows; ++y, indices >>= 8, out += pitch) {
        for (int x = 0; x < columns; ++x) {
            const u16 c = palette[(indices >> (2 * x)) & 3];
            out[2 * x] = static_cast<u8>(c);
            out[2 * x + 1] = static_cast<u8>(c >> 8);
        }
    }
}

// The tables of a DXT5 block: its four colours as little-endian words 0x00RRGGBB and its eight
// alphas as 0xAA000000, with the 2-bit colour and 3-bit alpha indices of its pixels.
struct Dxt5Tables {
    u32 colours[4];
    u32 alphas[8];
    u32 indices;
    u64 alphaIndices;
};

inline void ReadDxt5Tables(const u8* block, Dxt5Tables& t)
{
    const u32 a0 = block[0], a1 = block[1];
    t.alphas[0] = a0 << 24;
    t.alphas[1] = a1 << 24;
    if (a0 > a1) {
        for (u32 i = 1; i < 7; ++i)
            t.alphas[i + 1] = (((7 - i) * a0 + i * a1) / 7) << 24;
    } else {
        for (u32 i = 1; i < 5; ++i)
            t.alphas[i + 1] = (((5 - i) * a0 + i * a1) / 5) << 24;
        t.alphas[6] = 0;
        t.alphas[7] = 255u << 24;
    }
    t.alphaIndices = LoadLE16(block + 2) | (static_cast<u64>(LoadLE32(block + 4)) << 16);
    u16 palette[4];
    ColourPalette(LoadLE16(block + 8), LoadLE16(block + 10), true, palette);
    for (int i = 0; i < 4; ++i)
        t.colours[i] = Widen565(palette[i]);
    t.indices = LoadLE32(block + 12);
}

// A DXT5 block that lies wholly inside the image: each row two 8-byte stores.
inline void Dxt5Block(const u8* block, u8* out, size_t pitch)
{
    Dxt5Tables t;
    ReadDxt5Tables(block, t);
    u32 indices = t.indices;
    u64 alphaIndices = t.alphaIndices;
    auto pixel = [&](int x) -> u64 {
        return t.colours[(indices >> (2 * x)) & 3] | t.alphas[(alphaIndices >> (3 * x)) & 7];
    };
    for (int y = 0; y < 4; ++y, out += pitch, indices >>= 8, alphaIndices >>= 12) {
        StoreRow(out, pixel(0) | (pixel(1) << 32));
        StoreRow(out + 8, pixel(2) | (pixel(3) << 32));
    }
}

void Dxt5EdgeBlock(const u8* block, u8* out, size_t pitch, int columns, int rows)
{
    Dxt5Tables t;
    ReadDxt5Tables(block, t);
    for (int y = 0; y < rows; ++y, out += pitch) {
        for (int x = 0; x < columns; ++x) {
            const int i = y * 4 + x;
            const u32 p = t.colours[(t.indices >> (2 * i)) & 3] | t.alphas[(t.alphaIndices >> (3 * i)) & 7];
            for (int c = 0; c < 4; ++c)
                out[4 * x + c] = static_cast<u8>(p >> (8 * c));
        }
    }
}

// Runs the block decoder over the whole blocks of each block row and the edge decoder over the
// blocks the image's right and bottom edges cut.
template <size_t BlockBytes, int PixelBytes, void (*whole)(const u8*, u8*, size_t),
          void (*edge)(const u8*, u8*, size_t, int, int)>
void DecodeBlocks(const u8* blocks, int width, int height, u8* destination, size_t pitch)
{
    const int across = BlocksAcross(width), down = BlocksAcross(height);
    const int wholeAcross = width / 4, wholeDown = height / 4;
    for (int by = 0; by < down; ++by, blocks += static_cast<size_t>(across) * BlockBytes) {
        u8* row = destination + static_cast<size_t>(by) * 4 * pitch;
        int bx = 0;
        if (by < wholeDown) {
            for (; bx < wholeAcross; ++bx) {
                whole(blocks + static_cast<size_t>(bx) * BlockBytes, row + static_cast<size_t>(bx) * 4 * PixelBytes,
                      pitch);
            }
        }
        for (; bx < across; ++bx) {
            edge(blocks + static_cast<size_t>(bx) * BlockBytes, row + static_cast<size_t>(bx) * 4 * PixelBytes, pitch,
                 BlockSpan(bx, width), BlockSpan(by, height));
        }
    }
}

}  // namespace

void Dxt1Palette(u16 c0, u16 c1, bool fourColour, u16 palette[4])
{
    ColourPalette(c0, c1, fourColour, palette);
}

void DecodeDxt1(const u8* blocks, int width, int height, u8* destination, size_t pitch)
{
    DecodeBlocks<8, 2, Dxt1Block, Dxt1EdgeBlock>(blocks, width, height, destination, pitch);
}

void DecodeDxt5(const u8* blocks, int width, int height, u8* destination, size_t pitch)
{
    DecodeBlocks<16, 4, Dxt5Block, Dxt5EdgeBlock>(blocks, width, height, destination, pitch);
}

namespace {

// Base colour plus modifier clamped to 0..255, for every sum the format can make.
const int CLAMP_OFFSET = 256;
struct ClampTable {
    u8 values[768];
    ClampTable()
    {
        for (int i = 0; i < 768; ++i)
            values[i] = static_cast<u8>(std::min(255, std::max(0, i - CLAMP_OFFSET)));
    }
    u8 operator[](int i) const { return values[i]; }
};
const ClampTable CLAMP;

}  // namespace

void DecodeEtc1(const u8* blocks, int width, int height, u8* destination, size_t pitch)
{
    static const int MODIFIERS[8][4] = {
        {2, 8, -2, -8},     {5, 17, -5, -17},   {9, 29, -9, -29},     {13, 42, -13, -42},
        {18, 60, -18, -60}, {24, 80, -24, -80}, {33, 106, -33, -106}, {47, 183, -47, -183},
    };
    const int across = BlocksAcross(width), down = BlocksAcross(height);
    for (int by = 0; by < down; ++by) {
        const int rows = BlockSpan(by, height);
        for (int bx = 0; bx < across; ++bx, blocks += 8) {
            // base[sub-block][channel R, G, B]
            int base[2][3];
            if (blocks[3] & 2) {
                for (int c = 0; c < 3; ++c) {
                    const int v = blocks[c] >> 3;
                    const int delta = (blocks[c] & 3) - (blocks[c] & 4);  // signed 3 bits
                    const int v2 = (v + delta) & 31;
                    base[0][c] = (v << 3) | (v >> 2);
                    base[1][c] = (v2 << 3) | (v2 >> 2);
                }
            } else {
                for (int c = 0; c < 3; ++c) {
                    base[0][c] = (blocks[c] >> 4) * 17;
                    base[1][c] = (blocks[c] & 15) * 17;
                }
            }
            // The four colours of each sub-block, clamped once, as bytes B, G, R.
            u8 colours[2][4][3];
            const int codewords[2] = {blocks[3] >> 5, (blocks[3] >> 2) & 7};
            for (int sub = 0; sub < 2; ++sub) {
                for (int index = 0; index < 4; ++index) {
                    const int modifier = MODIFIERS[codewords[sub]][index];
                    for (int c = 0; c < 3; ++c)
                        colours[sub][index][2 - c] = CLAMP[base[sub][c] + modifier + CLAMP_OFFSET];
                }
            }
            // Pixels are numbered down the columns: bit x * 4 + y of each index half.
            const u32 msb = (static_cast<u32>(blocks[4]) << 8) | blocks[5];
            const u32 lsb = (static_cast<u32>(blocks[6]) << 8) | blocks[7];
            const u32 flipMask = (blocks[3] & 1) ? 0xCCCC : 0xFF00;  // pixels of the second sub-block
            const int columns = BlockSpan(bx, width);
            u8* row = destination + static_cast<size_t>(by * 4) * pitch + static_cast<size_t>(bx) * 12;
            for (int y = 0; y < rows; ++y, row += pitch) {
                u8* out = row;
                for (int x = 0; x < columns; ++x, out += 3) {
                    const int i = x * 4 + y;
                    const u8* colour = colours[(flipMask >> i) & 1][(((msb >> i) & 1) << 1) | ((lsb >> i) & 1)];
                    out[0] = colour[0];
                    out[1] = colour[1];
                    out[2] = colour[2];
                }
            }
        }
    }
}

namespace {

// The two colours of a PVRTC word as 5-bit red, green, blue and 4-bit alpha.
struct PvrtcColours {
    int a[4];
    int b[4];
};

// Widens a field of bits bits to 5 by repeating its top bits.
int To5(u32 value, int bits)
{
    return static_cast<int>((value << (5 - bits)) | (value >> (2 * bits - 5)));
}

void UnpackColour(u32 half, bool isB, int* out)
{
    if (half & 0x8000) {
        out[0] = static_cast<int>((half >> 10) & 31);
        out[1] = static_cast<int>((half >> 5) & 31);
        out[2] = isB ? static_cast<int>(half & 31) : To5((half >> 1) & 15, 4);
        out[3] = 15;
    } else {
        out[0] = To5((half >> 8) & 15, 4);
        out[1] = To5((half >> 4) & 15, 4);
        out[2] = isB ? To5(half & 15, 4) : To5((half >> 1) & 7, 3);
        out[3] = static_cast<int>(((half >> 12) & 7) << 1);
    }
}

// The word's place in the data: Morton order over the word grid, row bits at the even places,
// column bits at the odd ones; the longer side's remaining bits above.
u32 Twiddle(u32 x, u32 y, u32 across, u32 down)
{
    const u32 shorter = std::min(across, down);
    u32 t = 0;
    int k = 0;
    for (u32 bit = 1; bit < shorter; bit <<= 1, ++k) {
        if (y & bit)
            t |= 1u << (2 * k);
        if (x & bit)
            t |= 1u << (2 * k + 1);
    }
    const u32 rest = (across > down ? x : y) >> k;
    return t | (rest << (2 * k));
}

// The word grid of one PVRTC image: words of blockW x blockH pixels, at least 2 x 2 of them.
struct PvrtcGrid {
    PvrtcGrid(int width, int height, int bitsPerPixel)
        : twoBit(bitsPerPixel == 2), blockW(twoBit ? 8 : 4), blockH(4), across(std::max(width / blockW, 2)),
          down(std::max(height / blockH, 2)), texW(across * blockW), texH(down * blockH)
    {
    }
    size_t Words() const { return static_cast<size_t>(across) * static_cast<size_t>(down); }
    size_t Texels() const { return static_cast<size_t>(texW) * static_cast<size_t>(texH); }
    // Index of the first texel of word (wx, wy) in a texel array.
    size_t FirstTexel(int wx, int wy) const
    {
        return static_cast<size_t>(wy * blockH) * texW + static_cast<size_t>(wx * blockW);
    }

    bool twoBit;
    int blockW, blockH, across, down, texW, texH;
};

// The words in raster order over the grid: colours, modulation bits and mode bits.
struct PvrtcWords {
    std::vector<PvrtcColours> colours;
    std::vector<u32> modulation;
    std::vector<u8> modeBits;
};

PvrtcWords ReadPvrtcWords(const u8* data, const PvrtcGrid& grid)
{
    PvrtcWords words;
    words.colours.resize(grid.Words());
    words.modulation.resize(grid.Words());
    words.modeBits.resize(grid.Words());
    for (int wy = 0; wy < grid.down; ++wy) {
        for (int wx = 0; wx < grid.across; ++wx) {
            const u8* word = data + static_cast<size_t>(Twiddle(wx, wy, grid.across, grid.down)) * 8;
            const size_t at = static_cast<size_t>(wy) * grid.across + wx;
            const u32 colour = LoadLE32(word + 4);
            words.modulation[at] = LoadLE32(word);
            words.modeBits[at] = colour & 1;
            UnpackColour(colour & 0xFFFF, false, words.colours[at].a);
            UnpackColour(colour >> 16, true, words.colours[at].b);
        }
    }
    return words;
}

const u8 PVRTC_WEIGHTS[4] = {0, 3, 5, 8};
// Weights of the punch-through mode; 0x80 marks a texel whose alpha is 0.
const u8 PVRTC_PUNCH_WEIGHTS[4] = {0, 4, 0x80 | 4, 8};

// 4 bits per pixel: a 2-bit value per texel, weighed by the word's mode.
void FourBitWeights(const PvrtcGrid& grid, const PvrtcWords& words, std::vector<u8>& weight)
{
    for (int wy = 0; wy < grid.down; ++wy) {
        for (int wx = 0; wx < grid.across; ++wx) {
            const size_t at = static_cast<size_t>(wy) * grid.across + wx;
            const u32 bits = words.modulation[at];
            const u8* table = words.modeBits[at] ? PVRTC_PUNCH_WEIGHTS : PVRTC_WEIGHTS;
            u8* weightRow = &weight[grid.FirstTexel(wx, wy)];
            for (int y = 0; y < grid.blockH; ++y, weightRow += grid.texW) {
                for (int x = 0; x < grid.blockW; ++x)
                    weightRow[x] = table[(bits >> (2 * (y * 4 + x))) & 3];
            }
        }
    }
}

// 2 bits per pixel, first pass: the 2-bit value of every texel that has its own (0xFF for those
// interpolated from their neighbours), and each word's interpolation: 0 none, 1 four neighbours,
// 2 left and right, 3 above and below.
void TwoBitValues(const PvrtcGrid& grid, const PvrtcWords& words, std::vector<u8>& values,
                  std::vector<u8>& interpolation)
{
    for (int wy = 0; wy < grid.down; ++wy) {
        for (int wx = 0; wx < grid.across; ++wx) {
            const size_t at = static_cast<size_t>(wy) * grid.across + wx;
            u32 bits = words.modulation[at];
            u8* valueRow = &values[grid.FirstTexel(wx, wy)];
            if (!words.modeBits[at]) {
                for (int y = 0; y < grid.blockH; ++y, valueRow += grid.texW) {
                    for (int x = 0; x < grid.blockW; ++x)
                        valueRow[x] = static_cast<u8>(((bits >> (y * 8 + x)) & 1) * 3);
                }
                continue;
            }
            interpolation[at] = (bits & 1) ? ((bits >> 20) & 1 ? 3 : 2) : 1;
            if (bits & 1)
                bits = (bits & ~(1u << 20)) | (((bits >> 21) & 1) << 20);
            bits = (bits & ~1u) | ((bits >> 1) & 1);
            for (int y = 0; y < grid.blockH; ++y, valueRow += grid.texW) {
                for (int x = 0; x < grid.blockW; ++x) {
                    if (((x ^ y) & 1) == 0) {
                        valueRow[x] = static_cast<u8>(bits & 3);
                        bits >>= 2;
                    } else {
                        valueRow[x] = 0xFF;
                    }
                }
            }
        }
    }
}

// 2 bits per pixel, second pass: the weights, the missing ones interpolated from the neighbours'
// (across the grid's edges, which wrap).
void TwoBitWeights(const PvrtcGrid& grid, const std::vector<u8>& values, const std::vector<u8>& interpolation,
                   std::vector<u8>& weight)
{
    const int texW = grid.texW, texH = grid.texH;
    auto valueAt = [&](int x, int y) {
        x = (x + texW) % texW;
        y = (y + texH) % texH;
        return PVRTC_WEIGHTS[values[static_cast<size_t>(y) * texW + x] & 3];
    };
    for (int y = 0; y < texH; ++y) {
        for (int x = 0; x < texW; ++x) {
            const size_t at = static_cast<size_t>(y) * texW + x;
            if (values[at] != 0xFF) {
                weight[at] = PVRTC_WEIGHTS[values[at]];
                continue;
            }
            const int mode = interpolation[static_cast<size_t>(y / grid.blockH) * grid.across + x / grid.blockW];
            if (mode == 1)
                weight[at] = static_cast<u8>(
                    (valueAt(x - 1, y) + valueAt(x + 1, y) + valueAt(x, y - 1) + valueAt(x, y + 1) + 2) / 4);
            else if (mode == 2)
                weight[at] = static_cast<u8>((valueAt(x - 1, y) + valueAt(x + 1, y) + 1) / 2);
            else
                weight[at] = static_cast<u8>((valueAt(x, y - 1) + valueAt(x, y + 1) + 1) / 2);
        }
    }
}

// Per texel the weight in eighths of colour B, with 0x80 marking punch-through alpha.
std::vector<u8> PvrtcWeights(const PvrtcGrid& grid, const PvrtcWords& words)
{
    std::vector<u8> weight(grid.Texels());
    if (!grid.twoBit) {
        FourBitWeights(grid, words, weight);
        return weight;
    }
    std::vector<u8> values(grid.Texels());
    std::vector<u8> interpolation(grid.Words());
    TwoBitValues(grid, words, values, interpolation);
    TwoBitWeights(grid, values, interpolation, weight);
    return weight;
}

// Colours A and B stand at the centres of their words' blocks and are interpolated bilinearly
// between them, in units of 1/64 of the 5-bit (or 4-bit alpha) value; each pixel blends them by
// its weight, into bytes B, G, R, A.
void WritePvrtcPixels(const PvrtcGrid& grid, const PvrtcWords& words, const std::vector<u8>& weight, int width,
                      int height, u8* destination, size_t pitch)
{
    const int blockW = grid.blockW, blockH = grid.blockH, across = grid.across, down = grid.down;
    const int scale = 64 / (blockW * blockH);
    const int outW = std::min(width, grid.texW), outH = std::min(height, grid.texH);
    for (int py = 0; py < outH; ++py) {
        const int sy = py - blockH / 2 + grid.texH;  // kept positive: wraps around the grid
        const int wy0 = (sy / blockH) % down, wy1 = (wy0 + 1) % down, fy = sy % blockH;
        u8* out = destination + static_cast<size_t>(py) * pitch;
        for (int px = 0; px < outW; ++px, out += 4) {
            const int sx = px - blockW / 2 + grid.texW;
            const int wx0 = (sx / blockW) % across, wx1 = (wx0 + 1) % across, fx = sx % blockW;
            const PvrtcColours& p = words.colours[static_cast<size_t>(wy0) * across + wx0];
            const PvrtcColours& q = words.colours[static_cast<size_t>(wy0) * across + wx1];
            const PvrtcColours& r = words.colours[static_cast<size_t>(wy1) * across + wx0];
            const PvrtcColours& s = words.colours[static_cast<size_t>(wy1) * across + wx1];
            const int wp = (blockW - fx) * (blockH - fy), wq = fx * (blockH - fy), wr = (blockW - fx) * fy,
                      ws = fx * fy;
            int a[4], b[4];
            for (int c = 0; c < 4; ++c) {
                const int va = (p.a[c] * wp + q.a[c] * wq + r.a[c] * wr + s.a[c] * ws) * scale;
                const int vb = (p.b[c] * wp + q.b[c] * wq + r.b[c] * wr + s.b[c] * ws) * scale;
                if (c < 3) {
                    a[c] = (va >> 3) + (va >> 8);
                    b[c] = (vb >> 3) + (vb >> 8);
                } else {
                    a[c] = (va >> 6) + (va >> 2);
                    b[c] = (vb >> 6) + (vb >> 2);
                }
            }
            const u8 w = weight[static_cast<size_t>(py) * grid.texW + px];
            const int m = w & 0x0F;
            out[2] = static_cast<u8>((a[0] * (8 - m) + b[0] * m) / 8);
            out[1] = static_cast<u8>((a[1] * (8 - m) + b[1] * m) / 8);
            out[0] = static_cast<u8>((a[2] * (8 - m) + b[2] * m) / 8);
            out[3] = (w & 0x80) ? 0 : static_cast<u8>((a[3] * (8 - m) + b[3] * m) / 8);
        }
    }
}

}  // namespace

void DecodePvrtc(const u8* data, int width, int height, int bitsPerPixel, u8* destination, size_t pitch)
{
    const PvrtcGrid grid(width, height, bitsPerPixel);
    const PvrtcWords words = ReadPvrtcWords(data, grid);
    const std::vector<u8> weight = PvrtcWeights(grid, words);
    WritePvrtcPixels(grid, words, weight, width, height, destination, pitch);
}

}  // namespace TextureCodecs

}  // namespace Vorn
