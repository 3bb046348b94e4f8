#include "network/Network.h"

#include <algorithm>
#include <climits>

namespace Vorn {

std::atomic<bool> g_netAccess(false);
SmartPtr<Network> Network::s_instance;
int Network::s_startCount = 0;

bool ThreadRecord::Start(void* (*entry)(void*), void* argument, size_t stackSize)
{
    if (m_started)
        return false;
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0)
        return false;
    pthread_attr_setstacksize(&attributes, std::max<size_t>(stackSize, PTHREAD_STACK_MIN));
    m_started = pthread_create(&m_thread, &attributes, entry, argument) == 0;
    m_joined = false;
    pthread_attr_destroy(&attributes);
    return m_started;
}

void ThreadRecord::Join()
{
    if (!m_started || m_joined)
        return;
    pthread_join(m_thread, nullptr);
    m_joined = true;
}

void ThreadRecord::Detach()
{
    if (!m_started || m_joined)
        return;
    pthread_detach(m_thread);
    m_joined = true;
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
