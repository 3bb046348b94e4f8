#include "network/Network.h"

namespace Vorn {

std::atomic<bool> g_netAccess(false);
SmartPtr<Network> Network::s_instance;
int Network::s_startCount = 0;

bool StreamSocket::WriteAll(const void* buffer, u32 count)
{
    const u8* bytes = static_cast<const u8*>(buffer);
    while (count > 0) {
        // A piece that moves nothing within the timeout (or fails) ends the write.
        const u32 sent = Write(bytes, count);
        if (sent == 0 || sent > count)
            return false;
        bytes += sent;
        count -= sent;
    }
    return true;
}

bool StreamSocket::WriteString(const NarrowString& text)
{
    if (text.size() > 0xFFFFFFFFu)
        return false;
    return WriteAll(text.data(), static_cast<u32>(text.size()));
}

void Network::Init()
{
    if (s_startCount == 0)
        s_instance = CreatePlatform();
    ++s_startCount;
}

void Network::Release()
{
    if (s_startCount == 0)
        return;
    if (--s_startCount == 0)
        s_instance = nullptr;
}

} // namespace Vorn
