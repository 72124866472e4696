#pragma once

namespace kestrel
{

class Window;

// Frames per second over the last 31 frame intervals, timed on the toolkit's clock. Main thread only.
class FrameRateMeter
{
public:
    static constexpr int ringSize = 32;

    // owner: the window whose frames are timed (not owned; may be null).
    explicit FrameRateMeter(Window* owner = nullptr) : m_owner(owner) {}

    // Empties the history and enables the meter.
    void reset();
    // Disables the meter.
    void stop();
    bool isEnabled() const { return m_enabled; }
    // Records a frame now; returns the rate once 32 frames were recorded, else (or when
    // disabled) 0.
    double sample();

private:
    Window* m_owner;
    int m_index = 0;
    bool m_full = false;
    bool m_enabled = false;
    double m_times[ringSize] = {};
};

}
