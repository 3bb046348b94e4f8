#include "sound/mixer/Mixer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "application/AbstractApp.h"

namespace Vorn {

SmartPtr<Mixer> g_mixer;

namespace {

// The skew comes from a console command: keep the block arithmetic defined (no negative or NaN
// ratio) and the input of one block bounded.
const float MAX_SKEW = 16.0f;

float SaneSkew(float skew)
{
    if (!(skew >= 0.0f))
        return 0.0f;
    return std::min(skew, MAX_SKEW);
}

} // namespace

Mixer::Mixer(const AudioFormat& format, const AudioBufferSpec& spec)
    : m_format(format),
      m_spec(spec),
      m_pauseMask(0),
      m_shutDown(false),
      m_block(spec.blockBytes, 0),
      m_blockPosition(spec.blockBytes),
      m_skew(format, SaneSkew(g_timeSkew.load(std::memory_order_relaxed)))
{
}

Mixer::~Mixer()
{
    // The device goes first: its destruction joins the playback thread, which must not be inside
    // Read while the channels and effects below are dropped.
    m_device = nullptr;
}

SmartPtr<Mixer> Mixer::Create(const AudioFormat& format, const AudioBufferSpec& spec)
{
    SmartPtr<Mixer> mixer(new Mixer(format, spec));
    mixer->ApplyPauseMask();
    return mixer;
}

u32 Mixer::Read(void* buffer, u32 bytes)
{
    const float skew = SaneSkew(g_timeSkew.load(std::memory_order_relaxed));
    const u32 blockBytes = static_cast<u32>(m_block.size());
    u8* out = static_cast<u8*>(buffer);
    u32 done = 0;
    while (done < bytes && blockBytes) {
        if (m_blockPosition >= blockBytes)
            RenderBlock(skew);
        const u32 n = std::min(bytes - done, blockBytes - m_blockPosition);
        std::memcpy(out + done, m_block.data() + m_blockPosition, n);
        m_blockPosition += n;
        done += n;
    }
    if (done < bytes)
        std::memset(out + done, 0, bytes - done);
    return bytes;
}

void Mixer::RenderBlock(float skew)
{
    const u32 blockBytes = static_cast<u32>(m_block.size());
    u32 need = blockBytes;
    if (skew != 1.0f) {
        m_skew.SetRatio(skew);
        need = m_skew.RequiredInput(blockBytes);
    }
    u32 workBytes = std::max(blockBytes, need);

    std::lock_guard<std::mutex> effectLock(m_effectMutex);
    for (const SmartPtr<AudioEffect>& effect : m_effects) {
        need = effect->RequiredInput(need);
        workBytes = std::max(workBytes, need);
    }
    // Whole samples, so the channels can add into the buffer as 16-bit values.
    workBytes += workBytes & 1;
    u8* work = m_block.data();
    if (workBytes != blockBytes) {
        if (m_work.size() < workBytes)
            m_work.resize(workBytes);
        work = m_work.data();
    }
    std::memset(work, 0, workBytes);
    s16* samples = reinterpret_cast<s16*>(work);

    // Channels that ended are unlinked under the lock, and released after it: the release may
    // close a decoder and its file, which need not hold up the main thread's channel calls.
    std::vector<SmartPtr<AudioChannel> > ended;
    {
        std::lock_guard<std::mutex> channelLock(m_channelMutex);
        for (auto it = m_channels.begin(); it != m_channels.end();) {
            if ((*it)->Mix(samples, need) < need) {
                ended.push_back(*it);
                it = m_channels.erase(it);
            } else {
                ++it;
            }
        }
    }

    u32 count = need;
    for (auto it = m_effects.begin(); it != m_effects.end();) {
        count = std::min((*it)->Process(samples, count, count), workBytes);
        if ((*it)->IsFinished())
            it = m_effects.erase(it);
        else
            ++it;
    }

    if (skew != 1.0f)
        m_skew.Process(samples, count, count);
    if (work != m_block.data())
        std::memcpy(m_block.data(), work, blockBytes);
    m_blockPosition = 0;
}

WeakPtr<AudioChannel> Mixer::Play(const SmartPtr<AudioSource>& source, bool force)
{
    if (!source)
        return WeakPtr<AudioChannel>();
    SmartPtr<AudioChannel> channel(new AudioChannel(m_format, source));
    if (!channel->IsPlayable())
        return WeakPtr<AudioChannel>();
    std::lock_guard<std::mutex> lock(m_channelMutex);
    if (!force && m_channels.size() >= m_spec.channelLimit)
        return WeakPtr<AudioChannel>();
    m_channels.push_back(channel);
    return WeakPtr<AudioChannel>(channel);
}

WeakPtr<AudioChannel> Mixer::PlayNow(const SmartPtr<AudioSource>& source, bool force)
{
    WeakPtr<AudioChannel> weak = Play(source, force);
    if (SmartPtr<AudioChannel> channel = weak.Lock())
        channel->SetPaused(false);
    return weak;
}

void Mixer::RemoveChannel(AudioChannel* channel)
{
    SmartPtr<AudioChannel> removed;
    std::lock_guard<std::mutex> lock(m_channelMutex);
    for (auto it = m_channels.begin(); it != m_channels.end(); ++it) {
        if (it->Get() == channel) {
            removed = *it;
            m_channels.erase(it);
            return;
        }
    }
}

void Mixer::StopAll()
{
    std::list<SmartPtr<AudioChannel> > removed;
    std::lock_guard<std::mutex> lock(m_channelMutex);
    removed.swap(m_channels);
}

void Mixer::StopGroup(u32 mask)
{
    std::list<SmartPtr<AudioChannel> > removed;
    std::lock_guard<std::mutex> lock(m_channelMutex);
    for (auto it = m_channels.begin(); it != m_channels.end();) {
        auto next = std::next(it);
        if ((*it)->GetGroupMask() & mask)
            removed.splice(removed.end(), m_channels, it);
        it = next;
    }
}

void Mixer::PauseGroup(u32 mask, bool paused)
{
    std::lock_guard<std::mutex> lock(m_channelMutex);
    for (const SmartPtr<AudioChannel>& channel : m_channels) {
        if (channel->GetGroupMask() & mask)
            channel->SetPaused(paused);
    }
}

u32 Mixer::GetChannelCount()
{
    std::lock_guard<std::mutex> lock(m_channelMutex);
    return static_cast<u32>(m_channels.size());
}

void Mixer::AddEffect(const SmartPtr<AudioEffect>& effect)
{
    if (!effect)
        return;
    std::lock_guard<std::mutex> lock(m_effectMutex);
    m_effects.push_back(effect);
}

bool Mixer::RemoveEffect(AudioEffect* effect)
{
    SmartPtr<AudioEffect> removed;
    std::lock_guard<std::mutex> lock(m_effectMutex);
    for (auto it = m_effects.begin(); it != m_effects.end(); ++it) {
        if (it->Get() == effect) {
            removed = *it;
            m_effects.erase(it);
            return true;
        }
    }
    return false;
}

void Mixer::Pause(u32 bits, bool on)
{
    if (on)
        m_pauseMask |= bits;
    else
        m_pauseMask &= ~bits;
    ApplyPauseMask();
}

void Mixer::Shutdown()
{
    m_shutDown = true;
    m_device = nullptr;
}

void Mixer::ApplyPauseMask()
{
    if (m_pauseMask != 0 || m_shutDown) {
        m_device = nullptr;
        return;
    }
    if (m_device)
        return;
    SmartPtr<AudioDevice> device(AudioDevice::Create(m_format, m_spec));
    if (!device)
        return;
    m_format = device->GetFormat();
    m_device = device;
    m_device->Start(this);
}

u32 Mixer::DeviceControl(u32 code, u32 value)
{
    return m_device ? m_device->Control(code, value) : 0;
}

} // namespace Vorn
