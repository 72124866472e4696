#pragma once

#include <cstdint>

namespace finch
{

struct Surface;

// What the render accumulator needs of a batch of geometry it queues (a GeoBunch): its surface,
// its drawing, its animation and the link through which opaque queues of one batch form a bucket.
class QueuedBunch
{
public:
    // The batch's place in one accumulator's frame: the index of its bucket there, valid only
    // while the stamp names that accumulator and frame, so a link left by a frame that was never
    // rendered, or taken over by another accumulator, is ignored.
    struct BucketLink
    {
        std::int32_t bucket = -1;
        std::uint64_t accumulator = 0;
        std::uint64_t frame = 0;
    };

    QueuedBunch() = default;
    QueuedBunch(const QueuedBunch&) = delete;
    QueuedBunch& operator=(const QueuedBunch&) = delete;

    virtual const Surface& surface() const = 0;
    // True when the batch holds vertex-animation frames.
    virtual bool isAnimated() const = 0;
    // Interpolates the frames at phase t (0..1; negative loops back to the first frame).
    virtual void setAnimationTime(float t) = 0;
    // Draws with the current state.
    virtual void render() = 0;
    // True when render() takes its colours from a colour array, which leaves GL's current colour
    // undefined and makes it unused; by default false.
    virtual bool drawsColourArray() const { return false; }

    BucketLink& bucketLink() { return m_link; }

protected:
    // A batch that dies while queued leaves its accumulator's frame.
    ~QueuedBunch();

private:
    BucketLink m_link;
};

}
