// Writes the engine's block-compressed container: a 17-byte header (data offset, block size, table
// size, LZMA properties), a block table, and the content cut into fixed-size blocks, each stored
// either LZMA-coded or raw. The engine reads it back with Vorn::CompressedFile.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace VornTools {

class BlockFileWriter {
public:
    static const uint32_t HEADER_SIZE = 17;
    static const uint32_t DEFAULT_BLOCK_SIZE = 64 * 1024;
    static const uint32_t MIN_BLOCK_SIZE = 1024;
    // The engine refuses larger blocks: its decoder's dictionary is sized by the block.
    static const uint32_t MAX_BLOCK_SIZE = 16 * 1024 * 1024;
    static const int DEFAULT_LEVEL = 6;

    // How blocks (and the table) are stored. AUTO codes a block only when that saves at least a
    // thirty-second of it: raw blocks cost nothing to read, so a marginal gain is not worth it.
    enum StoreMode { STORE_AUTO, STORE_RAW, STORE_CODED };

    struct Options {
        uint32_t blockSize = DEFAULT_BLOCK_SIZE;
        int level = DEFAULT_LEVEL;      // LZMA preset, 0 to 9
        unsigned threads = 0;           // 0: up to four, as the machine allows
        StoreMode blocks = STORE_AUTO;
        StoreMode table = STORE_AUTO;
    };

    struct Stats {
        uint32_t blockCount = 0;
        uint32_t codedBlocks = 0;
        bool tableCoded = false;
        uint64_t contentSize = 0; // before padding to whole blocks
        uint64_t fileSize = 0;
    };

    // Checks the options; the message says what is wrong.
    static bool CheckOptions(const Options& options, std::string& error);

    // Encodes content into out (replacing what it held). The output depends only on the content,
    // the options and blockModes, never on the thread count. Block i is stored as blockModes[i]
    // says where the vector reaches, and as options.blocks says past its end. False with a message
    // when the content does not fit the format (a logical size of 4 GiB or more, or 2 GiB of
    // stored blocks).
    static bool Encode(const uint8_t* content, size_t size, const Options& options,
                       std::vector<uint8_t>& out, std::string& error, Stats* stats = nullptr,
                       const std::vector<StoreMode>* blockModes = nullptr);

    // The five LZMA property bytes for the given block size.
    static void GetProperties(uint32_t blockSize, uint8_t properties[5]);
};

} // namespace VornTools
