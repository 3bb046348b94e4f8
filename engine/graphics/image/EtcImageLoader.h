// ETC1 images in a PVR container (version 2 pixel type 0x36, version 3 pixel format 6). Only the
// top image is read; the blocks stay compressed on a GPU with ETC1 and are decoded to PF_RGB888
// otherwise.
#pragma once

#include "graphics/image/ImageLoader.h"

namespace Vorn {

class EtcImageLoader final : public ImageLoader {
public:
    EtcImageLoader();

    static bool CanLoad(SeekableStream* stream);

    // Null for other PVR contents, sizes beyond the texture limit, a version 2 data size smaller
    // than the top image and truncated files.
    Surface* Load() override;

private:
    bool ReadEtcHeader();

    u32 m_width;
    u32 m_height;
    u32 m_dataSize;
};

}  // namespace Vorn
