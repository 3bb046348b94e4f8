// The PCM data of a RIFF/WAVE file, streamed straight from the engine file as it plays.
#pragma once

#include "base/SmartPtr.h"
#include "sound/AudioSource.h"
#include "vfs/File.h"

namespace Vorn {

class AudioWave : public AudioSource {
public:
    // The fields of the format chunk that playback needs.
    struct Header {
        u16 formatTag = 0;  // 1, or 0xFFFE (extensible) with the integer PCM subformat
        u16 channels = 0;
        u32 sampleRate = 0;
        u16 bitsPerSample = 0;  // of the file's samples: 8 (unsigned) or 16 (signed)
    };

    // Opens path through the file system. Null when the file is missing or refused (ReadHeader).
    // Count 0.
    static AudioWave* Open(const NarrowString& path);
    // The same over a file that is already open; the source keeps it.
    static AudioWave* Open(const SmartPtr<File>& file);

    // Walks the RIFF chunks after the 12-byte file header (each odd-sized chunk followed by its pad
    // byte, whatever it holds; when that walk finds no data, as for a file whose writer left the pads
    // out, only pad bytes that are 0 are skipped) to the format chunk and then to the data chunk
    // (their ids in any case), leaving the file at the first byte of the data. Returns the data
    // chunk's size in the file, cut to what the file holds and to whole frames, or 0 when the file is
    // refused: not integer PCM (plain or extensible), not mono or stereo, not 8 or 16 bits, no sample
    // rate, or no whole frame of data inside the file. When no chunk is named as the format, the first
    // chunk is read as it.
    static u32 ReadHeader(File& file, Header& header);

    // Delivers what the file gives, at most the rest of the data chunk, always as signed 16-bit
    // samples: 8-bit files are widened ((b - 128) << 8), and their size and positions count the
    // widened bytes.
    u32 Read(void* buffer, u32 bytes) override;
    void Rewind() override;
    u32 GetSize() override { return m_dataSize; }
    // Positions past the end of the data are clamped to its end.
    void Seek(u32 position) override;
    u32 Tell() override { return m_position; }

    u32 GetDataStart() const { return m_dataStart; }

private:
    AudioWave(const SmartPtr<File>& file, u32 dataStart, u32 dataSize, bool eightBit);

    u32 ReadWidened(u8* out, u32 bytes);

    SmartPtr<File> m_file;
    u32 m_dataSize;
    u32 m_dataStart;
    u32 m_position;
    bool m_eightBit;
    // 8 bits: the high byte of the sample whose low byte the last read ended on.
    u8 m_pendingHigh;
};

} // namespace Vorn
