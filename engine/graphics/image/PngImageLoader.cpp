#include "graphics/image/PngImageLoader.h"

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/ByteReader.h"

namespace Vorn {

namespace {

// libpng reports errors through these. An error leaves libpng's state unusable, so control goes
// back by longjmp to the guarded call that started the work; nothing is printed here, the message
// is kept in the loader's failure buffer (the error pointer) for the report.
void OnPngError(png_structp png, png_const_charp message)
{
    char* failure = static_cast<char*>(png_get_error_ptr(png));
    if (failure)
        std::snprintf(failure, PngImageLoader::FAILURE_SIZE, "%s", message ? message : "");
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp)
{
}

// Read callback: libpng asks for exactly length bytes; a short stream is an error.
void ReadFromStream(png_structp png, png_bytep data, size_t length)
{
    SeekableStream* stream = static_cast<SeekableStream*>(png_get_io_ptr(png));
    while (length > 0) {
        const u32 want = length > 0x40000000u ? 0x40000000u : static_cast<u32>(length);
        const s32 got = stream->Read(data, want);
        if (got <= 0 || static_cast<u32>(got) > want)
            png_error(png, "truncated");
        data += got;
        length -= static_cast<size_t>(got);
    }
}

struct PngHeader {
    png_uint_32 width;
    png_uint_32 height;
    int bitDepth;
    int colorType;
    int interlace;
    bool transparency;
};

// The guarded calls: each sets libpng's return point and makes one call that may fail. These
// frames hold no C++ objects, so the longjmp skips no destructor.
bool GuardedReadInfo(png_structp png, png_infop info, PngHeader* header)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_info(png, info);
    png_get_IHDR(png, info, &header->width, &header->height, &header->bitDepth, &header->colorType,
                 &header->interlace, nullptr, nullptr);
    header->transparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;

    png_set_strip_16(png);
    if (header->colorType == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (header->colorType == PNG_COLOR_TYPE_GRAY && header->bitDepth < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    if (header->transparency)
        png_set_tRNS_to_alpha(png);
    if (header->colorType & PNG_COLOR_MASK_COLOR)
        png_set_bgr(png);
    // Grey with a transparency chunk has an alpha channel that one alpha byte cannot carry beside
    // the grey level: it is read as colour with alpha, like grey-and-alpha images.
    if (header->colorType == PNG_COLOR_TYPE_GRAY_ALPHA ||
        (header->colorType == PNG_COLOR_TYPE_GRAY && header->transparency))
        png_set_gray_to_rgb(png);
    if (header->interlace != PNG_INTERLACE_NONE)
        png_set_interlace_handling(png);
    png_read_update_info(png, info);
    return true;
}

bool GuardedReadRow(png_structp png, png_bytep row)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_row(png, row, nullptr);
    return true;
}

bool GuardedReadImage(png_structp png, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_image(png, rows);
    return true;
}

bool GuardedReadEnd(png_structp png, png_infop info)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_end(png, info);
    return true;
}

u32 LoadBE32(const u8* p)
{
    return (static_cast<u32>(p[0]) << 24) | (static_cast<u32>(p[1]) << 16) | (static_cast<u32>(p[2]) << 8) |
           p[3];
}

bool IsChunkType(const u8* type)
{
    for (int i = 0; i < 4; ++i) {
        if (!((type[i] >= 'A' && type[i] <= 'Z') || (type[i] >= 'a' && type[i] <= 'z')))
            return false;
    }
    return true;
}

const size_t SIGNATURE_SIZE = 8;
const char PNG_SIGNATURE[] = "\x89PNG\r\n\x1a\n";
// A chunk: u32 length (big-endian, below 2^31), four letters of type, the data, and the CRC of
// type and data.
const size_t CHUNK_FRAME = 12;
// The end chunk, whole: it holds nothing, so its CRC is always the same.
const char END_CHUNK[] = "\0\0\0\0IEND\xae\x42\x60\x82";

// Whether the end chunk, whole, starts before limit.
bool HoldsEndChunk(const ByteReader& bytes, size_t limit)
{
    return bytes.Find(0, END_CHUNK, CHUNK_FRAME) < limit;
}

bool ChunkFits(const u8* data, size_t size, size_t at)
{
    return at <= size && size - at >= CHUNK_FRAME &&
           LoadBE32(data + at) <= std::min<size_t>(size - at - CHUNK_FRAME, 0x7fffffffu);
}

bool ChunkCrcMatches(const u8* data, size_t at)
{
    const u32 length = LoadBE32(data + at);
    return crc32(crc32(0, Z_NULL, 0), data + at + 4, static_cast<uInt>(4 + length)) ==
           LoadBE32(data + at + 8 + length);
}

// Where the first whole PNG start (its signature and an intact IHDR chunk) lies from byte 1 on,
// as other data holds one (an icon, an archive, a program); the size when none does.
size_t FindHeldPng(const u8* data, size_t size)
{
    const ByteReader bytes(data, size);
    for (size_t at = 1; (at = bytes.Find(at, PNG_SIGNATURE, SIGNATURE_SIZE)) < size; ++at) {
        const size_t header = at + SIGNATURE_SIZE;
        if (ChunkFits(data, size, header) && bytes.IdAt(header + 4, "IHDR") && ChunkCrcMatches(data, header))
            return at;
    }
    return size;
}

// The image data of a PNG: each IDAT chunk's CRC holds it whole, but only the zlib stream they
// carry together tells one lost, one put out of order, or the last one lost with the end chunk.
// The stream is inflated as the chunks come, into a buffer thrown away, as far as a budget that
// keeps the work linear in the data's size: no picture with several IDAT chunks that programs
// write inflates to more than about 50 times the size of its file.
class ImageData {
public:
    explicit ImageData(size_t size) : m_budget(64 * static_cast<u64>(size) + (1u << 20)) {}
    ~ImageData()
    {
        if (m_started)
            inflateEnd(&m_stream);
    }
    ImageData(const ImageData&) = delete;
    ImageData& operator=(const ImageData&) = delete;

    // Takes the data of the next IDAT chunk; false, with why, when the stream cannot go on with
    // it.
    bool Take(const u8* data, u32 size, std::string& why)
    {
        ++m_chunks;
        return Inflate(data, size, why);
    }
    bool Empty() const { return m_chunks == 0; }
    // Whether the stream ended with the data taken last (or is not followed so far).
    bool Ended() const { return m_ended || m_spent; }

private:
    bool Inflate(const u8* data, u32 size, std::string& why)
    {
        if (m_spent || size == 0)
            return true;
        if (m_ended) {
            why = "goes on after its zlib stream has ended";
            return false;
        }
        // Without the memory to inflate, the stream is left as its CRCs have it.
        if (!m_started && inflateInit(&m_stream) != Z_OK) {
            m_spent = true;
            return true;
        }
        m_started = true;
        m_stream.next_in = const_cast<Bytef*>(data);
        m_stream.avail_in = size;
        u8 out[16384];
        do {
            m_stream.next_out = out;
            m_stream.avail_out = sizeof(out);
            const int result = inflate(&m_stream, Z_NO_FLUSH);
            if (result == Z_STREAM_END) {
                m_ended = true;
                why = "goes on after its zlib stream has ended";
                return m_stream.avail_in == 0;
            }
            // All taken, with nothing more to give out; or no memory to go on, which leaves the
            // stream as its CRCs have it.
            if (result == Z_BUF_ERROR || result == Z_MEM_ERROR) {
                m_spent = result == Z_MEM_ERROR;
                return true;
            }
            if (result != Z_OK) {
                why = std::string("does not inflate (") + (m_stream.msg ? m_stream.msg : "no zlib stream") + ")";
                return false;
            }
            m_spent = m_stream.total_out > m_budget;
        } while (!m_spent && (m_stream.avail_in > 0 || m_stream.avail_out == 0));
        return true;
    }

    z_stream m_stream{};
    const u64 m_budget;
    size_t m_chunks = 0;
    bool m_started = false;
    bool m_ended = false;
    bool m_spent = false;
};

// Where PNG places the chunks it orders: the colour chunks before the palette, the palette's own
// after it, these and the rest before the image data, whose IDAT chunks follow one another. Text,
// time, animation and other programs' chunks go anywhere.
enum ChunkPlace { ANYWHERE, COLOUR, PALETTE, OF_PALETTE, BEFORE_DATA, DATA };

constexpr u32 ChunkCode(const char (&type)[5])
{
    return static_cast<u32>(static_cast<u8>(type[0])) << 24 | static_cast<u32>(static_cast<u8>(type[1])) << 16 |
           static_cast<u32>(static_cast<u8>(type[2])) << 8 | static_cast<u8>(type[3]);
}

const struct {
    u32 type;
    ChunkPlace place;
} CHUNK_PLACES[] = {
    {ChunkCode("cHRM"), COLOUR},      {ChunkCode("gAMA"), COLOUR},      {ChunkCode("iCCP"), COLOUR},
    {ChunkCode("sBIT"), COLOUR},      {ChunkCode("sRGB"), COLOUR},      {ChunkCode("cICP"), COLOUR},
    {ChunkCode("PLTE"), PALETTE},     {ChunkCode("tRNS"), OF_PALETTE},  {ChunkCode("bKGD"), OF_PALETTE},
    {ChunkCode("hIST"), OF_PALETTE},  {ChunkCode("pHYs"), BEFORE_DATA}, {ChunkCode("sPLT"), BEFORE_DATA},
    {ChunkCode("oFFs"), BEFORE_DATA}, {ChunkCode("pCAL"), BEFORE_DATA}, {ChunkCode("sCAL"), BEFORE_DATA},
    {ChunkCode("acTL"), BEFORE_DATA}, {ChunkCode("IDAT"), DATA},
};

// What every PNG that programs write keeps beyond its chunks' CRCs: a type of four letters, the
// header chunk first, no chunk twice in a row, and for PNG itself the order above, a palette
// where the header asks for one, and image data that inflates whole (ImageData). Each of these
// tells whole chunks lost, repeated or swapped, which their CRCs cannot.
class ChunkRules {
public:
    ChunkRules(u32 header, bool png, size_t size) : m_header(header), m_png(png), m_data(size) {}

    // Takes the intact chunk at at; false, with why, when it cannot follow the chunks before it.
    bool Take(const u8* data, size_t at, std::string& why)
    {
        const u8* chunk = data + at;
        const u32 length = LoadBE32(chunk);
        const u32 type = LoadBE32(chunk + 4);
        const bool first = !m_previous;
        const bool twice = !first && LoadBE32(m_previous) == length &&
                           std::memcmp(m_previous, chunk, CHUNK_FRAME + length) == 0;
        m_previous = chunk;
        if (first && length >= 13)
            m_palette = chunk[8 + 9] == 3;  // the header's colour type
        const char* wrong = !IsChunkType(chunk + 4)    ? " has a type that is not four letters"
                            : first && type != m_header ? " comes first, where the header chunk belongs"
                            : twice                     ? " repeats the chunk before it"
                            : m_png && !InPlace(type)   ? " is out of place"
                            : nullptr;
        if (!wrong && m_png && type == ChunkCode("IDAT") && !m_data.Take(chunk + 8, length, why))
            wrong = "";
        if (wrong)
            why = "its PNG chunk " + (IsChunkType(chunk + 4) ? std::string(chunk + 4, chunk + 8) + " " : "") +
                  "at byte " + std::to_string(at) + (*wrong ? wrong : ": its image data " + why);
        return !wrong;
    }

    // At the end chunk: whether the image data came, and whole.
    bool End(size_t at, std::string& why)
    {
        if (!m_png || (!m_data.Empty() && m_data.Ended()))
            return true;
        why = "its PNG chunk IEND at byte " + std::to_string(at) +
              (m_data.Empty() ? " comes before any image data" : " comes before its image data's zlib stream ends");
        return false;
    }

private:
    bool InPlace(u32 type)
    {
        ChunkPlace place = ANYWHERE;
        for (const auto& entry : CHUNK_PLACES) {
            if (type == entry.type)
                place = entry.place;
        }
        bool ok = !m_seenData || place == ANYWHERE;
        switch (place) {
        case COLOUR: ok = ok && !m_seenPalette; break;
        case PALETTE: ok = ok && !m_seenOfPalette; m_seenPalette = true; break;
        case OF_PALETTE: m_seenOfPalette = true; break;
        case DATA: ok = !m_afterData && (m_seenPalette || !m_palette); m_seenData = true; break;
        default: break;
        }
        m_afterData = m_afterData || (m_seenData && place != DATA);
        return ok;
    }

    const u32 m_header;
    const bool m_png;
    ImageData m_data;
    const u8* m_previous = nullptr;
    bool m_palette = false;      // the header asks for a palette
    bool m_seenPalette = false;
    bool m_seenOfPalette = false;
    bool m_seenData = false;
    bool m_afterData = false;
};

// Walks the chunks from the signature's end: each must lie inside the data and pass its CRC, up
// to and including the end chunk, or up to the end of the data unless the end chunk is required;
// and keep the rules, when given. Each chunk's bytes are read once, so the walk is linear in the
// data's size.
bool WalkChunks(const u8* data, size_t size, const char* endType, bool whole, ChunkRules* rules, std::string& why)
{
    for (size_t at = SIGNATURE_SIZE;;) {
        if (at == size && !whole)
            return true;
        const bool fits = ChunkFits(data, size, at);
        const u8* type = fits ? data + at + 4 : nullptr;
        if (!fits || !ChunkCrcMatches(data, at)) {
            why = at == size ? "its PNG chunks end before IEND"
                             : "its PNG chunk" + (fits && IsChunkType(type) ? " " + std::string(type, type + 4) : "") +
                                   " at byte " + std::to_string(at) + (fits ? " fails its CRC" : " runs past the end");
            return false;
        }
        if (whole && at == SIGNATURE_SIZE && std::memcmp(type, "IHDR", 4) != 0) {
            why = "its first PNG chunk is not IHDR";
            return false;
        }
        if (rules && !rules->Take(data, at, why))
            return false;
        const size_t chunk = at;
        at += CHUNK_FRAME + LoadBE32(data + at);
        if (std::memcmp(type, endType, 4) == 0)
            return !rules || rules->End(chunk, why);
    }
}

PixelFormat FormatOf(const PngHeader& header)
{
    switch (header.colorType) {
    case PNG_COLOR_TYPE_GRAY:
        return header.transparency ? PF_RGBA8888 : PF_A8;
    case PNG_COLOR_TYPE_RGB:
    case PNG_COLOR_TYPE_PALETTE:
        return header.transparency ? PF_RGBA8888 : PF_RGB888;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
    case PNG_COLOR_TYPE_RGB_ALPHA:
        return PF_RGBA8888;
    default:
        return PF_NONE;
    }
}

}  // namespace

PngImageLoader::PngImageLoader()
    : m_width(0), m_height(0), m_format(PF_NONE), m_png(nullptr), m_info(nullptr), m_state(STATE_NEW),
      m_interlaced(false), m_rowsRead(0), m_failure{}
{
}

PngImageLoader::~PngImageLoader()
{
    if (!m_png)
        return;
    if (m_state == STATE_READY)
        GuardedReadEnd(m_png, m_info);
    png_destroy_read_struct(&m_png, &m_info, nullptr);
}

bool PngImageLoader::CanLoad(SeekableStream* stream)
{
    png_byte signature[4];
    return stream->Read(signature, 4) == 4 && png_sig_cmp(signature, 0, 4) == 0;
}

bool PngImageLoader::CheckChunks(const u8* data, size_t size, std::string& why)
{
    // MNG and JNG share PNG's chunks behind signatures of their own (two bytes away from PNG's):
    // their chunks are walked the same way, from their own header chunk up to their own end chunk.
    static const struct {
        const char* signature;
        const char* header;
        const char* endType;
    } FAMILY[] = {{PNG_SIGNATURE, "IHDR", "IEND"}, {"\x8aMNG\r\n\x1a\n", "MHDR", "MEND"}, {"\x8bJNG\r\n\x1a\n", "JHDR", "IEND"}};
    const ByteReader bytes(data, size);
    for (const auto& member : FAMILY) {
        if (bytes.IdAt(0, member.signature, SIGNATURE_SIZE)) {
            ChunkRules rules(LoadBE32(reinterpret_cast<const u8*>(member.header)), member.signature == PNG_SIGNATURE, size);
            return WalkChunks(data, size, member.endType, false, &rules, why);
        }
    }
    // HDF5 copied PNG's kind of signature, three bytes away from it: its data is no PNG.
    if (bytes.IdAt(0, "\x89HDF\r\n\x1a\n", SIGNATURE_SIZE))
        return true;
    // Without a signature the data is a PNG all the same when it carries the marks of one: a
    // signature that is not far off (half of it there) or wiped, an intact first chunk, or the
    // end chunk before any whole PNG that the data holds (the end chunk of an icon's or an
    // archive's PNG is no mark). Its start is then damaged, however many bytes the damage took.
    // Data with none of these (a cut inside the signature among it) holds no PNG.
    const bool near = size >= SIGNATURE_SIZE && bytes.DifferencesAt(0, PNG_SIGNATURE, SIGNATURE_SIZE) <= SIGNATURE_SIZE / 2;
    if (near || bytes.IdWipedAt(0, PNG_SIGNATURE, SIGNATURE_SIZE) ||
        (ChunkFits(data, size, SIGNATURE_SIZE) && ChunkCrcMatches(data, SIGNATURE_SIZE)) ||
        HoldsEndChunk(bytes, FindHeldPng(data, size))) {
        why = "its PNG signature is damaged";
        return false;
    }
    return true;
}

bool PngImageLoader::CheckWhole(const u8* data, size_t size, std::string& why)
{
    if (!ByteReader(data, size).IdAt(0, PNG_SIGNATURE, SIGNATURE_SIZE)) {
        why = "it does not start with the PNG signature";
        return false;
    }
    return WalkChunks(data, size, "IEND", true, nullptr, why);
}

Surface* PngImageLoader::Load()
{
    return MakeSurface(ReadPixels());
}

bool PngImageLoader::ReadHeader()
{
    if (m_state != STATE_NEW)
        return m_state == STATE_READY;
    m_state = STATE_FAILED;
    if (!m_stream)
        return false;
    m_png = png_create_read_struct(PNG_LIBPNG_VER_STRING, m_failure, &OnPngError, &OnPngWarning);
    if (!m_png)
        return false;
    m_info = png_create_info_struct(m_png);
    if (!m_info)
        return false;
    png_set_read_fn(m_png, m_stream.Get(), &ReadFromStream);
    png_set_sig_bytes(m_png, 0);
    // Every chunk carries a CRC, the only check an image stored raw in an archive has: a mismatch
    // refuses the image, also in an ancillary chunk (a lost transparency chunk would show the
    // image wrong), where libpng would otherwise drop the chunk with a warning.
    png_set_crc_action(m_png, PNG_CRC_ERROR_QUIT, PNG_CRC_ERROR_QUIT);
    // libpng refuses larger headers itself, before it allocates for them.
    const png_uint_32 limit = static_cast<png_uint_32>(GetSizeLimit());
    png_set_user_limits(m_png, limit, limit);
    // Text, colour profiles and suggested palettes change nothing here, and libpng would allocate
    // each one's stated length before reading it (also at the end, after the rows), a length that
    // is only a claim: they are skipped as they are read, their CRCs checked all the same.
    static const png_byte SKIPPED[] = "tEXt\0zTXt\0iTXt\0iCCP\0sPLT\0eXIf";
    png_set_keep_unknown_chunks(m_png, PNG_HANDLE_CHUNK_NEVER, SKIPPED, 6);

    PngHeader header = {};
    if (!GuardedReadInfo(m_png, m_info, &header)) {
        ReportFailure();
        return false;
    }
    const PixelFormat format = FormatOf(header);
    if (format == PF_NONE || !IsSizeAllowed(header.width, header.height))
        return false;
    // The transforms must give exactly the rows the format describes; anything else would write
    // past the end of a row.
    const size_t expected = static_cast<size_t>(header.width) * GetPixelFormatInfo(format).bytes;
    if (png_get_rowbytes(m_png, m_info) != expected)
        return false;
    m_width = header.width;
    m_height = header.height;
    m_format = format;
    m_interlaced = header.interlace != PNG_INTERLACE_NONE;
    m_state = STATE_READY;
    return true;
}

bool PngImageLoader::ReadLine(void* row)
{
    if (m_state != STATE_READY || m_interlaced || m_rowsRead >= m_height)
        return false;
    if (!GuardedReadRow(m_png, static_cast<png_bytep>(row))) {
        m_state = STATE_FAILED;
        ReportFailure();
        return false;
    }
    ++m_rowsRead;
    return true;
}

MemPixelData* PngImageLoader::ReadPixels()
{
    if (!ReadHeader())
        return nullptr;
    if (!m_interlaced)
        return ImageLoader::ReadPixels();

    std::unique_ptr<MemPixelData> pixels(new MemPixelData(Width(), Height(), m_format));
    std::vector<png_bytep> rows(m_height);
    for (u32 y = 0; y < m_height; ++y)
        rows[y] = pixels->Lock() + static_cast<size_t>(y) * pixels->GetPitch();
    if (!GuardedReadImage(m_png, rows.data())) {
        m_state = STATE_FAILED;
        ReportFailure();
        return nullptr;
    }
    m_rowsRead = m_height;
    return pixels.release();
}

void PngImageLoader::ReportFailure()
{
    if (m_stream)
        m_stream->ReportDamage(("it does not decode as PNG: " + std::string(m_failure)).c_str());
}

}  // namespace Vorn
