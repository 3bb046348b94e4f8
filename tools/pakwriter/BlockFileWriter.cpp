#include "BlockFileWriter.h"

#include <lzma.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>

namespace VornTools {

namespace {

const uint32_t CODED_BIT = 0x80000000u;
const uint64_t MAX_STORED_END = 0x7FFFFFFFu;
const unsigned MAX_AUTO_THREADS = 4;

void PutU32(uint8_t* at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t DictionarySize(uint32_t blockSize)
{
    // A block is decoded from a fresh decoder, so nothing older than the block itself is ever
    // referenced: a dictionary the size of a block is all any stream can use.
    uint32_t size = LZMA_DICT_SIZE_MIN;
    while (size < blockSize)
        size <<= 1;
    return size;
}

bool MakeOptions(const BlockFileWriter::Options& options, lzma_options_lzma& lzma)
{
    if (lzma_lzma_preset(&lzma, static_cast<uint32_t>(options.level)))
        return false;
    lzma.dict_size = DictionarySize(options.blockSize);
    lzma.ext_flags = 0; // no end marker: the reader knows every stream's length
    return true;
}

// One LZMA stream without header or end marker. The encoder is kept in stream between calls so
// that its tables are allocated once per thread.
bool Compress(lzma_stream& stream, const lzma_options_lzma& options, const uint8_t* in, size_t size,
              std::vector<uint8_t>& out)
{
    lzma_options_lzma copy = options;
    lzma_filter filters[2] = {{LZMA_FILTER_LZMA1EXT, &copy}, {LZMA_VLI_UNKNOWN, nullptr}};
    if (lzma_raw_encoder(&stream, filters) != LZMA_OK)
        return false;
    out.resize(size + size / 8 + 256);
    stream.next_in = in;
    stream.avail_in = size;
    stream.next_out = out.data();
    stream.avail_out = out.size();
    for (;;) {
        lzma_ret ret = lzma_code(&stream, LZMA_FINISH);
        if (ret == LZMA_STREAM_END)
            break;
        if (ret != LZMA_OK)
            return false;
        if (stream.avail_out == 0) {
            size_t used = out.size();
            out.resize(used * 2);
            stream.next_out = out.data() + used;
            stream.avail_out = out.size() - used;
        }
    }
    out.resize(static_cast<size_t>(stream.next_out - out.data()));
    return true;
}

bool Pays(size_t codedSize, size_t rawSize, BlockFileWriter::StoreMode mode)
{
    if (mode == BlockFileWriter::STORE_CODED)
        return true;
    if (mode == BlockFileWriter::STORE_RAW)
        return false;
    return codedSize < rawSize - rawSize / 32;
}

// Block index of the content, padded with zeros to the full block size (in scratch when the
// content ends inside it).
const uint8_t* BlockBytes(const uint8_t* content, size_t size, uint64_t blockSize, uint64_t index,
                          std::vector<uint8_t>& scratch)
{
    const uint64_t start = index * blockSize;
    if (start + blockSize <= size)
        return content + start;
    scratch.assign(blockSize, 0);
    if (start < size)
        std::memcpy(scratch.data(), content + start, size - start);
    return scratch.data();
}

// The coded form of every block that is to be coded and gains by it (isCoded), on up to
// options.threads threads; blocks run in any order, each with its own result slot.
bool CompressBlocks(const uint8_t* content, size_t size, uint64_t blockCount,
                    const BlockFileWriter::Options& options, const lzma_options_lzma& lzma,
                    const std::vector<BlockFileWriter::StoreMode>* blockModes,
                    std::vector<std::vector<uint8_t>>& coded, std::vector<uint8_t>& isCoded)
{
    const uint64_t blockSize = options.blockSize;
    coded.assign(blockCount, std::vector<uint8_t>());
    isCoded.assign(blockCount, 0);
    std::atomic<uint64_t> next(0);
    std::atomic<bool> failed(false);
    auto worker = [&]() {
        lzma_stream stream = LZMA_STREAM_INIT;
        std::vector<uint8_t> scratch;
        for (uint64_t i = next++; i < blockCount && !failed; i = next++) {
            const BlockFileWriter::StoreMode mode =
                blockModes && i < blockModes->size() ? (*blockModes)[i] : options.blocks;
            if (mode == BlockFileWriter::STORE_RAW)
                continue;
            const uint8_t* block = BlockBytes(content, size, blockSize, i, scratch);
            if (!Compress(stream, lzma, block, blockSize, coded[i])) {
                failed = true;
                break;
            }
            if (Pays(coded[i].size(), blockSize, mode))
                isCoded[i] = 1;
            else
                std::vector<uint8_t>().swap(coded[i]);
        }
        lzma_end(&stream);
    };
    unsigned threads = options.threads;
    if (threads == 0)
        threads = std::max(1u, std::min(MAX_AUTO_THREADS, std::thread::hardware_concurrency()));
    threads = static_cast<unsigned>(std::min<uint64_t>(threads, blockCount));
    if (threads <= 1) {
        worker();
    } else {
        std::vector<std::thread> pool;
        for (unsigned t = 0; t < threads; ++t)
            pool.emplace_back(worker);
        for (std::thread& t : pool)
            t.join();
    }
    return !failed;
}

// The block table: each block's stored end, with the coded bit; end is where the last one ends.
bool BuildTable(const std::vector<std::vector<uint8_t>>& coded, const std::vector<uint8_t>& isCoded,
                uint64_t blockSize, std::vector<uint8_t>& table, uint64_t& end, std::string& error)
{
    table.assign(isCoded.size() * 4, 0);
    end = 0;
    for (size_t i = 0; i < isCoded.size(); ++i) {
        end += isCoded[i] ? coded[i].size() : blockSize;
        if (end > MAX_STORED_END) {
            error = "stored blocks too large for one archive (2 GiB at most)";
            return false;
        }
        PutU32(table.data() + 4 * i, static_cast<uint32_t>(end) | (isCoded[i] ? CODED_BIT : 0));
    }
    if (table.size() > 0x7FFFFFFFu) {
        error = "block table too large";
        return false;
    }
    return true;
}

// The table as it is stored: coded when the options ask for it or, left to choose, when that is
// smaller.
bool StoreTable(const std::vector<uint8_t>& table, const BlockFileWriter::Options& options,
                const lzma_options_lzma& lzma, std::vector<uint8_t>& stored, bool& tableCoded,
                std::string& error)
{
    tableCoded = false;
    stored = table;
    if (options.table == BlockFileWriter::STORE_RAW)
        return true;
    std::vector<uint8_t> codedTable;
    lzma_stream stream = LZMA_STREAM_INIT;
    const bool ok = Compress(stream, lzma, table.data(), table.size(), codedTable);
    lzma_end(&stream);
    if (!ok) {
        error = "the LZMA encoder failed";
        return false;
    }
    tableCoded = options.table == BlockFileWriter::STORE_CODED || codedTable.size() < table.size();
    if (tableCoded)
        stored = std::move(codedTable);
    return true;
}

} // namespace


bool BlockFileWriter::CheckOptions(const Options& options, std::string& error)
{
    if (options.blockSize < MIN_BLOCK_SIZE || options.blockSize > MAX_BLOCK_SIZE) {
        error = "block size must be between " + std::to_string(MIN_BLOCK_SIZE) + " and " +
                std::to_string(MAX_BLOCK_SIZE) + " bytes";
        return false;
    }
    if (options.level < 0 || options.level > 9) {
        error = "compression level must be between 0 and 9";
        return false;
    }
    return true;
}

void BlockFileWriter::GetProperties(uint32_t blockSize, uint8_t properties[5])
{
    lzma_options_lzma lzma;
    Options options;
    options.blockSize = blockSize;
    MakeOptions(options, lzma);
    properties[0] = static_cast<uint8_t>((lzma.pb * 5 + lzma.lp) * 9 + lzma.lc);
    PutU32(properties + 1, lzma.dict_size);
}

bool BlockFileWriter::Encode(const uint8_t* content, size_t size, const Options& options,
                             std::vector<uint8_t>& out, std::string& error, Stats* stats,
                             const std::vector<StoreMode>* blockModes)
{
    if (!CheckOptions(options, error))
        return false;
    lzma_options_lzma lzma;
    if (!MakeOptions(options, lzma)) {
        error = "the LZMA encoder refused its options";
        return false;
    }

    const uint64_t blockSize = options.blockSize;
    // Empty content still needs one block: the reader refuses an empty table.
    const uint64_t blockCount = std::max<uint64_t>(1, (size + blockSize - 1) / blockSize);
    if (blockCount * blockSize > 0xFFFFFFFFu) {
        error = "content too large for one archive (4 GiB at most)";
        return false;
    }
    std::vector<std::vector<uint8_t>> coded;
    std::vector<uint8_t> isCoded;
    if (!CompressBlocks(content, size, blockCount, options, lzma, blockModes, coded, isCoded)) {
        error = "the LZMA encoder failed";
        return false;
    }
    std::vector<uint8_t> table, storedTable;
    uint64_t end = 0;
    bool tableCoded = false;
    if (!BuildTable(coded, isCoded, blockSize, table, end, error) ||
        !StoreTable(table, options, lzma, storedTable, tableCoded, error))
        return false;
    const uint64_t dataOffset = HEADER_SIZE + storedTable.size();
    if (dataOffset + end > 0xFFFFFFFFu) {
        error = "archive too large";
        return false;
    }

    out.clear();
    out.reserve(static_cast<size_t>(dataOffset + end));
    out.resize(HEADER_SIZE);
    PutU32(out.data(), static_cast<uint32_t>(dataOffset));
    PutU32(out.data() + 4, options.blockSize);
    int32_t tableBytes = static_cast<int32_t>(table.size());
    PutU32(out.data() + 8, static_cast<uint32_t>(tableCoded ? tableBytes : -tableBytes));
    GetProperties(options.blockSize, out.data() + 12);
    out.insert(out.end(), storedTable.begin(), storedTable.end());
    std::vector<uint8_t> scratch;
    for (uint64_t i = 0; i < blockCount; ++i) {
        if (isCoded[i]) {
            out.insert(out.end(), coded[i].begin(), coded[i].end());
        } else {
            const uint8_t* block = BlockBytes(content, size, blockSize, i, scratch);
            out.insert(out.end(), block, block + blockSize);
        }
    }
    if (stats) {
        stats->blockCount = static_cast<uint32_t>(blockCount);
        stats->codedBlocks = static_cast<uint32_t>(std::count(isCoded.begin(), isCoded.end(), 1));
        stats->tableCoded = tableCoded;
        stats->contentSize = size;
        stats->fileSize = out.size();
    }
    return true;
}

} // namespace VornTools
