#include "base/PrivateHeap.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using heron::PrivateHeap;

TEST(PrivateHeap, ReallocKeepsContentsOnSeveralThreadsAtOnceAndFreeAcceptsNull)
{
    PrivateHeap heap;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&heap, t] {
            for (int i = 0; i < 2000; ++i) {
                auto* block = static_cast<unsigned char*>(heap.realloc(nullptr, 8 + i % 64));
                block[0] = static_cast<unsigned char>(t);
                block = static_cast<unsigned char*>(heap.realloc(block, i == 0 ? 100000 : 200));
                EXPECT_EQ(block[0], t);
                heap.free(heap.realloc(block, 0));
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    heap.free(nullptr);
}
