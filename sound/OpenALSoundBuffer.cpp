#include "sound/OpenALSoundBuffer.h"

namespace egret
{

void OpenALSoundBuffer::fill(const heron::counted_ptr<heron::ByteBuffer>& samples, const SoundFormat& sourceFormat,
                             const SoundFormat& wanted)
{
    if (!samples || !isUsable(sourceFormat)) {
        return;
    }
    const SoundFormat format = mixDownFor(wanted, sourceFormat, *samples);
    m_format = format;
    m_frames = static_cast<int>(samples->size() >> format.frameShift);
    if (m_frames > 0) {
        m_samples = samples;
        m_loaded.store(true, std::memory_order_release);
    }
}

}
