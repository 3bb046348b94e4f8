#include "vfs/CompressedFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>

#include "base/ByteReader.h"

namespace Vorn {

namespace {

const u32 CODED_BIT = 0x80000000u;
const u32 END_MASK = 0x7FFFFFFFu;

} // namespace

CompressedFile::CompressedFile()
    : m_stream(LZMA_STREAM_INIT), m_decoderReady(false), m_totalSize(0), m_position(0),
      m_decodedBlock(NO_BLOCK), m_storedStart(0), m_storedCount(0), m_currentBlock(NO_BLOCK),
      m_blockFailed(false), m_coded(true),
      m_dataOffset(0), m_blockSize(0), m_blockCount(0), m_fileSize(0), m_inputNext(0),
      m_inputEnd(0), m_openError(0), m_readError(0), m_failure(FAILED_NONE), m_failedBlock(0)
{
    std::memset(&m_options, 0, sizeof m_options);
}

CompressedFile::~CompressedFile()
{
    lzma_end(&m_stream);
}

void CompressedFile::DropTables()
{
    m_table.reset();
    m_decoded.reset();
    m_decodedBlock = NO_BLOCK;
    m_kept.reset();
    m_storedCount = 0;
    m_blockCount = 0;
    m_totalSize = 0;
    m_position = 0;
    m_currentBlock = NO_BLOCK;
    m_blockFailed = false;
    m_coded = true;
    m_dataOffset = 0;
    m_blockSize = 0;
    m_inputNext = m_inputEnd = 0;
    m_readError = 0;
    m_failure = FAILED_NONE;
    m_failedBlock = 0;
}

bool CompressedFile::Close()
{
    DropTables();
    // Frees the decoder's dictionary and probabilities.
    lzma_end(&m_stream);
    m_stream = LZMA_STREAM_INIT;
    m_decoderReady = false;
    m_fileSize = 0;
    return PlaybookFile::Close();
}

bool CompressedFile::Open(const char* path)
{
    Close();
    m_openError = 0;
    if (!PlaybookFile::Open(path)) {
        m_openError = errno != 0 ? errno : EIO;
        return false;
    }
    if (ReadHeader())
        return true;
    Close();
    return false;
}

bool CompressedFile::OpenNative(const char* path)
{
    Close();
    m_openError = 0;
    if (!PosixFile::Open(path)) {
        m_openError = errno != 0 ? errno : EIO;
        return false;
    }
    if (ReadHeader())
        return true;
    Close();
    return false;
}

bool CompressedFile::OpenSibling(const CompressedFile& mounted)
{
    Close();
    m_openError = 0;
    if (!mounted.m_table || !OpenDuplicate(mounted)) {
        m_openError = mounted.m_table ? errno : EBADF;
        Close();
        return false;
    }
    m_table.reset(new (std::nothrow) u32[mounted.m_blockCount]);
    if (!m_table) {
        Close();
        return false;
    }
    std::memcpy(m_table.get(), mounted.m_table.get(), sizeof(u32) * mounted.m_blockCount);
    m_options = mounted.m_options;
    m_kept = mounted.m_kept;
    m_fileSize = mounted.m_fileSize;
    m_blockCount = mounted.m_blockCount;
    m_blockSize = mounted.m_blockSize;
    m_dataOffset = mounted.m_dataOffset;
    m_totalSize = mounted.m_totalSize;
    return true;
}

u32 CompressedFile::ReadFile(u64 offset, void* buffer, u32 count)
{
    if (count == 0)
        return 0;
    const s64 n = ReadAt(offset, buffer, count);
    if (n < 0) {
        m_readError = errno != 0 ? errno : EIO;
        return 0;
    }
    return static_cast<u32>(n);
}

bool CompressedFile::GetBlockStorage(u32 block, u64& fileOffset, u32& storedSize, bool& coded) const
{
    if (block >= m_blockCount)
        return false;
    const u32 start = block == 0 ? 0 : (m_table[block - 1] & END_MASK);
    fileOffset = static_cast<u64>(m_dataOffset) + start;
    storedSize = (m_table[block] & END_MASK) - start;
    coded = (m_table[block] & CODED_BIT) != 0;
    return true;
}

void CompressedFile::NoteFailure()
{
    m_blockFailed = true;
    m_failedBlock = m_currentBlock;
    m_failure = m_readError != 0 ? FAILED_READ : m_coded ? FAILED_DECODE : FAILED_SHORT;
}

std::string CompressedFile::DescribeFailure() const
{
    const std::string block = "block " + std::to_string(m_failedBlock) + " of the archive";
    switch (m_failure) {
    case FAILED_READ: return "reading " + block + " failed: " + std::strerror(m_readError);
    case FAILED_DECODE: return block + " does not decode";
    case FAILED_SHORT: return block + " is cut short";
    default: return std::string();
    }
}

bool CompressedFile::ReadHeader()
{
    m_fileSize = PosixFile::GetSize();
    u8 header[HEADER_SIZE];
    if (ReadFile(0, header, HEADER_SIZE) != HEADER_SIZE)
        return false;
    u32 dataOffset = LoadLE32(header);
    u32 blockSize = LoadLE32(header + 4);
    s64 tableBytes = static_cast<s32>(LoadLE32(header + 8));
    if (blockSize == 0 || blockSize > MAX_BLOCK_SIZE || dataOffset < HEADER_SIZE ||
        dataOffset > m_fileSize)
        return false;

    // liblzma refuses lc + lp > 4, which the format would allow: such a file cannot be read here.
    lzma_filter filter = {LZMA_FILTER_LZMA1, nullptr};
    if (lzma_properties_decode(&filter, nullptr, header + 12, 5) != LZMA_OK)
        return false;
    m_options = *static_cast<lzma_options_lzma*>(filter.options);
    std::free(filter.options);

    const bool rawTable = tableBytes < 0;
    const u64 storedBytes = static_cast<u64>(rawTable ? -tableBytes : tableBytes);
    const u64 blockCount = storedBytes / 4;
    if (blockCount == 0)
        return false;
    // Bounds before allocating: a raw table lies between the header and the data; every block
    // stores at least one byte, so a coded table cannot list more blocks than there are data bytes.
    if (rawTable ? HEADER_SIZE + storedBytes > dataOffset : blockCount > m_fileSize - dataOffset)
        return false;
    if (blockCount * blockSize > 0xFFFFFFFFull)
        return false;

    std::unique_ptr<u32[]> table(new (std::nothrow) u32[blockCount]);
    if (!table)
        return false;
    u8* tableBytesOut = reinterpret_cast<u8*>(table.get());
    const u32 tableSize = static_cast<u32>(blockCount * 4);
    if (rawTable) {
        if (ReadFile(HEADER_SIZE, tableBytesOut, tableSize) != tableSize)
            return false;
    } else {
        // The coded table fills the space up to the data, and decodes to whole entries.
        if (storedBytes % 4 != 0 || !RestartDecoder(tableSize, tableSize))
            return false;
        m_inputNext = HEADER_SIZE;
        m_inputEnd = dataOffset;
        if (!DecodeWhole(tableBytesOut, tableSize))
            return false;
    }

    u32 previousEnd = 0;
    for (u64 i = 0; i < blockCount; ++i) {
        u32 entry = LoadLE32(tableBytesOut + 4 * i);
        table[i] = entry;
        u32 end = entry & END_MASK;
        // Blocks follow one another, each at least one byte long, and end inside the file: a
        // truncated archive is refused here instead of reading short later. A raw block holds
        // exactly one block of content.
        if (end <= previousEnd || dataOffset + static_cast<u64>(end) > m_fileSize)
            return false;
        if (!(entry & CODED_BIT) && end - previousEnd != blockSize)
            return false;
        previousEnd = end;
    }

    m_table = std::move(table);
    m_kept = std::make_shared<DecodedBlocks>(blockSize);
    m_blockCount = static_cast<u32>(blockCount);
    m_blockSize = blockSize;
    m_dataOffset = dataOffset;
    m_totalSize = static_cast<u32>(blockCount * blockSize);
    m_position = 0;
    m_currentBlock = NO_BLOCK;
    return true;
}

bool CompressedFile::RestartDecoder(u32 dictionaryNeed, u32 outputSize)
{
    // A stream never refers further back than its own output, so a dictionary larger than what it
    // decodes is never used: the header's dictionary size is not trusted beyond that. Told the size
    // it must yield, the decoder also checks that the stream's range coder ends cleanly there.
    lzma_options_lzma options = m_options;
    options.dict_size = std::max<u32>(LZMA_DICT_SIZE_MIN, std::min(m_options.dict_size, dictionaryNeed));
    options.ext_flags = 0;
    options.ext_size_low = outputSize;
    options.ext_size_high = 0;
    lzma_filter filters[2] = {{LZMA_FILTER_LZMA1EXT, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
    m_decoderReady = lzma_raw_decoder(&m_stream, filters) == LZMA_OK;
    m_stream.next_in = nullptr;
    m_stream.avail_in = 0;
    return m_decoderReady;
}

bool CompressedFile::FillInput()
{
    if (m_inputNext >= m_inputEnd)
        return false;
    u32 want = static_cast<u32>(std::min<u64>(INPUT_BUFFER_SIZE, m_inputEnd - m_inputNext));
    u32 got = ReadFile(m_inputNext, m_input, want);
    if (got == 0)
        return false;
    m_inputNext += got;
    m_stream.next_in = m_input;
    m_stream.avail_in = got;
    return true;
}

bool CompressedFile::DecodeWhole(u8* out, u32 count)
{
    if (!m_decoderReady)
        return false;
    m_stream.next_out = out;
    m_stream.avail_out = count;
    for (;;) {
        const bool moreInput = m_stream.avail_in > 0 || FillInput();
        const size_t inBefore = m_stream.avail_in;
        const size_t outBefore = m_stream.avail_out;
        const lzma_ret ret = lzma_code(&m_stream, LZMA_RUN);
        if (ret == LZMA_STREAM_END)
            break;
        if (ret != LZMA_OK)
            return false;
        if (m_stream.avail_in == inBefore && m_stream.avail_out == outBefore && !moreInput)
            return false;
    }
    // Ended at its size; bytes stored after that end belong to no stream.
    return m_stream.avail_out == 0 && m_stream.avail_in == 0 && m_inputNext == m_inputEnd;
}

u32 CompressedFile::CopyDecoded(u32 offset, u8* out, u32 count)
{
    const u32 n = offset < m_blockSize ? std::min(count, m_blockSize - offset) : 0;
    std::memcpy(out, m_decoded.get() + offset, n);
    return n;
}

u32 CompressedFile::ReadRaw(u32 offset, u8* out, u32 count)
{
    u32 start = m_currentBlock == 0 ? 0 : (m_table[m_currentBlock - 1] & END_MASK);
    u32 stored = (m_table[m_currentBlock] & END_MASK) - start;
    if (offset >= stored)
        return 0;
    u32 n = std::min(count, stored - offset);
    return ReadStored(static_cast<u64>(m_dataOffset) + start + offset, out, n);
}

u32 CompressedFile::ReadStored(u64 offset, u8* out, u32 count)
{
    u32 done = 0;
    while (done < count) {
        const u64 at = offset + done;
        if (at >= m_storedStart && at - m_storedStart < m_storedCount) {
            const u32 n = static_cast<u32>(std::min<u64>(count - done, m_storedStart + m_storedCount - at));
            std::memcpy(out + done, m_stored.get() + (at - m_storedStart), n);
            done += n;
            continue;
        }
        if (!m_stored)
            m_stored.reset(new (std::nothrow) u8[STORED_BUFFER_SIZE]);
        if (count - done >= STORED_BUFFER_SIZE || !m_stored)
            return done + ReadFile(at, out + done, count - done);
        // The buffer may run on past the block: the bytes are the file's all the same, and the
        // next stored block often follows.
        const u32 want = static_cast<u32>(std::min<u64>(STORED_BUFFER_SIZE, m_fileSize > at ? m_fileSize - at : 0));
        m_storedStart = at;
        m_storedCount = ReadFile(at, m_stored.get(), want);
        if (m_storedCount == 0)
            return done;
    }
    return done;
}

bool CompressedFile::SelectBlock(u32 block)
{
    m_currentBlock = block;
    m_blockFailed = false;
    m_readError = 0;
    u32 entry = m_table[block];
    m_coded = (entry & CODED_BIT) != 0;
    if (!m_coded || (m_decoded && m_decodedBlock == block))
        return true;
    if (!TakeDecoded(block)) {
        NoteFailure();
        return false;
    }
    return true;
}

bool CompressedFile::TakeDecoded(u32 block)
{
    DecodedBlocks::Bytes kept = m_kept->Find(block);
    if (!kept) {
        const u32 start = block == 0 ? 0 : (m_table[block - 1] & END_MASK);
        m_inputNext = static_cast<u64>(m_dataOffset) + start;
        m_inputEnd = static_cast<u64>(m_dataOffset) + (m_table[block] & END_MASK);
        std::shared_ptr<u8[]> bytes(new (std::nothrow) u8[m_blockSize]);
        // Only a block that decodes whole is kept: a damaged one is tried afresh each time.
        if (!bytes || !RestartDecoder(m_blockSize, m_blockSize) || !DecodeWhole(bytes.get(), m_blockSize))
            return false;
        kept = std::move(bytes);
        m_kept->Keep(block, kept);
    }
    m_decoded = std::move(kept);
    m_decodedBlock = block;
    return true;
}

s32 CompressedFile::Read(void* buffer, u32 count)
{
    if (!m_table || m_position >= m_totalSize)
        return 0;
    u32 remaining = std::min(count, m_totalSize - m_position);
    remaining = std::min<u32>(remaining, 0x7FFFFFFFu);
    u8* out = static_cast<u8*>(buffer);
    u32 delivered = 0;
    while (remaining > 0) {
        u32 block = m_position / m_blockSize;
        u32 offset = m_position % m_blockSize;
        if (block != m_currentBlock || m_blockFailed) {
            if (!SelectBlock(block))
                break;
        }
        u32 chunk = std::min(m_blockSize - offset, remaining);
        u32 got = m_coded ? CopyDecoded(offset, out, chunk) : ReadRaw(offset, out, chunk);
        delivered += got;
        m_position += got;
        out += got;
        remaining -= got;
        if (got < chunk) {
            // Damaged block: deliver what came before it, and start the block afresh next time.
            NoteFailure();
            break;
        }
    }
    return static_cast<s32>(delivered);
}

bool CompressedFile::Seek(int offset, int whence)
{
    s64 target;
    switch (whence) {
    case FROM_START: target = offset; break;
    case FROM_CURRENT: target = static_cast<s64>(m_position) + offset; break;
    case FROM_END: target = static_cast<s64>(m_totalSize) + offset; break;
    default: target = m_position; break;
    }
    target = std::max<s64>(0, std::min<s64>(target, m_totalSize));
    m_position = static_cast<u32>(target);
    return true;
}

void CompressedFile::SeekTo(u32 position)
{
    m_position = std::min(position, m_totalSize);
}

} // namespace Vorn
