#include "ContentCheck.h"

#include <strings.h>

#include <cstring>

#include "base/ByteReader.h"
#include "graphics/image/PngImageLoader.h"
#include "sound/AudioOgg.h"

namespace {

typedef bool (*Check)(const Vorn::u8* data, size_t size, std::string& why);

// The formats that carry checksums of their own, by every ending their files go by and by their
// signature. Each check passes data that holds nothing of its format.
struct CheckedFormat {
    const char* endings[8];
    const char* signature;
    size_t signatureSize;
    Check check;
};

const CheckedFormat CHECKED_FORMATS[] = {
    {{".png", ".apng"}, "\x89PNG\r\n\x1a\n", 8, &Vorn::PngImageLoader::CheckChunks},
    {{".mng"}, "\x8aMNG\r\n\x1a\n", 8, &Vorn::PngImageLoader::CheckChunks},
    {{".jng"}, "\x8bJNG\r\n\x1a\n", 8, &Vorn::PngImageLoader::CheckChunks},
    {{".ogg", ".oga", ".ogv", ".ogx", ".ogm", ".opus", ".spx"}, "OggS", 4, &Vorn::AudioOgg::CheckPages},
};

bool EndsWithNoCase(const std::string& text, const char* ending)
{
    const size_t n = std::strlen(ending);
    return text.size() >= n && strcasecmp(text.c_str() + text.size() - n, ending) == 0;
}

bool NamedAs(const std::string& name, const CheckedFormat& format)
{
    for (const char* ending : format.endings) {
        if (ending && EndsWithNoCase(name, ending))
            return true;
    }
    return false;
}

} // namespace

bool VornPak::CheckContent(const std::string& name, const Vorn::u8* data, size_t size, std::string& why)
{
    const Vorn::ByteReader reader(data, size);
    Check done = nullptr;
    for (const CheckedFormat& format : CHECKED_FORMATS) {
        if (format.check != done &&
            (NamedAs(name, format) || reader.DifferencesAt(0, format.signature, format.signatureSize) <= 1)) {
            if (!format.check(data, size, why))
                return false;
            done = format.check;
        }
    }
    return true;
}
