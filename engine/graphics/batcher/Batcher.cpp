#include "graphics/batcher/Batcher.h"

namespace Vorn {

SmartPtr<Batcher> g_batcher;

float Batcher::s_scale = 1.0f;
float Batcher::s_inverseScale = 1.0f;

Batcher::Batcher() : m_mode(0), m_modeCounter(0), m_recordsTaken(0), m_recordsHandedOut(0) {}

Batcher::~Batcher() {}

bool Batcher::SetScale(float)
{
    return false;
}

void Batcher::SetMode(u8 m)
{
    if (m == m_mode)
        return;
    Flush();
    m_mode = m;
    if (m != 0)
        m_modeCounter = 0;
}

std::vector<Batcher::Record> Batcher::TakeRecords()
{
    std::vector<Record> taken;
    taken.swap(m_records);
    m_recordsTaken = 1;
    m_recordsHandedOut = static_cast<u32>(taken.size());
    return taken;
}

}  // namespace Vorn
