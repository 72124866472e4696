#pragma once

namespace kestrel
{

// Told of progress during long work (loading); the game window lets the GUI catch up there.
class ProgressCallbacks
{
public:
    virtual ~ProgressCallbacks() = default;
    // True asks the work to stop.
    virtual bool progress() = 0;
};

}
