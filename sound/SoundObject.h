#pragma once

#include <vector>

namespace egret
{

// One coloured bar of the sound statistics: its value and the value that fills it.
struct StatisticsRecord
{
    float red = 0.0f;
    float green = 0.0f;
    float blue = 0.0f;
    float alpha = 1.0f;
    float value = 0.0f;
    float scale = 1.0f;
};

// Something the sound system's update pass keeps going (the streamers). Registered with the
// system, it is started by the first pass after that and updated by every pass, under the
// system's lock, on the thread that runs the passes; the pass after it is unregistered deletes it.
class SoundObject
{
public:
    virtual ~SoundObject() = default;
    // Once, before the first update.
    virtual void start() {}
    virtual void update() {}
    // Appends the object's statistics records.
    virtual void addStatistics(std::vector<StatisticsRecord>& records) {}
};

}
