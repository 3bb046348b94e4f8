#include "system/Thread.h"

#include <algorithm>
#include <climits>

namespace Vorn {

bool ThreadRecord::Start(void* (*entry)(void*), void* argument, size_t stackSize)
{
    if (m_started)
        return false;
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0)
        return false;
    if (stackSize > 0)
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

} // namespace Vorn
