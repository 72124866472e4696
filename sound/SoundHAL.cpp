#include "sound/SoundHAL.h"

namespace egret
{

heron::counted_ptr<SoundBuffer> SoundHAL::loadBuffer(const heron::counted_ptr<SoundDataSource>& source,
                                                     Loading loading)
{
    return source ? loadBuffer(source, loading, source->format()) : heron::counted_ptr<SoundBuffer>();
}

}
