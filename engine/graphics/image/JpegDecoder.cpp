#include "graphics/image/JpegDecoder.h"

#include <cstring>

#include <jerror.h>

#include "graphics/image/ImageLoader.h"

namespace Vorn {

namespace {

[[noreturn]] void Fail(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<JpegDecoder::ErrorManager*>(info->err)->jump, 1);
}

void OnError(j_common_ptr info)
{
    Fail(info);
}

// Messages are never printed. A warning that the data ended early means the file is truncated:
// libjpeg would fill the rest with grey, but the image is damaged, so it fails.
void OnMessage(j_common_ptr info, int level)
{
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF)
        Fail(info);
}

void OnOutput(j_common_ptr)
{
}

void OnProgress(j_common_ptr info)
{
    if (info->is_decompressor &&
        reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > JpegDecoder::MAX_SCANS)
        Fail(info);
}

// The guarded calls: one return point each, no C++ objects in their frames.
bool GuardedCreate(j_decompress_ptr info, JpegDecoder::ErrorManager* error)
{
    if (setjmp(error->jump))
        return false;
    jpeg_create_decompress(info);
    return true;
}

bool GuardedReadHeader(j_decompress_ptr info, JpegDecoder::ErrorManager* error, const u8* data, size_t size)
{
    if (setjmp(error->jump))
        return false;
    jpeg_mem_src(info, data, static_cast<unsigned long>(size));
    return jpeg_read_header(info, TRUE) == JPEG_HEADER_OK;
}

bool GuardedStart(j_decompress_ptr info, JpegDecoder::ErrorManager* error)
{
    if (setjmp(error->jump))
        return false;
    return jpeg_start_decompress(info) == TRUE;
}

bool GuardedReadRow(j_decompress_ptr info, JpegDecoder::ErrorManager* error, u8* row)
{
    if (setjmp(error->jump))
        return false;
    JSAMPROW rows[1] = {row};
    return jpeg_read_scanlines(info, rows, 1) == 1;
}

bool GuardedFinish(j_decompress_ptr info, JpegDecoder::ErrorManager* error)
{
    if (setjmp(error->jump))
        return false;
    jpeg_finish_decompress(info);
    return true;
}

}  // namespace

JpegDecoder::JpegDecoder() : m_created(false), m_started(false), m_failed(false)
{
    std::memset(&m_info, 0, sizeof m_info);
    std::memset(&m_progress, 0, sizeof m_progress);
    m_info.err = jpeg_std_error(&m_error.pub);
    m_error.pub.error_exit = &OnError;
    m_error.pub.emit_message = &OnMessage;
    m_error.pub.output_message = &OnOutput;
    m_created = GuardedCreate(&m_info, &m_error);
    m_progress.progress_monitor = &OnProgress;
    if (m_created)
        m_info.progress = &m_progress;
}

JpegDecoder::~JpegDecoder()
{
    if (!m_created)
        return;
    if (m_started && !m_failed && m_info.output_scanline >= m_info.output_height)
        GuardedFinish(&m_info, &m_error);
    else
        jpeg_abort_decompress(&m_info);
    jpeg_destroy_decompress(&m_info);
}

bool JpegDecoder::Start(SeekableStream* stream)
{
    if (!m_created || m_started || m_failed || !stream)
        return false;
    m_failed = true;

    // The stream's size is only a hint for a first, bounded reservation: what counts is what the
    // reads deliver.
    const u32 claimed = stream->GetSize();
    m_file.reserve(claimed < FIRST_RESERVATION ? claimed : FIRST_RESERVATION);
    const u32 CHUNK = 1u << 16;
    for (;;) {
        const size_t at = m_file.size();
        if (at >= MAX_FILE_SIZE)
            return false;
        m_file.resize(at + CHUNK);
        const s32 got = stream->Read(m_file.data() + at, CHUNK);
        if (got <= 0 || static_cast<u32>(got) > CHUNK) {
            m_file.resize(at);
            break;
        }
        m_file.resize(at + static_cast<size_t>(got));
    }
    if (m_file.empty() || !GuardedReadHeader(&m_info, &m_error, m_file.data(), m_file.size()))
        return false;
    if (!ImageLoader::IsSizeAllowed(m_info.image_width, m_info.image_height))
        return false;
    switch (m_info.jpeg_color_space) {
    case JCS_GRAYSCALE:
        m_info.out_color_space = JCS_GRAYSCALE;
        break;
    case JCS_YCbCr:
    case JCS_RGB:
        m_info.out_color_space = JCS_EXT_BGR;
        break;
    default:
        return false;  // four components cannot go into three-byte rows
    }
    if (!GuardedStart(&m_info, &m_error))
        return false;
    m_started = true;
    const int expected = m_info.out_color_space == JCS_GRAYSCALE ? 1 : 3;
    if (m_info.output_components != expected ||
        !ImageLoader::IsSizeAllowed(m_info.output_width, m_info.output_height))
        return false;
    m_failed = false;
    return true;
}

bool JpegDecoder::ReadRow(u8* row)
{
    if (!m_started || m_failed || m_info.output_scanline >= m_info.output_height)
        return false;
    if (!GuardedReadRow(&m_info, &m_error, row)) {
        m_failed = true;
        return false;
    }
    return true;
}

}  // namespace Vorn
