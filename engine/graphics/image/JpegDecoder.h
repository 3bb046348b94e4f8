// One libjpeg decompression over a whole file held in memory, shared by the JPEG and JPGA loaders.
//
// libjpeg's default error handler ends the process; here every libjpeg call runs under a return
// point, and an error, a truncated file or an absurd number of scans turns into a false result.
#pragma once

#include <csetjmp>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

#include "base/SeekableStream.h"
#include "system/Types.h"

namespace Vorn {

class JpegDecoder {
public:
    JpegDecoder();
    // Finishes a decompression whose rows were all read, abandons any other, then frees libjpeg's
    // state.
    ~JpegDecoder();

    JpegDecoder(const JpegDecoder&) = delete;
    JpegDecoder& operator=(const JpegDecoder&) = delete;

    // Reads the rest of the stream into memory and starts decoding. Colour images (YCbCr or RGB)
    // come out as three bytes B, G, R per pixel, greyscale images as one byte. False for damaged
    // data, for colour spaces with four components (CMYK, YCCK) and for sizes beyond the image
    // size limit.
    bool Start(SeekableStream* stream);

    int GetWidth() const { return static_cast<int>(m_info.output_width); }
    int GetHeight() const { return static_cast<int>(m_info.output_height); }
    // 1 or 3 once started.
    int GetComponents() const { return m_info.output_components; }

    // Decodes the next row into row (width x components bytes); false once the data is found
    // damaged or every row has been read.
    bool ReadRow(u8* row);

    // libjpeg's error manager with the return point of the current guarded call.
    struct ErrorManager {
        jpeg_error_mgr pub;
        std::jmp_buf jump;
    };

    // Files larger than this are not read.
    static constexpr u32 MAX_FILE_SIZE = 256u << 20;
    static constexpr u32 FIRST_RESERVATION = 4u << 20;
    // A progressive file needs a handful of scans; thousands of tiny ones only burn time.
    static constexpr int MAX_SCANS = 1000;

private:
    jpeg_decompress_struct m_info;
    ErrorManager m_error;
    jpeg_progress_mgr m_progress;
    std::vector<u8> m_file;
    bool m_created;
    bool m_started;
    bool m_failed;
};

}  // namespace Vorn
