// An Ogg Vorbis stream decoded while it plays, by the integer Vorbis decoder, from an engine file
// (streaming from an archive, or a memory copy of the whole file).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/SmartPtr.h"
#include "sound/AudioSource.h"
#include "vfs/File.h"

struct OggVorbis_File;

namespace Vorn {

class AudioOgg : public AudioSource {
public:
    // A source decoding file, which it keeps. Null when file is null, is not Ogg Vorbis, holds a
    // stream of other than one or two channels, or one whose first audio does not decode (a
    // damaged setup header, on which the decoder's seeking would fault). Count 0.
    static AudioOgg* Open(const SmartPtr<File>& file);
    // Checks an Ogg stream held whole in memory without decoding it, by the pages it holds. The
    // pages start at 0 or after an ID3v2 tag and follow one another, each inside the data with a
    // CRC that matches. Each stream (by serial number) starts with a page flagged as its first
    // and numbers its pages in turn, also after one flagged as its last (some programs write
    // pages there); a first page while its stream is open, or after the other pages of its link
    // have begun, is damage. A chain's next link begins once every stream has ended. Bytes after
    // the last page carry no check once every stream has ended (a tag, padding); but a start
    // that is a damaged page's (most of "OggS" and version 0 there, wiped, a CRC that matches once
    // they are put right, or bytes before an intact page) is damage, and so are pages that stop
    // and start again. A stream need not end with an end-of-stream page (a cut between pages),
    // and data holding no intact page passes (an empty file; other data that holds "OggS" by
    // chance): any file a program wrote passes, while damage of any size to the pages fails. On
    // failure, why says what is wrong. Linear in size, on any data, whatever its serial numbers.
    // Stricter than the decoder, which skips damaged pages and does not miss every lost page (a
    // sound's first audio page), so that a raw copy is known whole.
    static bool CheckPages(const u8* data, size_t size, std::string& why);
    ~AudioOgg() override;

    // Decodes until bytes are delivered or the stream ends. A hole in the data (lost pages) is
    // skipped a bounded number of times in a row; any other decoder error ends the read with what
    // was decoded, as does a chained stream whose next link changes the channel count or rate.
    // Holes, decoder errors and a file the decoder cannot open are told to the file as damage
    // (SeekableStream::ReportDamage), which an archive says once.
    u32 Read(void* buffer, u32 bytes) override;
    void Rewind() override;
    // 0 when the stream cannot tell its length (not seekable).
    u32 GetSize() override;
    void Seek(u32 position) override;
    u32 Tell() override;

    // The file as the decoder reads it: through a read-ahead buffer, unless it is a memory copy.
    struct Input;

private:
    AudioOgg();
    // Decodes one frame into m_partial and hands out its first bytes; for requests that end
    // inside a frame, which the decoder cannot fill.
    u32 ReadPartialFrame(u8* out, u32 bytes);
    u32 LeadBytes() const { return static_cast<u32>(m_lead.size()) - m_leadOffset; }
    // One decoder read into out; 0 at the end, negative for an error.
    long Decode(u8* out, u32 bytes);
    void ResetReadState();

    std::unique_ptr<Input> m_input;
    OggVorbis_File* m_decoder;
    bool m_formatChanged;  // the stream went on in another format: nothing more to hand out
    std::vector<u8> m_lead; // audio decoded while opening, handed out first
    u32 m_leadOffset;
    u8 m_partial[4];
    u32 m_partialBytes;    // bytes of the last decoded frame not yet handed out
    u32 m_partialOffset;
};

} // namespace Vorn
