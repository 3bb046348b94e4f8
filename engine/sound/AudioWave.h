// The PCM data of a RIFF/WAVE file, streamed straight from the engine file as it plays.
#pragma once

#include "base/SmartPtr.h"
#include "sound/AudioSource.h"
#include "vfs/File.h"

namespace Vorn {

class AudioWave : public AudioSource {
public:
    // The fields of the first 36 bytes of the file that playback needs.
    struct Header {
        u32 formatChunkSize = 0;
        u16 formatTag = 0;
        u16 channels = 0;
        u32 sampleRate = 0;
        u16 bitsPerSample = 0;
    };

    // Opens path through the file system. Null when the file is missing or refused (ReadHeader).
    // Count 0.
    static AudioWave* Open(const NarrowString& path);
    // The same over a file that is already open; the source keeps it.
    static AudioWave* Open(const SmartPtr<File>& file);

    // Reads the header and walks the chunks after the format chunk to the data chunk (its id in any
    // case), leaving the file at the first PCM byte. Returns the data size, cut to what the file
    // holds, or 0 when the file is refused: shorter than the header, not integer PCM, not mono or
    // stereo, not 8 or 16 bits, no sample rate, or no data chunk inside the file. 8-bit data is
    // accepted and played as if its bytes were 16-bit samples.
    static u32 ReadHeader(File& file, Header& header);

    // Delivers what the file gives, at most the rest of the data chunk.
    u32 Read(void* buffer, u32 bytes) override;
    void Rewind() override;
    u32 GetSize() override { return m_dataSize; }
    // Positions past the end of the data are clamped to its end.
    void Seek(u32 position) override;
    u32 Tell() override { return m_position; }

    u32 GetDataStart() const { return m_dataStart; }

private:
    AudioWave(const SmartPtr<File>& file, u32 dataStart, u32 dataSize);

    SmartPtr<File> m_file;
    u32 m_dataSize;
    u32 m_dataStart;
    u32 m_position;
};

} // namespace Vorn
