// A read-only file stored in fixed-size blocks, each raw or LZMA-coded, with a block table for
// random access. It carries the pak archives.
//
// Layout (little-endian): u32 dataOffset, u32 blockSize, i32 tableBytes (negative: the table is
// stored raw, -tableBytes long; otherwise LZMA-coded, decoding to tableBytes), the 5 LZMA property
// bytes, the table from offset 17, the blocks from dataOffset. Table entry i holds in bits 0-30 the
// end of block i's stored bytes relative to dataOffset, and in bit 31 whether it is coded. Every
// block yields blockSize bytes; a coded block is one LZMA stream of its own. The format carries no
// checksum: a coded block is decoded whole before any of it is delivered, and one the decoder
// refuses, or that does not end exactly at its stored end with blockSize bytes, is refused.
//
// Coded blocks decoded last are kept (DecodedBlocks), for this file and the siblings opened on it,
// so that reads coming back to a block do not decode it again. Small reads of stored blocks go
// through a buffer, so that a reader taking a few bytes at a time (a picture decoder's chunk
// headers and checksums) does not cost a read of the file each.
#pragma once

#include <lzma.h>

#include <memory>
#include <string>

#include "vfs/DecodedBlocks.h"
#include "vfs/playbook/PlaybookFile.h"

namespace Vorn {

class CompressedFile : public PlaybookFile {
public:
    static const u32 HEADER_SIZE = 17;
    static const u32 INPUT_BUFFER_SIZE = 4096;
    // Reads of stored blocks smaller than this are served from a buffer of this size.
    static const u32 STORED_BUFFER_SIZE = 16 * 1024;
    // A coded block's decoder needs a dictionary as large as the block; larger blocks are refused
    // rather than letting a header make us allocate whatever it claims.
    static const u32 MAX_BLOCK_SIZE = 16 * 1024 * 1024;

    CompressedFile();
    ~CompressedFile() override;

    s32 Read(void* buffer, u32 count) override;
    u32 Write(const void*, u32) override { return 0; }
    // Clamps the target to [0, size]; always true.
    bool Seek(int offset, int whence) override;
    u32 Tell() override { return m_position; }
    u32 GetSize() override { return m_totalSize; }
    // Opens a file of the install area. False for a missing file or a damaged header or table; the
    // object then holds no table and a size of 0, so reads deliver nothing.
    bool Open(const char* path) override;
    // The same for a path taken as it stands.
    bool OpenNative(const char* path);
    // A second stream on the file mounted has open: its descriptor duplicated and its table
    // copied, so that both read the file that was opened even once its path leads elsewhere (an
    // archive replaced by rename while mounted); the two share the blocks they keep decoded. False
    // when mounted is not open.
    bool OpenSibling(const CompressedFile& mounted);
    bool Close() override;

    // Why the last open failed: the error of opening the file (errno), 0 when the file opened but
    // its header or block table was refused.
    int GetOpenError() const { return m_openError; }
    // Why the last read delivered less than it was asked for while the content had the bytes: the
    // block that failed and how ("block 3 does not decode"); empty when no read has failed.
    std::string DescribeFailure() const;

    // Positions within the whole logical size (Seek's int offset reaches only 2 GiB).
    void SeekTo(u32 position);

    u32 GetBlockSize() const { return m_blockSize; }
    u32 GetBlockCount() const { return m_blockCount; }
    // Where block i is stored: its first byte in the file, its stored length, and whether it is
    // LZMA-coded (else raw). False past the last block.
    bool GetBlockStorage(u32 block, u64& fileOffset, u32& storedSize, bool& coded) const;

private:
    static const u32 NO_BLOCK = 0xFFFFFFFFu;

    bool ReadHeader();
    void DropTables();
    // A decoder for one stream that must yield exactly outputSize bytes.
    bool RestartDecoder(u32 dictionaryNeed, u32 outputSize);
    bool SelectBlock(u32 block);
    // The current coded block, kept by this file or its siblings, else decoded and kept.
    bool TakeDecoded(u32 block);
    // Raw and coded bytes of the current block from its offset; both return the bytes delivered.
    u32 ReadRaw(u32 offset, u8* out, u32 count);
    // Bytes of the file from an absolute offset, a small count through m_stored.
    u32 ReadStored(u64 offset, u8* out, u32 count);
    // The whole current stream into out: true only when it yields count bytes, ends there and
    // uses up its stored bytes.
    bool DecodeWhole(u8* out, u32 count);
    u32 CopyDecoded(u32 offset, u8* out, u32 count);
    // Fetches the next input bytes of the current stream; false when it has no more.
    bool FillInput();
    // Bytes of the underlying file at an absolute offset; the count delivered. An error of the
    // file is kept in m_readError.
    u32 ReadFile(u64 offset, void* buffer, u32 count);
    // Notes that the current block failed, and how, for DescribeFailure.
    void NoteFailure();

    lzma_stream m_stream;
    lzma_options_lzma m_options;
    bool m_decoderReady;
    u8 m_input[INPUT_BUFFER_SIZE];

    u32 m_totalSize;
    u32 m_position;
    DecodedBlocks::Bytes m_decoded;  // the coded block decoded last, whole
    u32 m_decodedBlock;
    std::shared_ptr<DecodedBlocks> m_kept;  // shared with the siblings
    std::unique_ptr<u8[]> m_stored;  // bytes of the file from m_storedStart, made on first use
    u64 m_storedStart;
    u32 m_storedCount;
    u32 m_currentBlock;
    bool m_blockFailed;    // the current block's data ran short or did not decode
    bool m_coded;
    u32 m_dataOffset;
    u32 m_blockSize;
    u32 m_blockCount;
    std::unique_ptr<u32[]> m_table;

    u64 m_fileSize;
    u64 m_inputNext;       // next stored byte of the current stream
    u64 m_inputEnd;        // end of the current stream's stored bytes

    int m_openError;
    int m_readError;       // errno of the last failed read of the file since the block was chosen
    enum Failure { FAILED_NONE, FAILED_READ, FAILED_DECODE, FAILED_SHORT };
    Failure m_failure;
    u32 m_failedBlock;
};

} // namespace Vorn
