// The engine's own lossy sound format: 16-bit PCM in blocks of 32 values, each block a raw start
// value per channel and then one code byte per further value (a shifted, signed step from the
// channel's previous value). The whole coded stream is held in memory and decoded as it plays.
#pragma once

#include <vector>

#include "base/SmartPtr.h"
#include "sound/AudioSource.h"
#include "vfs/File.h"

namespace Vorn {

class AudioRTAC : public AudioSource {
public:
    static constexpr u32 HEADER_BYTES = 16;
    // PCM bytes per block: 32 values.
    static constexpr u32 BLOCK_BYTES = 64;
    // The largest PCM size the source takes, from a file or an encoded source.
    static constexpr u32 MAX_PCM_BYTES = 0x7fffffc0u;

    // Reads the file at path whole. Null when it is missing or refused (see Load). Count 0.
    static AudioRTAC* Open(const NarrowString& path);
    // Reads an open file whole from its start; the file is not kept. Null when the header does not
    // give one or two channels, a sample rate and a PCM size of whole frames, or when the file is
    // shorter than the coded data of that size.
    static AudioRTAC* Load(File& file);
    // Encodes what source delivers up to its size (whole frames; less when it ends sooner); the
    // source is not kept. Each channel of a block is coded three ways, each value by the code
    // byte whose decoded value lies nearest it and by the format's plain rule on the difference
    // taken modulo 2^16 or at most the largest step, and the way leaving the least squared error
    // is kept: no block codes worse than under either plain rule.
    // Null when source is null, not mono or stereo, or gives no whole frame.
    static AudioRTAC* Encode(const SmartPtr<AudioSource>& source);

    // Coded bytes of n PCM bytes in channels channels.
    static u64 CodedSize(u64 pcmBytes, u32 channels);

    u32 Read(void* buffer, u32 bytes) override;
    void Rewind() override;
    u32 GetSize() override { return m_pcmSize; }
    // Positions past the end are clamped to the end.
    void Seek(u32 position) override;
    u32 Tell() override { return m_pcmPosition; }

    // The whole stream as a file holds it: header and coded data.
    std::vector<u8> Serialize() const;
    const std::vector<u8>& GetCodedData() const { return m_data; }

private:
    AudioRTAC(u32 channels, u32 sampleRate, u32 pcmSize);
    // The next value of the stream; the caller makes sure one is left.
    s16 DecodeValue();

    std::vector<u8> m_data;
    u32 m_pcmSize;
    u32 m_dataOffset;   // next byte of m_data to decode
    u32 m_pcmPosition;  // PCM bytes handed out
    u32 m_blockValue;   // values decoded in the current block; 0 before its raw values
    u32 m_blockValues;  // values in the current block
    u16 m_current[2];   // running value per channel
    bool m_halfPending; // a read ended inside a value: its high byte comes next
    u8 m_pendingByte;
};

} // namespace Vorn
