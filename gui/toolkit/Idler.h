#pragma once

namespace kestrel
{

// What the event loop calls when a pass had nothing to do.
class Idler
{
public:
    virtual void idle() = 0;

protected:
    ~Idler() = default;
};

// The run loop's default idler: does nothing, so the loop polls without sleeping.
class IdleThing : public Idler
{
public:
    void idle() override {}
};

// Notes that the loop went idle (for running until idle).
class IdleDetector : public Idler
{
public:
    void idle() override { wasIdle = true; }

    bool wasIdle = false;
};

}
